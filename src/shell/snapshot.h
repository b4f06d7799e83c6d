// " Save image as...": saves what the main window shows as a BMP, PCX, PNG or SVG file.
#pragma once

#include <functional>
#include <string>

#include "common/image.h"
#include "common/window.h"

namespace velmora {

// The snapshot's texts: the file dialog, and the messages a failed write shows.
namespace snapshot_text {
inline constexpr const char* kDialogTitle = "Snapshot File Name";
inline constexpr const char* kBmpFilter = "Bitmap Files (*.bmp)";
inline constexpr const char* kPcxFilter = "PCX Files (*.pcx)";
inline constexpr const char* kPngFilter = "PNG Files (*.png)";
inline constexpr const char* kSvgFilter = "SVG Files (*.svg)";
inline constexpr const char* kDefaultExtension = "bmp";

inline constexpr const char* kAboutBitmap = "About Bitmap";
inline constexpr const char* kAboutPcx = "About PCX";
inline constexpr const char* kAboutPng = "About PNG";
inline constexpr const char* kAboutSvg = "About SVG";

inline constexpr const char* kCreateFile = "CreateFile ERROR!";
inline constexpr const char* kCloseHandle = "CloseHandle ERROR!";
inline constexpr const char* kBitmapQuery = "Проблемы при выполнении GetObject";
inline constexpr const char* kBmpMemory = "GlobalAlloc ERROR!";
inline constexpr const char* kBmpFileHeader = "ERROR while writing BITMAPFILEHEADER!";
inline constexpr const char* kBmpInfoHeader = "ERROR while writing BITMAPINFOHEADER!";
inline constexpr const char* kBmpBits = "ERROR while writing bitmap bits!";
inline constexpr const char* kPcxMemory = "Нет памяти для кодов строки!";
inline constexpr const char* kPcxHeader = "ERROR while writing PCXHEADER!";
inline constexpr const char* kPcxCodes = "ERROR while writing PCX codes!";
inline constexpr const char* kPngEncode = "ERROR while encoding PNG!";
inline constexpr const char* kPngMemory = "Not enough memory for the PNG image!";
inline constexpr const char* kPngData = "ERROR while writing PNG data!";
inline constexpr const char* kSvgData = "ERROR while writing SVG document!";

inline constexpr const char* kBmpNotCreated = "Bitmap file is not created";
inline constexpr const char* kPcxNotCreated = "PCX file is not created";
inline constexpr const char* kPngNotCreated = "PNG file is not created";
inline constexpr const char* kSvgNotCreated = "SVG file is not created";
}  // namespace snapshot_text

enum class SnapshotFormat { kNone, kBmp, kPcx, kPng, kSvg };

// The format a chosen file name asks for: a name of at least five characters whose last
// four are ".bmp", ".pcx", ".png" or ".svg" in any letter case; kNone for any other.
SnapshotFormat snapshotFormat(const std::string& name);

// What the snapshot's save-file dialog shows.
SaveFileRequest snapshotFileRequest();

// Writes `captured` (or, for SVG, the document renderSvg draws) to `path` in `format`.
// On failure shows the writer's message and then the command's own, and leaves no file
// behind; an existing file keeps its content. True when the file was written.
bool writeSnapshot(Window& window, SnapshotFormat format, const std::string& path,
                   const Image& captured, const std::function<std::string()>& renderSvg);

// The snapshot command: `captured` is the client area as the last paint drew it (taken
// before the dialog covers anything); renderSvg draws the same view as an SVG document
// and is called only when the user asks for SVG (empty: no SVG can be made). Opens the
// save-file dialog and writes the file the chosen name's extension asks for; a name with
// any other extension writes nothing and shows nothing. Failures are shown here, so it
// always returns 1. The front ends bind it into AppState::hooks.snapshotCommand.
int saveSnapshot(Window& window, const Image& captured,
                 const std::function<std::string()>& renderSvg);

}  // namespace velmora

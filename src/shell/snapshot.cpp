#include "shell/snapshot.h"

#include <cctype>

#include "export/image_files.h"

namespace velmora {

namespace {

using namespace snapshot_text;

bool endsWithNoCase(const std::string& name, const char* ending) {
  const std::string e(ending);
  if (name.size() < e.size()) return false;
  for (size_t k = 0; k < e.size(); ++k)
    if (std::tolower(static_cast<unsigned char>(name[name.size() - e.size() + k])) != e[k])
      return false;
  return true;
}

// The texts one format shows: its caption, the command's closing message, and the
// message for each step that can fail (null: only the closing message is shown).
struct FormatTexts {
  const char* caption;
  const char* notCreated;
  const char* encode;
  const char* memory;
  const char* create;
  const char* data;
  const char* close;
};

FormatTexts textsFor(SnapshotFormat format) {
  switch (format) {
    case SnapshotFormat::kBmp:
      return {kAboutBitmap, kBmpNotCreated, kBitmapQuery, kBmpMemory, kCreateFile, nullptr,
              kCloseHandle};
    case SnapshotFormat::kPcx:
      return {kAboutPcx, kPcxNotCreated, nullptr, kPcxMemory, kCreateFile, nullptr, kCloseHandle};
    case SnapshotFormat::kPng:
      return {kAboutPng, kPngNotCreated, kPngEncode, kPngMemory, kCreateFile, kPngData,
              kCloseHandle};
    case SnapshotFormat::kSvg:
    case SnapshotFormat::kNone:
      break;
  }
  return {kAboutSvg, kSvgNotCreated, nullptr, nullptr, kCreateFile, kSvgData, kCloseHandle};
}

const char* messageFor(const ImageFileResult& r, const FormatTexts& t) {
  switch (r.part) {
    case ImageFilePart::kNone:
      return nullptr;
    case ImageFilePart::kEncode:
      return t.encode;
    case ImageFilePart::kMemory:
      return t.memory;
    case ImageFilePart::kCreate:
    case ImageFilePart::kReplace:  // the finished file could not be put under its name
      return t.create;
    case ImageFilePart::kBmpFileHeader:
      return kBmpFileHeader;
    case ImageFilePart::kBmpInfoHeader:
      return kBmpInfoHeader;
    case ImageFilePart::kBmpBits:
      return kBmpBits;
    case ImageFilePart::kPcxHeader:
      return kPcxHeader;
    case ImageFilePart::kPcxCodes:
      return kPcxCodes;
    case ImageFilePart::kData:
      return t.data;
    case ImageFilePart::kClose:
      return t.close;
  }
  return nullptr;
}

}  // namespace

SnapshotFormat snapshotFormat(const std::string& name) {
  if (name.size() < 5) return SnapshotFormat::kNone;
  if (endsWithNoCase(name, ".pcx")) return SnapshotFormat::kPcx;
  if (endsWithNoCase(name, ".bmp")) return SnapshotFormat::kBmp;
  if (endsWithNoCase(name, ".png")) return SnapshotFormat::kPng;
  if (endsWithNoCase(name, ".svg")) return SnapshotFormat::kSvg;
  return SnapshotFormat::kNone;
}

SaveFileRequest snapshotFileRequest() {
  SaveFileRequest r;
  r.title = kDialogTitle;
  r.filters = {{kBmpFilter, "*.bmp"}, {kPcxFilter, "*.pcx"}, {kPngFilter, "*.png"},
               {kSvgFilter, "*.svg"}};
  r.defaultExtension = kDefaultExtension;
  r.confirmOverwrite = true;
  return r;
}

bool writeSnapshot(Window& window, SnapshotFormat format, const std::string& path,
                   const Image& captured, const std::function<std::string()>& renderSvg) {
  ImageFileResult result;
  switch (format) {
    case SnapshotFormat::kNone:
      return false;
    case SnapshotFormat::kBmp:
      result = writeBmpFile(path, captured);
      break;
    case SnapshotFormat::kPcx:
      result = writePcxFile(path, captured, kWindowBackground);
      break;
    case SnapshotFormat::kPng:
      result = writePngFile(path, captured);
      break;
    case SnapshotFormat::kSvg: {
      std::string document;
      bool drawn = false;
      try {
        if (renderSvg) {
          document = renderSvg();
          drawn = true;
        }
      } catch (const std::exception&) {
      }
      if (!drawn) {
        result.part = ImageFilePart::kEncode;
        break;
      }
      result = writeSvgFile(path, document);
      break;
    }
  }
  if (result.ok()) return true;
  // The closing message carries the bitmap caption whatever the format.
  const FormatTexts texts = textsFor(format);
  // The first message also names the file and the system's reason, on a line of its own.
  std::string detail = result.message.empty() ? std::string() : "\n" + result.message;
  if (const char* message = messageFor(result, texts)) {
    window.messageBox(message + detail, texts.caption, kMbOk);
    detail.clear();
  }
  window.messageBox(texts.notCreated + detail, kAboutBitmap, kMbOk);
  return false;
}

int saveSnapshot(Window& window, const Image& captured,
                 const std::function<std::string()>& renderSvg) {
  std::string path;
  if (!window.saveFileDialog(snapshotFileRequest(), path)) return 1;
  writeSnapshot(window, snapshotFormat(path), path, captured, renderSvg);
  return 1;
}

}  // namespace velmora

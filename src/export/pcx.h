// The window picture as a two-colour run-length-encoded PCX file.
//
// A 128-byte header (manufacturer 10, version 5, run-length encoding, 1 bit per pixel,
// window 0, 0 .. W − 1, H − 1, resolution 640 × 480, a 16-entry colour map whose entry 0
// is black and entry 1 the background colour, one colour plane, B bytes per line, palette
// info 1), then every scan line from the top, encoded on its own. A line holds 8 × B
// pixels, B = ((W + 31) / 32) × 4: the W pixels of the picture, then padding. A bit is 1
// when the pixel has exactly the background colour (padding counts as background) and 0
// for any other colour, the leftmost pixel in the most significant bit. No palette
// follows the lines.
//
// Run-length code of a line: runs of equal bytes, at most 63 long, never across lines. A
// run of k bytes v is written as the count byte 0xC0 | k followed by v, except that a
// single byte below 0xC0 is written as it is (a single byte 0xC0 or above needs the
// count byte 0xC1 so it is not taken for a count).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/image.h"

namespace velmora {

inline constexpr size_t kPcxHeaderSize = 128;
inline constexpr size_t kPcxMaxRun = 63;

// B for a picture W pixels wide.
size_t pcxBytesPerLine(int32_t width);

// Whether a picture of this size fits the format's 16-bit fields.
bool pcxCanHold(int32_t width, int32_t height);

// The header; throws ImageFileError for a size pcxCanHold refuses.
std::vector<uint8_t> pcxHeader(int32_t width, int32_t height, Color background);

// Packs line y of `image` into pcxBytesPerLine(image.width) bytes at `out`.
void packPcxLine(const Image& image, int32_t y, Color background, uint8_t* out);

// Appends the run-length code of `count` bytes to `out`: at most 2 × count bytes.
void encodePcxLine(const uint8_t* bytes, size_t count, std::vector<uint8_t>& out);

// The encoded lines of the whole picture (the file without its header).
std::vector<uint8_t> pcxImageData(const Image& image, Color background);

// The whole file.
std::vector<uint8_t> encodePcx(const Image& image, Color background = kWindowBackground);

}  // namespace velmora

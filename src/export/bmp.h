// The window picture as an uncompressed 32-bit device-independent bitmap file.
//
// Layout (little-endian): a 14-byte file header ("BM", file size, two reserved zeros,
// offset of the pixel data = 54), a 40-byte info header (size 40, width, positive height,
// 1 plane, 32 bits per pixel, no compression, the image size, zero resolutions, no colour
// table), then the pixel data: the rows bottom first, each pixel as the bytes blue, green,
// red, 0. The image size field is ((W + 7) / 8) × H × 32 bytes, which is at least the
// exact size of the rows; the bytes behind the last row up to that size are zero, and the
// file carries them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/image.h"

namespace velmora {

inline constexpr uint32_t kBmpFileHeaderSize = 14;
inline constexpr uint32_t kBmpInfoHeaderSize = 40;
inline constexpr uint16_t kBmpBitsPerPixel = 32;

// The image size field for a W × H picture: ((W + 7) / 8) × H × 32.
uint64_t bmpImageSize(int32_t width, int32_t height);

// Whether a picture of this size fits the format's 32-bit size fields.
bool bmpCanHold(int32_t width, int32_t height);

// The three parts of the file, which the snapshot writes one after another. Each throws
// ImageFileError for an empty image or one bmpCanHold refuses.
std::vector<uint8_t> bmpFileHeader(const Image& image);
std::vector<uint8_t> bmpInfoHeader(const Image& image);
std::vector<uint8_t> bmpPixelData(const Image& image);

// The pixel data a row at a time, for writers that stream it: the bytes of one row
// (W × 4), and row y of the image (0 is the top) in the file's byte order at `out`.
size_t bmpRowSize(int32_t width);
void packBmpRow(const Image& image, int32_t y, uint8_t* out);

// The whole file.
std::vector<uint8_t> encodeBmp(const Image& image);

}  // namespace velmora

#include "export/bmp.h"

#include <string>

#include "export/image_error.h"

namespace velmora {

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

void checkSize(const Image& image) {
  if (image.width <= 0 || image.height <= 0)
    throw ImageFileError("cannot encode BMP: the image is empty");
  if (!bmpCanHold(image.width, image.height))
    throw ImageFileError("cannot encode BMP: a picture of " + std::to_string(image.width) +
                         " x " + std::to_string(image.height) +
                         " pixels does not fit the format's 4 GB");
}

}  // namespace

uint64_t bmpImageSize(int32_t width, int32_t height) {
  return (static_cast<uint64_t>(width) + 7) / 8 * static_cast<uint64_t>(height) * kBmpBitsPerPixel;
}

bool bmpCanHold(int32_t width, int32_t height) {
  return width > 0 && height > 0 &&
         bmpImageSize(width, height) + kBmpFileHeaderSize + kBmpInfoHeaderSize <= UINT32_MAX;
}

std::vector<uint8_t> bmpFileHeader(const Image& image) {
  checkSize(image);
  const uint32_t offBits = kBmpFileHeaderSize + kBmpInfoHeaderSize;
  std::vector<uint8_t> out;
  out.reserve(kBmpFileHeaderSize);
  out.push_back('B');
  out.push_back('M');
  put32(out, offBits + static_cast<uint32_t>(bmpImageSize(image.width, image.height)));
  put16(out, 0);
  put16(out, 0);
  put32(out, offBits);
  return out;
}

std::vector<uint8_t> bmpInfoHeader(const Image& image) {
  checkSize(image);
  std::vector<uint8_t> out;
  out.reserve(kBmpInfoHeaderSize);
  put32(out, kBmpInfoHeaderSize);
  put32(out, static_cast<uint32_t>(image.width));
  put32(out, static_cast<uint32_t>(image.height));
  put16(out, 1);  // planes
  put16(out, kBmpBitsPerPixel);
  put32(out, 0);  // no compression
  put32(out, static_cast<uint32_t>(bmpImageSize(image.width, image.height)));
  put32(out, 0);  // horizontal and vertical resolution
  put32(out, 0);
  put32(out, 0);  // colours used: no colour table
  put32(out, 0);  // colours important
  return out;
}

size_t bmpRowSize(int32_t width) { return static_cast<size_t>(width) * 4; }

void packBmpRow(const Image& image, int32_t y, uint8_t* out) {
  const uint32_t* src = &image.pixels[static_cast<size_t>(y) * image.width];
  for (int32_t x = 0; x < image.width; ++x) {
    const uint32_t p = src[x];
    out[0] = static_cast<uint8_t>(p);
    out[1] = static_cast<uint8_t>(p >> 8);
    out[2] = static_cast<uint8_t>(p >> 16);
    out[3] = 0;
    out += 4;
  }
}

std::vector<uint8_t> bmpPixelData(const Image& image) {
  checkSize(image);
  std::vector<uint8_t> out(static_cast<size_t>(bmpImageSize(image.width, image.height)), 0);
  const size_t row = bmpRowSize(image.width);
  for (int32_t y = image.height - 1, k = 0; y >= 0; --y, ++k)
    packBmpRow(image, y, out.data() + static_cast<size_t>(k) * row);
  return out;
}

std::vector<uint8_t> encodeBmp(const Image& image) {
  std::vector<uint8_t> out = bmpFileHeader(image);
  const std::vector<uint8_t> info = bmpInfoHeader(image);
  out.insert(out.end(), info.begin(), info.end());
  const size_t offset = out.size();
  out.resize(offset + static_cast<size_t>(bmpImageSize(image.width, image.height)), 0);
  const size_t row = bmpRowSize(image.width);
  for (int32_t y = image.height - 1, k = 0; y >= 0; --y, ++k)
    packBmpRow(image, y, out.data() + offset + static_cast<size_t>(k) * row);
  return out;
}

}  // namespace velmora

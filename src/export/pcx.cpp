#include "export/pcx.h"

#include <string>

#include "export/image_error.h"

namespace velmora {

namespace {

void put16(uint8_t* at, uint32_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void checkSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) throw ImageFileError("cannot encode PCX: the image is empty");
  if (!pcxCanHold(width, height))
    throw ImageFileError("cannot encode PCX: a picture of " + std::to_string(width) + " x " +
                         std::to_string(height) +
                         " pixels is beyond the format's 65536 pixels per side");
}

void emitRun(uint8_t value, size_t count, std::vector<uint8_t>& out) {
  if (count > 1 || value >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | count));
  out.push_back(value);
}

}  // namespace

size_t pcxBytesPerLine(int32_t width) {
  return (static_cast<size_t>(width) + 31) / 32 * 4;
}

bool pcxCanHold(int32_t width, int32_t height) {
  return width > 0 && height > 0 && width <= 65536 && height <= 65536;
}

std::vector<uint8_t> pcxHeader(int32_t width, int32_t height, Color background) {
  checkSize(width, height);
  std::vector<uint8_t> h(kPcxHeaderSize, 0);
  h[0] = 10;  // manufacturer
  h[1] = 5;   // version
  h[2] = 1;   // run-length encoding
  h[3] = 1;   // bits per pixel
  put16(&h[8], static_cast<uint32_t>(width - 1));
  put16(&h[10], static_cast<uint32_t>(height - 1));
  put16(&h[12], 640);
  put16(&h[14], 480);
  // Colour map: entry 0 black, entry 1 the background.
  h[16 + 3] = background.r;
  h[16 + 4] = background.g;
  h[16 + 5] = background.b;
  h[65] = 1;  // colour planes
  put16(&h[66], static_cast<uint32_t>(pcxBytesPerLine(width)));
  put16(&h[68], 1);  // palette info
  return h;
}

void packPcxLine(const Image& image, int32_t y, Color background, uint8_t* out) {
  const uint32_t bg = background.packed();
  const uint32_t* row = &image.pixels[static_cast<size_t>(y) * image.width];
  const size_t bytes = pcxBytesPerLine(image.width);
  const size_t whole = static_cast<size_t>(image.width) / 8;
  for (size_t i = 0; i < whole; ++i) {
    const uint32_t* p = row + i * 8;
    unsigned b = 0;
    for (int k = 0; k < 8; ++k) b = (b << 1) | ((p[k] & 0xFFFFFF) == bg ? 1u : 0u);
    out[i] = static_cast<uint8_t>(b);
  }
  for (size_t i = whole; i < bytes; ++i) {
    unsigned b = 0;
    for (size_t k = 0; k < 8; ++k) {
      const size_t x = i * 8 + k;
      const bool set = x >= static_cast<size_t>(image.width) || (row[x] & 0xFFFFFF) == bg;
      b = (b << 1) | (set ? 1u : 0u);
    }
    out[i] = static_cast<uint8_t>(b);
  }
}

void encodePcxLine(const uint8_t* bytes, size_t count, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < count) {
    const uint8_t v = bytes[i];
    size_t run = 1;
    while (run < kPcxMaxRun && i + run < count && bytes[i + run] == v) ++run;
    emitRun(v, run, out);
    i += run;
  }
}

std::vector<uint8_t> pcxImageData(const Image& image, Color background) {
  checkSize(image.width, image.height);
  const size_t bytes = pcxBytesPerLine(image.width);
  std::vector<uint8_t> line(bytes);
  std::vector<uint8_t> out;
  // Window pictures are mostly background and compress well; start with room for a
  // quarter of the packed size and let the vector grow if a picture needs more.
  out.reserve(bytes * static_cast<size_t>(image.height) / 4 + 64);
  for (int32_t y = 0; y < image.height; ++y) {
    packPcxLine(image, y, background, line.data());
    encodePcxLine(line.data(), bytes, out);
  }
  return out;
}

std::vector<uint8_t> encodePcx(const Image& image, Color background) {
  std::vector<uint8_t> out = pcxHeader(image.width, image.height, background);
  const std::vector<uint8_t> data = pcxImageData(image, background);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

}  // namespace velmora

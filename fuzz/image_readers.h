// Readers of the BMP and PCX files our writers make, for reading them back in the fuzz
// targets. They accept exactly the layout the writers promise (export/bmp.h, export/pcx.h)
// and fail with the first thing that differs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/image.h"

namespace velmora::fuzz {

// The picture of a 32-bit BMP file; an empty image with `error` set when the file is not
// laid out as the writer lays it out.
Image readBmp(const std::vector<uint8_t>& file, std::string& error);

// The bits of a two-colour PCX file, one byte (1: background, 0: other) per pixel, rows
// top to bottom, with the background colour its colour map gives; empty with `error` set
// when the file is not laid out as the writer lays it out.
struct PcxBits {
  int32_t width = 0, height = 0;
  Color background;
  std::vector<uint8_t> bits;
};
PcxBits readPcx(const std::vector<uint8_t>& file, std::string& error);

}  // namespace velmora::fuzz

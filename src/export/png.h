// PNG encoding and decoding of the in-memory RGB image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/image.h"
#include "export/image_error.h"

namespace velmora {

// The image as a PNG file: 8-bit RGB, not interlaced, no time stamp or other ancillary
// chunks, a fixed compression level and filter choice, so the same image always gives
// the same bytes. Throws ImageFileError for an empty image or when the encoder fails, and
// std::bad_alloc when memory runs out.
std::vector<uint8_t> encodePng(const Image& image);

// Reads a PNG file of any colour type and depth into an RGB image. Transparent pixels are
// composed over the window's background colour. Throws ImageFileError, naming the file,
// when it is missing, unreadable, not a PNG, damaged or too large.
Image readPng(const std::string& path);

// The same for PNG bytes held in memory.
Image decodePng(const std::vector<uint8_t>& bytes);

}  // namespace velmora

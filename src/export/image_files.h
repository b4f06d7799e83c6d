// Writing the window picture to a file: BMP, PCX, PNG, or an SVG document the caller has
// drawn. Every file is written whole or not at all (common/atomic_file.h): on any failure
// no file is left behind and an existing file keeps its content.
#pragma once

#include <string>

#include "common/image.h"

namespace velmora {

// The step of writing an image file that failed, so that the caller can word its message.
enum class ImageFilePart {
  kNone,
  kEncode,         // the picture cannot be encoded (empty, too large for the format)
  kMemory,         // memory ran out while encoding
  kCreate,         // the file cannot be created (no such folder, no permission, a folder)
  kBmpFileHeader,  // writing the parts of a BMP file
  kBmpInfoHeader,
  kBmpBits,
  kPcxHeader,  // writing the header or the encoded lines of a PCX file
  kPcxCodes,
  kData,     // writing a PNG file's bytes or an SVG document
  kClose,    // flushing or closing the file
  kReplace,  // the finished file cannot take the target's name
};

struct ImageFileResult {
  ImageFilePart part = ImageFilePart::kNone;
  std::string message;  // the reason, naming the file
  bool ok() const { return part == ImageFilePart::kNone; }
};

ImageFileResult writeBmpFile(const std::string& path, const Image& image);
ImageFileResult writePcxFile(const std::string& path, const Image& image,
                             Color background = kWindowBackground);
ImageFileResult writePngFile(const std::string& path, const Image& image);
ImageFileResult writeSvgFile(const std::string& path, const std::string& document);

}  // namespace velmora

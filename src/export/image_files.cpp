#include "export/image_files.h"

#include <new>
#include <utility>
#include <vector>

#include "common/atomic_file.h"
#include "export/bmp.h"
#include "export/image_error.h"
#include "export/pcx.h"
#include "export/png.h"

namespace velmora {

namespace {

struct Piece {
  ImageFilePart part;
  const void* data;
  size_t size;
};

Piece piece(ImageFilePart part, const std::vector<uint8_t>& bytes) {
  return {part, bytes.data(), bytes.size()};
}

// Writes the pieces one after another, each in one write, and says which one failed.
ImageFileResult writePieces(const std::string& path, const std::vector<Piece>& pieces) {
  ImageFilePart failed = ImageFilePart::kNone;
  const WriteOutcome o = writeFileAtomically(OutputFile{path, {}, [&](FileSink& sink) {
    for (const Piece& p : pieces)
      if (!sink.write(p.data, p.size)) {
        failed = p.part;
        return false;
      }
    return true;
  }});
  ImageFileResult r;
  r.message = o.message;
  switch (o.stage) {
    case WriteStage::kDone:
      break;
    case WriteStage::kTarget:
    case WriteStage::kCreate:
      r.part = ImageFilePart::kCreate;
      break;
    case WriteStage::kWrite:
      r.part = failed;
      break;
    case WriteStage::kClose:
      r.part = ImageFilePart::kClose;
      break;
    case WriteStage::kReplace:
      r.part = ImageFilePart::kReplace;
      break;
  }
  return r;
}

// Encodes with `encode` and writes what it made; an encoding failure writes nothing.
template <typename Encode>
ImageFileResult encodeAndWrite(const char* format, Encode encode) {
  try {
    return encode();
  } catch (const ImageFileError& e) {
    return {ImageFilePart::kEncode, e.what()};
  } catch (const std::bad_alloc&) {
    return {ImageFilePart::kMemory, std::string("not enough memory to encode the ") + format +
                                        " picture"};
  }
}

}  // namespace

ImageFileResult writeBmpFile(const std::string& path, const Image& image) {
  return encodeAndWrite("BMP", [&] {
    const std::vector<uint8_t> file = bmpFileHeader(image);
    const std::vector<uint8_t> info = bmpInfoHeader(image);
    const std::vector<uint8_t> bits = bmpPixelData(image);
    return writePieces(path, {piece(ImageFilePart::kBmpFileHeader, file),
                              piece(ImageFilePart::kBmpInfoHeader, info),
                              piece(ImageFilePart::kBmpBits, bits)});
  });
}

ImageFileResult writePcxFile(const std::string& path, const Image& image, Color background) {
  return encodeAndWrite("PCX", [&] {
    const std::vector<uint8_t> header = pcxHeader(image.width, image.height, background);
    const std::vector<uint8_t> codes = pcxImageData(image, background);
    return writePieces(path, {piece(ImageFilePart::kPcxHeader, header),
                              piece(ImageFilePart::kPcxCodes, codes)});
  });
}

ImageFileResult writePngFile(const std::string& path, const Image& image) {
  return encodeAndWrite("PNG", [&] {
    const std::vector<uint8_t> bytes = encodePng(image);
    return writePieces(path, {piece(ImageFilePart::kData, bytes)});
  });
}

ImageFileResult writeSvgFile(const std::string& path, const std::string& document) {
  return writePieces(path, {{ImageFilePart::kData, document.data(), document.size()}});
}

}  // namespace velmora

#include "export/image_files.h"

#include <algorithm>
#include <functional>
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

// The size of the blocks a streamed file is written in.
constexpr size_t kBlockSize = size_t{1} << 18;

// Writes one file through `write`, which names the part whose write failed.
ImageFileResult writeFile(const std::string& path,
                          const std::function<bool(FileSink&, ImageFilePart&)>& write) {
  ImageFilePart failed = ImageFilePart::kNone;
  const WriteOutcome o =
      writeFileAtomically(OutputFile{path, {}, [&](FileSink& sink) { return write(sink, failed); }});
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

struct Piece {
  ImageFilePart part;
  const void* data;
  size_t size;
};

Piece piece(ImageFilePart part, const std::vector<uint8_t>& bytes) {
  return {part, bytes.data(), bytes.size()};
}

// Writes the pieces one after another, each in one write.
ImageFileResult writePieces(const std::string& path, const std::vector<Piece>& pieces) {
  return writeFile(path, [&](FileSink& sink, ImageFilePart& failed) {
    for (const Piece& p : pieces)
      if (!sink.write(p.data, p.size)) {
        failed = p.part;
        return false;
      }
    return true;
  });
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
    // The pixel data goes out a block of rows at a time, so a large picture needs no
    // second copy of itself in memory.
    const size_t row = bmpRowSize(image.width);
    const size_t rowsPerBlock = std::max<size_t>(1, kBlockSize / row);
    std::vector<uint8_t> block(rowsPerBlock * row);
    return writeFile(path, [&](FileSink& sink, ImageFilePart& failed) {
      failed = ImageFilePart::kBmpFileHeader;
      if (!sink.write(file.data(), file.size())) return false;
      failed = ImageFilePart::kBmpInfoHeader;
      if (!sink.write(info.data(), info.size())) return false;
      failed = ImageFilePart::kBmpBits;
      size_t filled = 0;
      for (int32_t y = image.height - 1; y >= 0; --y) {
        packBmpRow(image, y, block.data() + filled);
        filled += row;
        if (filled == block.size() || y == 0) {
          if (!sink.write(block.data(), filled)) return false;
          filled = 0;
        }
      }
      // The image size field counts more than the rows; the rest is zeros.
      uint64_t zeros = bmpImageSize(image.width, image.height) - uint64_t{row} * image.height;
      std::fill(block.begin(), block.end(), 0);
      while (zeros > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(zeros, block.size()));
        if (!sink.write(block.data(), n)) return false;
        zeros -= n;
      }
      failed = ImageFilePart::kNone;
      return true;
    });
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

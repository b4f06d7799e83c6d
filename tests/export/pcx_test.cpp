#include <gtest/gtest.h>

#include <random>

#include "export/image_error.h"
#include "export/pcx.h"

namespace velmora::testing {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes encodeLine(const Bytes& line) {
  Bytes out;
  encodePcxLine(line.data(), line.size(), out);
  return out;
}

// An independent reader of the run-length code: a count byte has both top bits set and
// the run length in the low six.
Bytes decodeLine(const Bytes& code) {
  Bytes out;
  for (size_t i = 0; i < code.size(); ++i) {
    if ((code[i] & 0xC0) == 0xC0) {
      EXPECT_LT(i + 1, code.size());
      out.insert(out.end(), code[i] & 0x3F, code[i + 1]);
      ++i;
    } else {
      out.push_back(code[i]);
    }
  }
  return out;
}

TEST(Pcx, RunLengthCodeOfOneLine) {
  // 70 equal bytes: a full run of 63 and the remaining 7.
  EXPECT_EQ(encodeLine(Bytes(70, 0x00)), (Bytes{0xFF, 0x00, 0xC7, 0x00}));
  EXPECT_EQ(encodeLine(Bytes(70, 0xC5)), (Bytes{0xFF, 0xC5, 0xC7, 0xC5}));
  EXPECT_EQ(encodeLine(Bytes(126, 0x11)), (Bytes{0xFF, 0x11, 0xFF, 0x11}));
  // A single byte of 0xC0 or more needs a count; a lower one stands for itself.
  EXPECT_EQ(encodeLine({0x3A, 0xC5, 0x3A, 0x3A, 0xC0, 0xBF}),
            (Bytes{0x3A, 0xC1, 0xC5, 0xC2, 0x3A, 0xC1, 0xC0, 0xBF}));
  EXPECT_EQ(encodeLine({}), Bytes{});
}

TEST(Pcx, AnyLineDecodesBackAndTakesAtMostTwiceItsLength) {
  // The worst case, every byte a single value of 0xC0 or more, on a line far longer than
  // 512 bytes; then random lines with runs of every length.
  Bytes worst(3000);
  for (size_t k = 0; k < worst.size(); ++k) worst[k] = k % 2 ? 0xC0 : 0xFF;
  EXPECT_EQ(encodeLine(worst).size(), 2 * worst.size());
  EXPECT_EQ(decodeLine(encodeLine(worst)), worst);

  std::mt19937 random(7);
  for (int trial = 0; trial < 200; ++trial) {
    Bytes line;
    const size_t length = random() % 700;
    while (line.size() < length)
      line.insert(line.end(), std::min<size_t>(random() % 150 + 1, length - line.size()),
                  static_cast<uint8_t>(random() % 4 == 0 ? 0xFF : random()));
    const Bytes code = encodeLine(line);
    EXPECT_LE(code.size(), 2 * line.size());
    EXPECT_EQ(decodeLine(code), line);
  }
}

TEST(Pcx, HeaderValues) {
  const Bytes h = pcxHeader(100, 3, rgb(0xF0, 0xE0, 0xD0));
  ASSERT_EQ(h.size(), 128u);
  Bytes expected(128, 0);
  const Bytes start = {10, 5, 1, 1, 0, 0, 0, 0, 99, 0, 2, 0, 0x80, 0x02, 0xE0, 0x01,
                       0, 0, 0, 0xF0, 0xE0, 0xD0};
  std::copy(start.begin(), start.end(), expected.begin());
  expected[65] = 1;   // planes
  expected[66] = 16;  // bytes per line: four 32-bit words for 100 pixels
  expected[68] = 1;   // palette info
  EXPECT_EQ(h, expected);
  EXPECT_EQ(pcxBytesPerLine(1), 4u);
  EXPECT_EQ(pcxBytesPerLine(32), 4u);
  EXPECT_EQ(pcxBytesPerLine(33), 8u);
  EXPECT_THROW(pcxHeader(65537, 10, kWhite), ImageFileError);
  EXPECT_THROW(pcxHeader(0, 10, kWhite), ImageFileError);
}

TEST(Pcx, PixelsBecomeBitsLineByLine) {
  // A background line 100 pixels wide, padding included, is one run of 16 bytes 0xFF;
  // each line is encoded on its own.
  EXPECT_EQ(pcxImageData(Image(100, 2, kWindowBackground), kWindowBackground),
            (Bytes{0xD0, 0xFF, 0xD0, 0xFF}));
  // A colour one step from the background is black; padding past 33 pixels is background.
  Image img(33, 1, kBlack);
  img.at(1, 0) = rgb(255, 255, 255).packed();
  img.at(2, 0) = rgb(254, 255, 255).packed();
  img.at(3, 0) = rgb(255, 255, 254).packed();
  img.at(7, 0) = kWindowBackground.packed();
  EXPECT_EQ(pcxImageData(img, kWindowBackground),
            (Bytes{0x41, 0xC3, 0x00, 0x7F, 0xC3, 0xFF}));
  // The background is the colour given, not white as such.
  EXPECT_EQ(pcxImageData(Image(8, 1, kBlack), kBlack), (Bytes{0xC4, 0xFF}));
  const Bytes file = encodePcx(img);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 128), pcxHeader(33, 1, kWindowBackground));
  EXPECT_EQ(Bytes(file.begin() + 128, file.end()), pcxImageData(img, kWindowBackground));
}

}  // namespace
}  // namespace velmora::testing

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "export/bmp.h"
#include "export/image_error.h"
#include "export/image_files.h"

namespace velmora::testing {
namespace {

uint32_t at32(const std::vector<uint8_t>& b, size_t k) {
  return b[k] | (b[k + 1] << 8) | (b[k + 2] << 16) | (uint32_t{b[k + 3]} << 24);
}
uint32_t at16(const std::vector<uint8_t>& b, size_t k) { return b[k] | (b[k + 1] << 8); }

TEST(Bmp, HeaderValuesFor32BitPictures) {
  struct Case {
    int32_t w, h;
    uint32_t sizeImage;
  };
  // ((W + 7) / 8) × H × 32: exactly the rows when W is a multiple of 8, more otherwise.
  for (const Case c : {Case{100, 3, 13 * 3 * 32}, Case{8, 2, 64}, Case{1, 1, 32},
                       Case{1920, 1080, 1920 * 1080 * 4}}) {
    const std::vector<uint8_t> f = encodeBmp(Image(c.w, c.h));
    ASSERT_EQ(f.size(), 54 + c.sizeImage) << c.w;
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(at32(f, 2), 54 + c.sizeImage);  // file size
    EXPECT_EQ(at32(f, 6), 0u);                // reserved
    EXPECT_EQ(at32(f, 10), 54u);              // offset of the bits
    EXPECT_EQ(at32(f, 14), 40u);
    EXPECT_EQ(at32(f, 18), uint32_t(c.w));
    EXPECT_EQ(at32(f, 22), uint32_t(c.h));
    EXPECT_EQ(at16(f, 26), 1u);   // planes
    EXPECT_EQ(at16(f, 28), 32u);  // bits per pixel
    EXPECT_EQ(at32(f, 30), 0u);   // no compression
    EXPECT_EQ(at32(f, 34), c.sizeImage);
    for (size_t k = 38; k < 54; k += 4) EXPECT_EQ(at32(f, k), 0u) << k;  // resolutions, colours
  }
  EXPECT_TRUE(bmpCanHold(16384, 16384));
  EXPECT_FALSE(bmpCanHold(65536, 65536));
  EXPECT_THROW(encodeBmp(Image()), ImageFileError);
}

TEST(Bmp, RowsBottomUpInBlueGreenRedOrderWithTrailingZeros) {
  Image img(3, 2, kWhite);
  img.at(0, 0) = rgb(0x11, 0x22, 0x33).packed();
  img.at(2, 1) = rgb(0xA1, 0xB2, 0xC3).packed();
  const std::vector<uint8_t> bits = bmpPixelData(img);
  ASSERT_EQ(bits.size(), 64u);  // 24 bytes of rows, then zeros
  const std::vector<uint8_t> rows = {
      0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0xC3, 0xB2, 0xA1, 0,  // bottom row first
      0x33, 0x22, 0x11, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0};
  EXPECT_EQ(std::vector<uint8_t>(bits.begin(), bits.begin() + 24), rows);
  EXPECT_EQ(std::vector<uint8_t>(bits.begin() + 24, bits.end()), std::vector<uint8_t>(40, 0));
}

TEST(Bmp, TheFileWrittenInBlocksHoldsTheEncodedBytes) {
  // Rows of 2804 bytes: the file is written in several blocks, the last one short, and
  // the zeros behind the rows follow.
  Image img(701, 300);
  for (size_t k = 0; k < img.pixels.size(); ++k) img.pixels[k] = static_cast<uint32_t>(k * 2654435761u) & 0xFFFFFF;
  const std::string path = "/tmp/velmora-bmp-" + std::to_string(::getpid()) + ".bmp";
  ASSERT_TRUE(writeBmpFile(path, img).ok());
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  EXPECT_EQ(file, encodeBmp(img));
}

}  // namespace
}  // namespace velmora::testing

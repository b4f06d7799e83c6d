// The files the writers make, read back by an independent reader (Pillow).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include <unistd.h>

#include "export/image_files.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// 50 × 23: BMP rows are followed by zero bytes and PCX lines by 14 padding pixels.
// (Pillow works out a PCX line's length from the width instead of reading it from the
// header, so it reads only widths whose line of whole 32-bit words it would also choose:
// 50, not 37.) Background, black, colours, and colours one step from the background.
Image testPicture() {
  Image img(50, 23, kWindowBackground);
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) {
      if ((x + y) % 5 == 0) img.at(x, y) = rgb(x * 7, y * 11, 200).packed();
      if (x == y) img.at(x, y) = kBlack.packed();
      if (x == 49 - y) img.at(x, y) = rgb(255, 254, 255).packed();
    }
  return img;
}

std::string run(const std::string& command, int& status) {
  FILE* p = ::popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  size_t n;
  while (p && (n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  status = p ? ::pclose(p) : -1;
  return out;
}

TEST(ReadBack, PillowReadsTheSamePixelsFromBmpPcxAndPng) {
  const fs::path dir = fs::temp_directory_path() / ("velmora-read-back-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const Image img = testPicture();
  ASSERT_TRUE(writeBmpFile((dir / "p.bmp").string(), img).ok());
  ASSERT_TRUE(writePcxFile((dir / "p.pcx").string(), img).ok());
  ASSERT_TRUE(writePngFile((dir / "p.png").string(), img).ok());

  const fs::path script = fs::path(VELMORA_DATA_DIR).parent_path() / "export" / "read_back.py";
  int status = 0;
  const std::string out = run("/usr/bin/python3 " + script.string() + " " + (dir / "p.bmp").string() +
                                  " " + (dir / "p.pcx").string() + " " + (dir / "p.png").string() + " 2>&1",
                              status);
  fs::remove_all(dir);
  ASSERT_EQ(status, 0) << out;

  std::string rgbHex, bits;
  char hex[8];
  for (uint32_t p : img.pixels) {
    std::snprintf(hex, sizeof hex, "%06x", p & 0xFFFFFF);
    rgbHex += hex;
    bits += (p & 0xFFFFFF) == kWindowBackground.packed() ? '1' : '0';
  }
  std::istringstream lines(out);
  std::string line;
  for (const char* header : {"BMP 50 23 RGB", "PCX 50 23 1", "PNG 50 23 RGB"}) {
    ASSERT_TRUE(static_cast<bool>(std::getline(lines, line))) << out;
    EXPECT_EQ(line, header);
    ASSERT_TRUE(static_cast<bool>(std::getline(lines, line))) << out;
    EXPECT_EQ(line, std::string(header).find("PCX") == 0 ? bits : rgbHex) << header;
  }
}

}  // namespace
}  // namespace velmora::testing

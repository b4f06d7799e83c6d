#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <png.h>
#include <unistd.h>

#include "export/png.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// Every pixel differs from its neighbours in all three channels.
Image patterned(int32_t w, int32_t h) {
  Image img(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      img.at(x, y) = rgb(x * 37 + y, y * 11 + 3 * x, (x ^ y) * 5).packed();
  return img;
}

std::vector<std::string> chunkTypes(const std::vector<uint8_t>& png) {
  std::vector<std::string> types;
  for (size_t at = 8; at + 8 <= png.size();) {
    const uint32_t length = (uint32_t{png[at]} << 24) | (uint32_t{png[at + 1]} << 16) |
                            (uint32_t{png[at + 2]} << 8) | png[at + 3];
    types.emplace_back(reinterpret_cast<const char*>(&png[at + 4]), 4);
    at += 12 + length;
  }
  return types;
}

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ImageFileError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(Png, RoundTripsEveryPixelWithFixedBytesAndNoAncillaryChunks) {
  for (auto [w, h] : {std::pair{1, 1}, std::pair{37, 23}, std::pair{300, 2}}) {
    const Image img = patterned(w, h);
    const std::vector<uint8_t> bytes = encodePng(img);
    EXPECT_EQ(encodePng(img), bytes);
    EXPECT_EQ(chunkTypes(bytes), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    const Image back = decodePng(bytes);
    EXPECT_EQ(back.width, w);
    EXPECT_EQ(back.height, h);
    EXPECT_EQ(back.pixels, img.pixels);
  }
  EXPECT_NE(errorOf([] { encodePng(Image()); }).find("empty"), std::string::npos);
}

TEST(Png, ReadsAFileAndNamesItWhenMissingOrDamaged) {
  const fs::path dir = fs::temp_directory_path() / ("velmora-png-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const Image img = patterned(20, 9);
  const std::vector<uint8_t> bytes = encodePng(img);
  const auto save = [&](const std::string& name, size_t size) {
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(size));
    return (dir / name).string();
  };
  EXPECT_EQ(readPng(save("whole.png", bytes.size())).pixels, img.pixels);

  const std::string missing = (dir / "missing.png").string();
  EXPECT_EQ(errorOf([&] { readPng(missing); }),
            "cannot read PNG " + missing + ": No such file or directory");
  const std::string cut = save("cut.png", bytes.size() - 20);
  EXPECT_EQ(errorOf([&] { readPng(cut); }),
            "cannot read PNG " + cut + ": the data ends early or cannot be read");
  std::ofstream(dir / "text.png") << "not a picture at all";
  EXPECT_EQ(errorOf([&] { readPng((dir / "text.png").string()); }),
            "cannot read PNG " + (dir / "text.png").string() + ": Not a PNG file");
  EXPECT_EQ(errorOf([&] { readPng(dir.string()); }),
            "cannot read PNG " + dir.string() + ": Is a directory");
  fs::remove_all(dir);
}

TEST(Png, TransparentPixelsAreComposedOverTheWindowBackground) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 2;
  image.height = 1;
  image.format = PNG_FORMAT_RGBA;
  const uint8_t rgba[] = {10, 20, 30, 255, 10, 20, 30, 0};
  size_t size = 0;
  ASSERT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba, 0, nullptr));
  std::vector<uint8_t> bytes(size);
  ASSERT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba, 0, nullptr));
  const Image back = decodePng(bytes);
  EXPECT_EQ(back.color(0, 0), rgb(10, 20, 30));
  EXPECT_EQ(back.color(1, 0), kWindowBackground);
}

}  // namespace
}  // namespace velmora::testing

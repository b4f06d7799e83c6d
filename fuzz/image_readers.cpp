#include "image_readers.h"

#include "export/bmp.h"
#include "export/pcx.h"

namespace velmora::fuzz {
namespace {

uint32_t u16(const std::vector<uint8_t>& f, size_t at) { return f[at] | (f[at + 1] << 8); }
uint32_t u32(const std::vector<uint8_t>& f, size_t at) {
  return u16(f, at) | (u16(f, at + 2) << 16);
}

}  // namespace

Image readBmp(const std::vector<uint8_t>& f, std::string& error) {
  auto bad = [&](const char* why) {
    error = why;
    return Image();
  };
  if (f.size() < 54) return bad("shorter than the headers");
  if (f[0] != 'B' || f[1] != 'M') return bad("no BM signature");
  if (u32(f, 2) != f.size()) return bad("file size field differs from the size");
  if (u32(f, 6) != 0 || u32(f, 10) != 54) return bad("reserved fields or pixel offset");
  if (u32(f, 14) != 40) return bad("info header size");
  const int32_t w = static_cast<int32_t>(u32(f, 18)), h = static_cast<int32_t>(u32(f, 22));
  if (w <= 0 || h <= 0) return bad("size not positive");
  if (u16(f, 26) != 1 || u16(f, 28) != 32 || u32(f, 30) != 0) return bad("planes, depth or compression");
  const uint64_t imageSize = u32(f, 34);
  if (imageSize != bmpImageSize(w, h) || 54 + imageSize != f.size()) return bad("image size field");
  if (u32(f, 38) != 0 || u32(f, 42) != 0 || u32(f, 46) != 0 || u32(f, 50) != 0)
    return bad("resolution or colour table fields");
  Image image(w, h);
  size_t at = 54;
  for (int32_t y = h - 1; y >= 0; --y)
    for (int32_t x = 0; x < w; ++x, at += 4) {
      if (f[at + 3] != 0) return bad("fourth pixel byte not zero");
      image.at(x, y) = rgb(f[at + 2], f[at + 1], f[at]).packed();
    }
  for (; at < f.size(); ++at)
    if (f[at] != 0) return bad("bytes behind the last row not zero");
  return image;
}

PcxBits readPcx(const std::vector<uint8_t>& f, std::string& error) {
  PcxBits out;
  auto bad = [&](const char* why) {
    error = why;
    return PcxBits();
  };
  if (f.size() < kPcxHeaderSize) return bad("shorter than the header");
  if (f[0] != 10 || f[1] != 5 || f[2] != 1 || f[3] != 1) return bad("manufacturer, version, encoding or depth");
  if (u16(f, 4) != 0 || u16(f, 6) != 0) return bad("window origin");
  out.width = static_cast<int32_t>(u16(f, 8)) + 1;
  out.height = static_cast<int32_t>(u16(f, 10)) + 1;
  if (u16(f, 12) != 640 || u16(f, 14) != 480) return bad("resolution");
  if (f[16] != 0 || f[17] != 0 || f[18] != 0) return bad("colour 0 not black");
  out.background = rgb(f[19], f[20], f[21]);
  for (size_t i = 22; i < 64; ++i)
    if (f[i] != 0) return bad("colour map beyond two entries not zero");
  if (f[64] != 0 || f[65] != 1) return bad("reserved byte or planes");
  const size_t perLine = u16(f, 66);
  if (perLine != pcxBytesPerLine(out.width)) return bad("bytes per line");
  if (u16(f, 68) != 1) return bad("palette info");
  for (size_t i = 70; i < kPcxHeaderSize; ++i)
    if (f[i] != 0) return bad("header filler not zero");
  size_t at = kPcxHeaderSize;
  std::vector<uint8_t> line;
  for (int32_t y = 0; y < out.height; ++y) {
    line.clear();
    while (line.size() < perLine) {
      if (at >= f.size()) return bad("the lines end early");
      uint8_t b = f[at++];
      size_t run = 1;
      if (b >= 0xC0) {
        run = b & 0x3F;
        if (run == 0 || at >= f.size()) return bad("empty run or missing run value");
        b = f[at++];
      }
      if (line.size() + run > perLine) return bad("a run crosses the end of a line");
      line.insert(line.end(), run, b);
    }
    for (size_t x = 0; x < perLine * 8; ++x) {
      const uint8_t bit = (line[x / 8] >> (7 - x % 8)) & 1;
      if (x < static_cast<size_t>(out.width)) out.bits.push_back(bit);
      else if (bit != 1) return bad("padding not background");
    }
  }
  if (at != f.size()) return bad("bytes behind the last line");
  return out;
}

}  // namespace velmora::fuzz

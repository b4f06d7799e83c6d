// The image encoders over arbitrary small images, each read back and compared: BMP and PCX
// with the readers in image_readers.h, PNG with our own decoder, which also gets arbitrary
// bytes as a file. The same arbitrary drawing goes to the raster and the SVG canvas; the
// SVG document must be well-formed UTF-8 XML.
#include <cstdint>
#include <string>
#include <vector>

#include "export/bmp.h"
#include "export/image_error.h"
#include "export/pcx.h"
#include "export/png.h"
#include "fuzz_support.h"
#include "graphics/raster_canvas.h"
#include "graphics/svg_canvas.h"
#include "image_readers.h"

using namespace velmora;

namespace {

Color color(FuzzedDataProvider& data) {
  return rgb(data.ConsumeIntegral<uint8_t>(), data.ConsumeIntegral<uint8_t>(),
             data.ConsumeIntegral<uint8_t>());
}

// A picture of up to 4 colours (so that runs and the background occur), then the bytes.
Image image(FuzzedDataProvider& data, int32_t most, Color second = kWhite) {
  Image im(data.ConsumeIntegralInRange(1, most), data.ConsumeIntegralInRange(1, most));
  const uint32_t palette[4] = {color(data).packed(), second.packed(), color(data).packed(),
                               color(data).packed()};
  for (size_t i = 0; i < im.pixels.size() && data.remaining_bytes() > 0; i += 4) {
    const uint8_t b = data.ConsumeIntegral<uint8_t>();
    for (size_t k = 0; k < 4 && i + k < im.pixels.size(); ++k)
      im.pixels[i + k] = palette[(b >> (2 * k)) & 3];
  }
  return im;
}

void same(const Image& a, const Image& b, const char* what) {
  if (a.width != b.width || a.height != b.height || a.pixels != b.pixels)
    fuzz::fail(std::string(what) + ": the picture read back differs");
}

void bmpRoundTrip(const Image& im) {
  std::string error;
  const Image back = fuzz::readBmp(encodeBmp(im), error);
  if (!error.empty()) fuzz::fail("BMP: " + error);
  same(im, back, "BMP");
}

void pcxRoundTrip(const Image& im, Color background) {
  std::string error;
  const fuzz::PcxBits back = fuzz::readPcx(encodePcx(im, background), error);
  if (!error.empty()) fuzz::fail("PCX: " + error);
  if (back.width != im.width || back.height != im.height || back.background != background)
    fuzz::fail("PCX: size or background differs");
  for (size_t i = 0; i < im.pixels.size(); ++i)
    if (back.bits[i] != (im.pixels[i] == background.packed() ? 1 : 0))
      fuzz::fail("PCX: pixel " + std::to_string(i) + " differs");
}

void pngRoundTrip(const Image& im) { same(im, decodePng(encodePng(im)), "PNG"); }

// A PNG file from the bytes: whatever it holds, the decoder returns an image or throws
// ImageFileError, and what it returns survives our own encoder.
void hostilePng(const std::vector<uint8_t>& bytes) {
  Image im;
  try {
    im = decodePng(bytes);
  } catch (const ImageFileError&) {
    return;
  }
  if (im.width <= 0 || im.height <= 0 ||
      im.pixels.size() != static_cast<size_t>(im.width) * static_cast<size_t>(im.height))
    fuzz::fail("PNG decoder: image size and pixels disagree");
  pngRoundTrip(im);
}

// Whether `doc` is valid UTF-8 holding only characters XML allows, with balanced tags and
// every '&' starting an entity.
std::string xmlProblem(const std::string& doc) {
  std::vector<std::string> open;
  for (size_t i = 0; i < doc.size();) {
    const unsigned char c = static_cast<unsigned char>(doc[i]);
    if (c >= 0x80) {
      const size_t n = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
      if (n == 0 || i + n > doc.size()) return "bad UTF-8 at " + std::to_string(i);
      for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(doc[i + k]) & 0xC0) != 0x80)
          return "bad UTF-8 at " + std::to_string(i);
      i += n;
      continue;
    }
    if (c < 0x20 && c != '\n' && c != '\r' && c != '\t') return "control character at " + std::to_string(i);
    if (c == '&') {
      const size_t end = doc.find(';', i);
      const std::string entity = end == std::string::npos ? "" : doc.substr(i, end - i + 1);
      if (entity != "&amp;" && entity != "&lt;" && entity != "&gt;" && entity != "&quot;" &&
          entity != "&apos;" && entity.rfind("&#", 0) != 0)
        return "bare & at " + std::to_string(i);
    }
    if (c == '>' ) return "bare > at " + std::to_string(i);
    if (c != '<') {
      ++i;
      continue;
    }
    const size_t end = doc.find('>', i);
    if (end == std::string::npos) return "unclosed tag";
    const std::string tag = doc.substr(i + 1, end - i - 1);
    i = end + 1;
    if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
    if (tag.find('<') != std::string::npos) return "< inside a tag";
    if (tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return "mismatched </" + tag.substr(1) + ">";
      open.pop_back();
    } else if (tag.back() != '/') {
      open.push_back(tag.substr(0, tag.find_first_of(" \t\n")));
    }
  }
  return open.empty() ? "" : "unclosed <" + open.back() + ">";
}

int32_t coordinate(FuzzedDataProvider& data, int32_t extent) {
  return data.ConsumeIntegralInRange(0, 15) == 0 ? data.ConsumeIntegralInRange(-100000, 100000)
                                                 : data.ConsumeIntegralInRange(-8, extent + 8);
}

// The same drawing calls on both canvases.
void draw(FuzzedDataProvider& data) {
  const int32_t w = data.ConsumeIntegralInRange(1, 96), h = data.ConsumeIntegralInRange(1, 96);
  RasterCanvas raster(w, h);
  SvgCanvas svg(w, h);
  Canvas* canvases[] = {&raster, &svg};
  for (int step = 0; step < 48 && data.remaining_bytes() > 0; ++step) {
    const int op = data.ConsumeIntegralInRange(0, 11);
    const int32_t x1 = coordinate(data, w), y1 = coordinate(data, h);
    const int32_t x2 = coordinate(data, w), y2 = coordinate(data, h);
    Pen pen{color(data), static_cast<PenStyle>(data.ConsumeIntegralInRange(0, 2)),
            data.ConsumeIntegralInRange(-2, 12)};
    Brush brush{color(data), data.ConsumeBool()};
    FontSpec font{data.ConsumeIntegralInRange(-80, 80), data.ConsumeBool() ? 700 : 400,
                  data.ConsumeBool()};
    const std::string text = op == 10 ? data.ConsumeRandomLengthString(16) : std::string();
    const Image picture = op == 11 ? image(data, 12) : Image();
    for (Canvas* c : canvases) {
      switch (op) {
        case 0: c->setPen(pen); break;
        case 1: c->setBrush(brush); break;
        case 2: c->setFont(font); break;
        case 3: c->setTextColor(pen.color); c->setBackgroundColor(brush.color); break;
        case 4: c->setBackgroundMode(brush.hollow ? BackgroundMode::kOpaque : BackgroundMode::kTransparent); break;
        case 5: c->moveTo(x1, y1); c->lineTo(x2, y2); break;
        case 6: c->rectangle(x1, y1, x2, y2); break;
        case 7: c->ellipse(x1, y1, x2, y2); break;
        case 8: c->fillRect(Rect{x1, y1, x2, y2}, brush.color); break;
        case 9: c->setPixel(x1, y1, pen.color); break;
        case 10: c->textOut(x1, y1, text); c->textExtent(text); break;
        case 11: c->drawImage(x1, y1, picture); break;
      }
    }
  }
  const std::string problem = xmlProblem(svg.document());
  if (!problem.empty()) fuzz::fail("SVG: " + problem);
  const Image& im = raster.image();
  bmpRoundTrip(im);
  pngRoundTrip(im);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  switch (data.ConsumeIntegralInRange(0, 5)) {
    case 0: bmpRoundTrip(image(data, 48)); break;
    case 1: {
      const Color background = data.ConsumeBool() ? kWhite : color(data);
      pcxRoundTrip(image(data, 70, background), background);
      break;
    }
    case 2: pngRoundTrip(image(data, 48)); break;
    case 3:
    case 4: hostilePng(data.ConsumeRemainingBytes<uint8_t>()); break;
    case 5: draw(data); break;
  }
  return 0;
}

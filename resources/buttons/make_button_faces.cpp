// Draws the five button faces of the main window (144 × 32 pixels each) on the raster
// canvas and writes them as PNG files, so that anyone can regenerate them:
//
//   velmora-button-faces DIR           writes the faces into DIR
//   velmora-button-faces --check DIR   exit status 0 when the faces in DIR show exactly
//                                      what this program draws, 1 otherwise
//
// Each face is a raised light-grey button with a one-pixel dark outline, a white upper-left
// bevel and a grey lower-right one, and a small symbol followed by a bold label, centred.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "export/png.h"
#include "graphics/raster_canvas.h"

namespace {

using namespace velmora;

constexpr int32_t kWidth = 144;
constexpr int32_t kHeight = 32;

constexpr Color kFace = rgb(232, 234, 238);
constexpr Color kOutline = rgb(112, 116, 124);
constexpr Color kLight = rgb(255, 255, 255);
constexpr Color kShade = rgb(150, 154, 162);
constexpr Color kLabel = rgb(24, 24, 28);

enum class Symbol { kPlay, kCross, kBack, kChecked, kEmpty };

struct FaceDesign {
  const char* file;
  const char* label;
  Symbol symbol;
  Color colour;
};

// The faces, by the file names start-up reads.
const FaceDesign kFaces[] = {
    {"start.png", "Start", Symbol::kPlay, rgb(40, 150, 60)},
    {"exit.png", "Exit", Symbol::kCross, rgb(200, 50, 40)},
    {"back.png", "Back", Symbol::kBack, rgb(40, 90, 190)},
    {"select_all.png", "Select all", Symbol::kChecked, rgb(40, 90, 190)},
    {"clear_all.png", "Clear all", Symbol::kEmpty, rgb(40, 90, 190)},
};

constexpr int32_t kSymbolSize = 12;
constexpr int32_t kSymbolGap = 8;

void line(Canvas& c, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  c.moveTo(x0, y0);
  c.lineTo(x1, y1);
}

// The symbol in a kSymbolSize square whose top-left corner is (x, y).
void drawSymbol(Canvas& c, Symbol symbol, Color colour, int32_t x, int32_t y) {
  const int32_t s = kSymbolSize;
  const Pen thin{colour, PenStyle::kSolid, 1};
  const Pen thick{colour, PenStyle::kSolid, 2};
  switch (symbol) {
    case Symbol::kPlay:  // triangles, filled row by row
    case Symbol::kBack:
      c.setPen(thin);
      for (int32_t k = 0; k <= s; ++k) {
        const int32_t width = 1 + (s / 2 - std::abs(k - s / 2)) * (s - 2) / (s / 2);
        if (symbol == Symbol::kPlay)
          line(c, x + 1, y + k, x + 1 + width, y + k);
        else
          line(c, x + s - width, y + k, x + s, y + k);
      }
      break;
    case Symbol::kCross:
      c.setPen(thick);
      line(c, x + 1, y + 1, x + s, y + s);
      line(c, x + s - 1, y + 1, x, y + s);
      break;
    case Symbol::kChecked:
    case Symbol::kEmpty:
      c.setPen(Pen{kOutline});
      c.setBrush(Brush{kLight, false});
      c.rectangle(x, y, x + s + 1, y + s + 1);
      if (symbol == Symbol::kChecked) {
        c.setPen(thick);
        line(c, x + 3, y + 6, x + 5, y + 9);
        line(c, x + 5, y + 9, x + 10, y + 3);
      }
      break;
  }
  c.setPen(Pen{});
  c.setBrush(Brush{});
}

Image drawFace(const FaceDesign& face) {
  RasterCanvas c(kWidth, kHeight);
  c.fillRect(Rect{0, 0, kWidth, kHeight}, kFace);
  // Bevel: white along the top and left inside the outline, grey along the bottom and
  // right, two pixels each way.
  for (int32_t k = 1; k <= 2; ++k) {
    c.setPen(Pen{kLight});
    line(c, k, kHeight - 1 - k, k, k);
    line(c, k, k, kWidth - k, k);
    c.setPen(Pen{kShade});
    line(c, kWidth - 1 - k, k, kWidth - 1 - k, kHeight - k);
    line(c, k, kHeight - 1 - k, kWidth - k, kHeight - 1 - k);
  }
  c.setPen(Pen{kOutline});
  c.setBrush(Brush{kWhite, true});
  c.rectangle(0, 0, kWidth, kHeight);
  c.setPen(Pen{});
  c.setBrush(Brush{});

  c.setFont(FontSpec{16, 700, false});
  c.setBackgroundMode(BackgroundMode::kTransparent);
  c.setTextColor(kLabel);
  const Size text = c.textExtent(face.label);
  const int32_t total = kSymbolSize + kSymbolGap + text.cx;
  const int32_t left = (kWidth - total) / 2;
  drawSymbol(c, face.symbol, face.colour, left, (kHeight - kSymbolSize) / 2 - 1);
  c.textOut(left + kSymbolSize + kSymbolGap, (kHeight - text.cy) / 2, face.label);
  return c.takeImage();
}

int write(const std::string& dir) {
  for (const FaceDesign& face : kFaces) {
    const std::string path = dir + "/" + face.file;
    const std::vector<uint8_t> bytes = encodePng(drawFace(face));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "velmora-button-faces: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}

int check(const std::string& dir) {
  int status = 0;
  for (const FaceDesign& face : kFaces) {
    const std::string path = dir + "/" + face.file;
    try {
      const Image stored = readPng(path);
      const Image drawn = drawFace(face);
      if (stored.width != drawn.width || stored.height != drawn.height ||
          stored.pixels != drawn.pixels) {
        std::fprintf(stderr, "velmora-button-faces: %s differs from what is drawn now\n",
                     path.c_str());
        status = 1;
      }
    } catch (const ImageFileError& e) {
      std::fprintf(stderr, "velmora-button-faces: %s\n", e.what());
      status = 1;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string fonts = loadFonts();
  if (!fonts.empty()) {
    std::fprintf(stderr, "velmora-button-faces: %s\n", fonts.c_str());
    return 1;
  }
  if (argc == 2 && std::strcmp(argv[1], "--check") != 0) return write(argv[1]);
  if (argc == 3 && std::strcmp(argv[1], "--check") == 0) return check(argv[2]);
  std::fprintf(stderr, "usage: velmora-button-faces DIR | --check DIR\n");
  return 2;
}

#include "graphics/raster_canvas.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velmora::testing {
namespace {

constexpr Color kRed = rgb(255, 0, 0);

using Pixels = std::set<std::pair<int, int>>;

// The pixels that are not white.
Pixels inked(const RasterCanvas& c) {
  Pixels out;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) {
      if (c.getPixel(x, y) != kWhite) out.insert({x, y});
    }
  }
  return out;
}

// The image as rows of characters: '.' white, '#' black, 'r' red, '?' anything else.
std::string art(const RasterCanvas& c) {
  std::string out;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) {
      Color p = c.getPixel(x, y);
      out += p == kWhite ? '.' : p == kBlack ? '#' : p == kRed ? 'r' : '?';
    }
    out += '\n';
  }
  return out;
}

Pixels line(int x0, int y0, int x1, int y1, Pen pen = Pen{}) {
  RasterCanvas c(30, 30);
  c.setPen(pen);
  c.moveTo(x0, y0);
  c.lineTo(x1, y1);
  return inked(c);
}

TEST(RasterCanvasLine, EveryOctantStepsFromTheStartAndExcludesTheEnd) {
  // From (10, 10) into each octant: Bresenham, halves to the smaller coordinate.
  EXPECT_EQ(line(10, 10, 15, 12), (Pixels{{10, 10}, {11, 10}, {12, 11}, {13, 11}, {14, 12}}));
  EXPECT_EQ(line(10, 10, 12, 15), (Pixels{{10, 10}, {10, 11}, {11, 12}, {11, 13}, {12, 14}}));
  EXPECT_EQ(line(10, 10, 8, 15), (Pixels{{10, 10}, {10, 11}, {9, 12}, {9, 13}, {8, 14}}));
  EXPECT_EQ(line(10, 10, 5, 12), (Pixels{{10, 10}, {9, 10}, {8, 11}, {7, 11}, {6, 12}}));
  EXPECT_EQ(line(10, 10, 5, 8), (Pixels{{10, 10}, {9, 10}, {8, 9}, {7, 9}, {6, 8}}));
  EXPECT_EQ(line(10, 10, 8, 5), (Pixels{{10, 10}, {10, 9}, {9, 8}, {9, 7}, {8, 6}}));
  EXPECT_EQ(line(10, 10, 12, 5), (Pixels{{10, 10}, {10, 9}, {11, 8}, {11, 7}, {12, 6}}));
  EXPECT_EQ(line(10, 10, 15, 8), (Pixels{{10, 10}, {11, 10}, {12, 9}, {13, 9}, {14, 8}}));
  // Axis-parallel and diagonal lines, both ways.
  EXPECT_EQ(line(10, 10, 14, 10), (Pixels{{10, 10}, {11, 10}, {12, 10}, {13, 10}}));
  EXPECT_EQ(line(14, 10, 10, 10), (Pixels{{14, 10}, {13, 10}, {12, 10}, {11, 10}}));
  EXPECT_EQ(line(10, 10, 10, 7), (Pixels{{10, 10}, {10, 9}, {10, 8}}));
  EXPECT_EQ(line(10, 10, 13, 13), (Pixels{{10, 10}, {11, 11}, {12, 12}}));
  EXPECT_EQ(line(13, 13, 10, 10), (Pixels{{13, 13}, {12, 12}, {11, 11}}));
  // One step draws only the start; zero length draws nothing.
  EXPECT_EQ(line(10, 10, 11, 11), (Pixels{{10, 10}}));
  EXPECT_EQ(line(10, 10, 10, 10), Pixels{});
}

TEST(RasterCanvasLine, ReversedLineCoversTheSamePixelsExceptItsEnds) {
  // (2, 0.5) is a tie; both directions take y = 0 there.
  EXPECT_EQ(line(0, 0, 4, 1), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
  EXPECT_EQ(line(4, 1, 0, 0), (Pixels{{4, 1}, {3, 1}, {2, 0}, {1, 0}}));
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> coord(0, 29);
  for (int i = 0; i < 300; ++i) {
    int x0 = coord(gen), y0 = coord(gen), x1 = coord(gen), y1 = coord(gen);
    Pixels forward = line(x0, y0, x1, y1);
    Pixels backward = line(x1, y1, x0, y0);
    forward.erase({x0, y0});
    backward.erase({x1, y1});
    ASSERT_EQ(forward, backward) << x0 << "," << y0 << " " << x1 << "," << y1;
  }
}

TEST(RasterCanvasLine, CurrentPositionAndNullPen) {
  RasterCanvas c(10, 10);
  EXPECT_EQ(c.moveTo(2, 3), (Point{0, 0}));
  c.setPen(Pen{kBlack, PenStyle::kNull, 1});
  c.lineTo(8, 3);  // moves without drawing
  EXPECT_EQ(inked(c), Pixels{});
  c.setPen(Pen{});
  c.lineTo(8, 6);
  EXPECT_EQ(inked(c), (Pixels{{8, 3}, {8, 4}, {8, 5}}));
  EXPECT_EQ(c.moveTo(0, 0), (Point{8, 6}));
}

TEST(RasterCanvasLine, DottedPenSetsEverySecondPixelFromTheStart) {
  const Pen dot{kBlack, PenStyle::kDot, 1};
  EXPECT_EQ(line(0, 0, 7, 0, dot), (Pixels{{0, 0}, {2, 0}, {4, 0}, {6, 0}}));
  EXPECT_EQ(line(7, 0, 0, 0, dot), (Pixels{{7, 0}, {5, 0}, {3, 0}, {1, 0}}));
  EXPECT_EQ(line(3, 3, 3, 8, dot), (Pixels{{3, 3}, {3, 5}, {3, 7}}));
  // Counted from the true start when the start is clipped away.
  EXPECT_EQ(line(-3, 0, 6, 0, dot), (Pixels{{1, 0}, {3, 0}, {5, 0}}));
  // A wide dotted pen draws solid.
  EXPECT_EQ(line(2, 5, 5, 5, Pen{kBlack, PenStyle::kDot, 2}).size(), 8u);
}

TEST(RasterCanvasLine, WidePenStampsADiscOnEveryPathPixel) {
  RasterCanvas c(8, 10);
  c.setPen(Pen{kBlack, PenStyle::kSolid, 3});
  c.moveTo(0, 5);
  c.lineTo(4, 5);  // path 0..3, each stamped 3 × 3
  EXPECT_EQ(art(c),
            "........\n"
            "........\n"
            "........\n"
            "........\n"
            "#####...\n"
            "#####...\n"
            "#####...\n"
            "........\n"
            "........\n"
            "........\n");
  RasterCanvas d(7, 7);
  d.setPen(Pen{kBlack, PenStyle::kSolid, 5});
  d.moveTo(3, 3);
  d.lineTo(3, 4);  // a single stamp: the disc of diameter 5
  EXPECT_EQ(art(d),
            ".......\n"
            "..###..\n"
            ".#####.\n"
            ".#####.\n"
            ".#####.\n"
            "..###..\n"
            ".......\n");
  // Width 0 and negative widths draw as 1.
  EXPECT_EQ(line(1, 1, 4, 1, Pen{kBlack, PenStyle::kSolid, 0}), (Pixels{{1, 1}, {2, 1}, {3, 1}}));
}

// Lines, rectangles and ellipses drawn on a small canvas must match the same drawing on a
// canvas large enough to need no clipping, cut to the small one.
TEST(RasterCanvasClip, ClippedDrawingMatchesTheUnclippedOne) {
  constexpr int kW = 23, kH = 17, kOff = 120;
  std::mt19937 gen(11);
  std::uniform_int_distribution<int> coord(-60, 80);
  std::uniform_int_distribution<int> kind(0, 5);
  for (int i = 0; i < 400; ++i) {
    RasterCanvas small(kW, kH);
    RasterCanvas big(kW + 2 * kOff, kH + 2 * kOff);
    // The same surface cut by a clip rectangle of the small one's place.
    RasterCanvas clipped(kW + 2 * kOff, kH + 2 * kOff);
    clipped.setClipRect(Rect{kOff, kOff, kOff + kW, kOff + kH});
    int x0 = coord(gen), y0 = coord(gen), x1 = coord(gen), y1 = coord(gen);
    int k = kind(gen);
    Pen pen{kBlack, k == 1 ? PenStyle::kDot : PenStyle::kSolid, k >= 4 ? k - 2 : 1};
    for (RasterCanvas* c : {&small, &big, &clipped}) {
      int o = c == &small ? 0 : kOff;
      c->setPen(pen);
      c->setBrush(Brush{kRed, false});
      if (k == 2) {
        c->rectangle(x0 + o, y0 + o, x1 + o, y1 + o);
      } else if (k == 3) {
        c->ellipse(x0 + o, y0 + o, x1 + o, y1 + o);
      } else {
        c->moveTo(x0 + o, y0 + o);
        c->lineTo(x1 + o, y1 + o);
      }
    }
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        ASSERT_EQ(small.getPixel(x, y), big.getPixel(x + kOff, y + kOff))
            << "case " << i << " kind " << k << " at " << x << "," << y;
      }
    }
    for (int y = 0; y < clipped.height(); ++y) {
      for (int x = 0; x < clipped.width(); ++x) {
        const bool inside = x >= kOff && x < kOff + kW && y >= kOff && y < kOff + kH;
        ASSERT_EQ(clipped.getPixel(x, y), inside ? big.getPixel(x, y) : kWhite)
            << "case " << i << " kind " << k << " at " << x << "," << y;
      }
    }
  }
}

// At a device pixel ratio every shape is the shape of ratio 1 blown up: logical pixel x
// covers device pixels floor(x·r) .. floor((x + 1)·r) − 1. Text keeps its logical
// metrics, and its glyphs stay inside the scaled cell.
TEST(RasterCanvasRatio, ShapesScaleExactlyAndTextKeepsItsLayout) {
  std::mt19937 gen(5);
  std::uniform_int_distribution<int> coord(-10, 40);
  std::uniform_int_distribution<int> kind(0, 4);
  for (double ratio : {1.25, 1.5, 2.0}) {
    const int64_t milli = pixelRatioMilli(ratio);
    auto logical = [&](int64_t d) {
      int64_t v = d * 1000 / milli;
      while ((v + 1) * milli / 1000 <= d) ++v;
      return static_cast<int>(v);
    };
    for (int i = 0; i < 60; ++i) {
      RasterCanvas plain(31, 29);
      RasterCanvas scaled(31, 29, kDefaultWindowFontHeight, ratio);
      ASSERT_EQ(scaled.image().width, 31 * milli / 1000);
      const int k = kind(gen);
      const int x0 = coord(gen), y0 = coord(gen), x1 = coord(gen), y1 = coord(gen);
      for (RasterCanvas* c : {&plain, &scaled}) {
        c->setPen(Pen{kBlack, k == 1 ? PenStyle::kDot : PenStyle::kSolid, k == 4 ? 3 : 1});
        c->setBrush(Brush{kRed, false});
        c->setClipRect(Rect{2, 3, 27, 26});
        if (k == 2) {
          c->rectangle(x0, y0, x1, y1);
        } else if (k == 3) {
          c->ellipse(x0, y0, x1, y1);
        } else {
          c->moveTo(x0, y0);
          c->lineTo(x1, y1);
        }
      }
      const Image& big = scaled.image();
      for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x)
          ASSERT_EQ(big.color(x, y), plain.getPixel(logical(x), logical(y)))
              << ratio << " case " << i << " kind " << k << " at " << x << "," << y;
    }

    RasterCanvas plain(200, 40);
    RasterCanvas scaled(200, 40, kDefaultWindowFontHeight, ratio);
    const std::string text = "Restore Error 1233190.";
    EXPECT_EQ(scaled.textExtent(text), plain.textExtent(text));
    EXPECT_EQ(scaled.textMetrics().height, plain.textMetrics().height);
    scaled.setBackgroundMode(BackgroundMode::kTransparent);
    scaled.textOut(10, 12, text);
    const Size cell = plain.textExtent(text);
    int ink = 0;
    const Image& big = scaled.image();
    for (int y = 0; y < big.height; ++y)
      for (int x = 0; x < big.width; ++x)
        if (big.color(x, y) != kWhite) {
          ++ink;
          EXPECT_TRUE(logical(x) >= 10 && logical(x) < 10 + cell.cx && logical(y) >= 12 &&
                      logical(y) < 12 + cell.cy)
              << ratio << " ink at " << x << "," << y;
        }
    EXPECT_GT(ink, 0);
  }
}

// Images are scaled smoothly: between a black and a white pixel the device pixels of a
// doubled image step through greys, and the corners keep the image's own colours.
TEST(RasterCanvasRatio, ImagesScaleSmoothly) {
  Image two(2, 1, kWhite);
  two.at(0, 0) = kBlack.packed();
  RasterCanvas c(4, 2, kDefaultWindowFontHeight, 2.0);
  c.drawImage(1, 1, two);
  const Image& big = c.image();
  std::vector<uint32_t> row;
  for (int x = 2; x < 6; ++x) row.push_back(big.at(x, 2) & 0xFF);
  EXPECT_EQ(row, (std::vector<uint32_t>{0, 64, 191, 255}));
  EXPECT_EQ(big.at(2, 3), big.at(2, 2));
  EXPECT_EQ(big.at(1, 2), kWhite.packed());  // outside the image
}

TEST(RasterCanvasClip, FarOutCoordinatesDrawOnlyTheVisiblePart) {
  RasterCanvas c(20, 20);
  c.moveTo(-2000000000, -2000000000);
  c.lineTo(2000000000, 2000000000);
  Pixels diagonal;
  for (int i = 0; i < 20; ++i) diagonal.insert({i, i});
  EXPECT_EQ(inked(c), diagonal);

  // Lines spanning the whole 32-bit range in every direction, shapes around the canvas.
  RasterCanvas d(16, 16);
  d.moveTo(INT_MIN, 5);
  d.lineTo(INT_MAX, 6);
  d.lineTo(INT_MIN, INT_MIN);
  d.lineTo(INT_MAX, INT_MIN);
  d.setPen(Pen{kBlack, PenStyle::kSolid, kMaxPenWidth + 100});
  d.lineTo(3, INT_MAX);
  d.setBrush(Brush{kRed, false});
  d.setPen(Pen{});
  d.rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_EQ(d.getPixel(0, 0), kRed);
  EXPECT_EQ(d.getPixel(15, 15), kRed);
  d.setBrush(Brush{kBlack, false});
  d.ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);  // the canvas lies inside, near the centre
  EXPECT_EQ(inked(d).size(), 256u);
  EXPECT_EQ(d.getPixel(7, 7), kBlack);
  d.ellipse(INT_MAX, INT_MAX, INT_MIN, -5);
  // A flat ellipse 2^32 − 1 pixels wide: near its centre the bottom row is outline, the
  // rows above are inside.
  RasterCanvas flat(4, 8);
  flat.setBrush(Brush{kRed, false});
  flat.ellipse(INT_MIN, -8, INT_MAX, 6);
  EXPECT_EQ(art(flat), "rrrr\nrrrr\nrrrr\nrrrr\nrrrr\n####\n....\n....\n");
  d.fillRect(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kRed);
  EXPECT_EQ(d.getPixel(8, 8), kRed);
  d.textOut(INT_MAX - 3, INT_MIN, "far away");
  d.drawImage(INT_MIN, INT_MAX, Image(3, 3, kBlack));
  EXPECT_EQ(d.getPixel(-1, 3), kWhite);  // outside: the background colour
}

TEST(RasterCanvasRectangle, OutlineAndFillCoverLeftToRightMinusOne) {
  RasterCanvas c(8, 6);
  c.setBrush(Brush{kRed, false});
  c.rectangle(1, 1, 6, 5);
  EXPECT_EQ(art(c),
            "........\n"
            ".#####..\n"
            ".#rrr#..\n"
            ".#rrr#..\n"
            ".#####..\n"
            "........\n");
  // Corners in any order.
  RasterCanvas swapped(8, 6);
  swapped.setBrush(Brush{kRed, false});
  swapped.rectangle(6, 5, 1, 1);
  EXPECT_EQ(art(swapped), art(c));

  RasterCanvas noPen(8, 6);
  noPen.setPen(Pen{kBlack, PenStyle::kNull, 1});
  noPen.setBrush(Brush{kRed, false});
  noPen.rectangle(1, 1, 6, 5);  // one pixel smaller: 1..4 × 1..3
  EXPECT_EQ(art(noPen),
            "........\n"
            ".rrrr...\n"
            ".rrrr...\n"
            ".rrrr...\n"
            "........\n"
            "........\n");

  RasterCanvas hollow(8, 6);
  hollow.setBrush(Brush{kRed, true});
  hollow.rectangle(1, 1, 6, 5);
  EXPECT_EQ(art(hollow),
            "........\n"
            ".#####..\n"
            ".#...#..\n"
            ".#...#..\n"
            ".#####..\n"
            "........\n");

  RasterCanvas dotted(8, 6);
  dotted.setPen(Pen{kBlack, PenStyle::kDot, 1});
  dotted.setBrush(Brush{kRed, true});
  dotted.rectangle(0, 0, 7, 5);
  EXPECT_EQ(art(dotted),
            "#.#.#.#.\n"
            "........\n"
            "#.....#.\n"
            "........\n"
            "#.#.#.#.\n"
            "........\n");
}

TEST(RasterCanvasRectangle, DegenerateBoxes) {
  RasterCanvas c(6, 6);
  c.rectangle(2, 2, 2, 5);  // no width
  c.rectangle(2, 2, 5, 2);  // no height
  EXPECT_EQ(inked(c), Pixels{});
  c.rectangle(2, 2, 3, 3);
  EXPECT_EQ(inked(c), (Pixels{{2, 2}}));
  c.setPen(Pen{kBlack, PenStyle::kNull, 1});
  c.rectangle(4, 4, 5, 5);  // one pixel less than one pixel: nothing
  EXPECT_EQ(inked(c), (Pixels{{2, 2}}));
}

TEST(RasterCanvasFill, FillRectIgnoresPenAndBrush) {
  RasterCanvas c(5, 4);
  c.setPen(Pen{kBlack, PenStyle::kSolid, 5});
  c.fillRect(Rect{1, 1, 4, 3}, kRed);
  c.fillRect(Rect{3, 0, 2, 4}, kBlack);  // right < left: nothing
  EXPECT_EQ(art(c),
            ".....\n"
            ".rrr.\n"
            ".rrr.\n"
            ".....\n");
}

TEST(RasterCanvasEllipse, PixelsWhoseCentresLieInsideTheInscribedEllipse) {
  RasterCanvas c(8, 4);
  c.setBrush(Brush{kRed, false});
  c.ellipse(0, 0, 7, 3);
  EXPECT_EQ(art(c),
            ".#####..\n"
            "#rrrrr#.\n"
            ".#####..\n"
            "........\n");

  RasterCanvas round(6, 6);
  round.setBrush(Brush{kRed, false});
  round.ellipse(0, 0, 5, 5);
  EXPECT_EQ(art(round),
            ".###..\n"
            "#rrr#.\n"
            "#rrr#.\n"
            "#rrr#.\n"
            ".###..\n"
            "......\n");

  // No pen: the box shrinks by one pixel and the brush fills the whole shape.
  RasterCanvas noPen(6, 6);
  noPen.setPen(Pen{kBlack, PenStyle::kNull, 1});
  noPen.setBrush(Brush{kRed, false});
  noPen.ellipse(0, 0, 6, 6);
  EXPECT_EQ(art(noPen),
            ".rrr..\n"
            "rrrrr.\n"
            "rrrrr.\n"
            "rrrrr.\n"
            ".rrr..\n"
            "......\n");

  RasterCanvas hollow(6, 6);
  hollow.setBrush(Brush{kRed, true});
  hollow.ellipse(5, 5, 0, 0);  // corners in any order
  EXPECT_EQ(art(hollow),
            ".###..\n"
            "#...#.\n"
            "#...#.\n"
            "#...#.\n"
            ".###..\n"
            "......\n");
}

TEST(RasterCanvasEllipse, OutlineEnclosesTheInsideAndTouchesTheBox) {
  for (auto box : std::vector<std::array<int, 4>>{{0, 0, 40, 25}, {0, 0, 9, 30}, {0, 0, 31, 31}}) {
    RasterCanvas c(box[2] + 1, box[3] + 1);
    c.setBrush(Brush{kRed, false});
    c.ellipse(box[0], box[1], box[2], box[3]);
    for (int y = 0; y < c.height(); ++y) {
      for (int x = 0; x < c.width(); ++x) {
        if (c.getPixel(x, y) != kRed) continue;
        // Red pixels never touch white ones: the outline separates them.
        for (auto [dx, dy] : std::vector<std::pair<int, int>>{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          ASSERT_NE(c.getPixel(x + dx, y + dy), kWhite) << x << "," << y;
        }
      }
    }
    // It touches all four sides of its box.
    bool left = false, right = false, top = false, bottom = false;
    for (auto [x, y] : inked(c)) {
      left |= x == box[0];
      right |= x == box[2] - 1;
      top |= y == box[1];
      bottom |= y == box[3] - 1;
    }
    EXPECT_TRUE(left && right && top && bottom);
  }
}

TEST(RasterCanvasImage, DrawImageCopiesClippedToTheSurface) {
  Image src(3, 2, kRed);
  src.at(0, 0) = kBlack.packed();
  RasterCanvas c(4, 3);
  c.drawImage(2, 1, src);
  c.drawImage(-2, -1, src);  // only its last column of the second row shows
  EXPECT_EQ(art(c),
            "r...\n"
            "..#r\n"
            "..rr\n");
  Image broken;
  broken.width = 5;
  broken.height = 5;  // no pixels behind it
  c.drawImage(0, 0, broken);
  EXPECT_EQ(c.getPixel(0, 0), kRed);
}

TEST(RasterCanvasImage, SizesAndTakingTheImage) {
  RasterCanvas c(3, 2);
  c.setPixel(2, 1, kRed);
  c.setPixel(3, 1, kRed);  // outside: ignored
  Image out = c.takeImage();
  EXPECT_EQ(out.width, 3);
  EXPECT_EQ(out.color(2, 1), kRed);
  EXPECT_EQ(c.width(), 0);
  c.lineTo(5, 5);  // drawing on the emptied canvas is harmless
  EXPECT_EQ(RasterCanvas(-4, kMaxCanvasSize + 1).width(), 0);
  EXPECT_EQ(RasterCanvas(1, kMaxCanvasSize + 1).height(), kMaxCanvasSize);
}

TEST(RasterCanvasState, FreshCanvasHasTheDefaultsAndSettersReturnThePrevious) {
  RasterCanvas c(4, 4);
  EXPECT_EQ(c.setPen(Pen{kRed, PenStyle::kDot, 1}), Pen{});
  EXPECT_EQ(c.setBrush(Brush{kRed, true}), Brush{});
  EXPECT_EQ(c.setFont(FontSpec{20, 700, true}), FontSpec{});
  EXPECT_EQ(c.setTextColor(kRed), kBlack);
  EXPECT_EQ(c.setBackgroundColor(kBlack), kWhite);
  EXPECT_EQ(c.setBackgroundMode(BackgroundMode::kTransparent), BackgroundMode::kOpaque);
  EXPECT_EQ(c.getPixel(0, 0), kWhite);
  EXPECT_EQ(c.getPixel(-1, 0), kBlack);  // the background colour outside
}

}  // namespace
}  // namespace velmora::testing

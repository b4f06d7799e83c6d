#include "graphics/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <set>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/resource_dir.h"
#include "graphics/raster_canvas.h"

namespace velmora::testing {
namespace {

constexpr Color kRed = rgb(255, 0, 0);

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
};

Box inkBox(const RasterCanvas& c, Color ink = kBlack) {
  Box b;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) {
      if (c.getPixel(x, y) != ink) continue;
      b.left = std::min(b.left, x);
      b.right = std::max(b.right, x);
      b.top = std::min(b.top, y);
      b.bottom = std::max(b.bottom, y);
    }
  }
  return b;
}

RasterCanvas textCanvas(const FontSpec& font, int x, int y, const std::string& text,
                        int width = 160, int height = 40) {
  RasterCanvas c(width, height);
  c.setFont(font);
  c.setBackgroundMode(BackgroundMode::kTransparent);
  c.textOut(x, y, text);
  return c;
}

TEST(Fonts, TheShippedFontLoads) {
  EXPECT_EQ(loadFonts(), "");
  EXPECT_EQ(checkFontFolder(resourceDir() + "/fonts"), "");
}

TEST(Fonts, MissingOrBrokenFilesAreReportedNotFatal) {
  std::string missing = checkFontFolder("/nonexistent/fonts");
  EXPECT_NE(missing.find("/nonexistent/fonts/DejaVuSansCondensed.ttf"), std::string::npos) << missing;

  std::string dir = ::testing::TempDir() + "velmora_bad_fonts";
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/DejaVuSansCondensed.ttf") << "this is not a font";
  std::string broken = checkFontFolder(dir);
  EXPECT_NE(broken.find("is not a font"), std::string::npos) << broken;
}

TEST(FontMetrics, HeightsFollowTheCellAndCharacterConventions) {
  // DejaVu Sans Condensed: 2048 units per em, Windows ascent 1901 and descent 483, no line gap.
  TextMetrics window = resolveFont(FontSpec{}, kDefaultWindowFontHeight).metrics;
  EXPECT_EQ(window.height, 14);
  EXPECT_EQ(window.ascent, 11);  // 1901 × 14 / 2384 = 11.16
  EXPECT_EQ(window.descent, 3);
  EXPECT_EQ(window.internalLeading, 2);  // the em is 14 × 2048 / 2384 = 12.03
  EXPECT_EQ(window.externalLeading, 0);

  TextMetrics chars = resolveFont(FontSpec{-20, 400, false}, 14).metrics;
  EXPECT_EQ(chars.height, 23);  // 2384 × 20 / 2048 = 23.28
  EXPECT_EQ(chars.ascent, 19);  // 1901 × 20 / 2048 = 18.56
  EXPECT_EQ(chars.descent, 4);
  EXPECT_EQ(chars.internalLeading, 3);

  for (int h : {1, 8, 13, 16, 37, 200}) {
    TextMetrics m = resolveFont(FontSpec{h, 400, false}, 14).metrics;
    EXPECT_EQ(m.height, h);
    EXPECT_EQ(m.ascent + m.descent, h);
    EXPECT_GE(m.maxCharWidth, m.aveCharWidth);
  }
  // The window font follows the size the canvas was made with.
  RasterCanvas hidpi(10, 10, 2 * kDefaultWindowFontHeight);
  EXPECT_EQ(hidpi.textMetrics().height, 28);
  // Absurd heights are limited, not fatal.
  EXPECT_EQ(resolveFont(FontSpec{INT_MAX, 400, false}, 14).metrics.height, kMaxFontHeight);
  EXPECT_GT(resolveFont(FontSpec{INT_MIN, 400, false}, 14).metrics.height, kMaxFontHeight);
}

TEST(FontMetrics, WidthsAreTheAdvancesOfTheGlyphsDrawn) {
  RasterCanvas c(10, 10);
  TextMetrics m = c.textMetrics();
  EXPECT_EQ(m.aveCharWidth, c.textExtent("x").cx);
  for (const char* s : {"W", "m", "Ж", "%"}) EXPECT_LE(c.textExtent(s).cx, m.maxCharWidth) << s;
  EXPECT_EQ(c.textExtent("").cx, 0);
  EXPECT_EQ(c.textExtent("").cy, m.height);
  Size whole = c.textExtent(" series length: ");
  int sum = 0;
  for (char ch : std::string(" series length: ")) sum += c.textExtent(std::string(1, ch)).cx;
  EXPECT_EQ(whole.cx, sum);
  EXPECT_EQ(whole.cy, m.height);
  // Bold is wider.
  c.setFont(FontSpec{0, 700, false});
  EXPECT_GT(c.textExtent("Series").cx, RasterCanvas(1, 1).textExtent("Series").cx);
}

TEST(Text, DrawnFromTheTopLeftOfItsCellOnTheBaselineAtTheAscent) {
  const int ascent = resolveFont(FontSpec{}, kDefaultWindowFontHeight).metrics.ascent;
  RasterCanvas c = textCanvas(FontSpec{}, 5, 7, "H");
  Box h = inkBox(c);
  EXPECT_EQ(h.bottom, 7 + ascent - 1);  // the H stands on the baseline
  EXPECT_EQ(h.top, 9);                  // cap height 1493 units = 8.8 px: 9 rows
  EXPECT_EQ(h.left, 6);                 // left side bearing 201 units = 1.2 px
  // Descenders go below the baseline, within the cell.
  Box g = inkBox(textCanvas(FontSpec{}, 5, 7, "g"));
  EXPECT_GT(g.bottom, 7 + ascent - 1);
  EXPECT_LT(g.bottom, 7 + resolveFont(FontSpec{}, kDefaultWindowFontHeight).metrics.height);
  // Moving the origin moves the ink by exactly as much.
  Box moved = inkBox(textCanvas(FontSpec{}, 12, 3, "H"));
  EXPECT_EQ(moved.left - h.left, 7);
  EXPECT_EQ(moved.top - h.top, -4);
  EXPECT_EQ(moved.bottom - h.bottom, -4);
  // The same at a large size.
  const TextMetrics big = resolveFont(FontSpec{-30, 400, false}, 14).metrics;
  Box large = inkBox(textCanvas(FontSpec{-30, 400, false}, 0, 0, "H", 60, 60));
  EXPECT_EQ(large.bottom, big.ascent - 1);
  EXPECT_EQ(large.top, big.ascent - 22);  // 1493 × 30 / 2048 = 21.9 rows
}

TEST(Text, TextIsItsCharactersDrawnSideBySide) {
  const std::vector<std::string> chars = {"A", "V", "x", " ", "Р", "я", "д", " ", "9"};
  std::string text;
  for (const std::string& c : chars) text += c;
  RasterCanvas whole = textCanvas(FontSpec{}, 4, 5, text);
  RasterCanvas pieces(160, 40);
  pieces.setBackgroundMode(BackgroundMode::kTransparent);
  int x = 4;
  for (const std::string& c : chars) {
    pieces.textOut(x, 5, c);
    x += pieces.textExtent(c).cx;
  }
  EXPECT_EQ(x - 4, whole.textExtent(text).cx);
  EXPECT_EQ(whole.image().pixels, pieces.image().pixels);
  EXPECT_LT(inkBox(whole).right, 4 + whole.textExtent(text).cx);
}

TEST(Text, OpaqueBackgroundFillsExactlyTheCell) {
  RasterCanvas opaque(80, 30);
  opaque.setBackgroundColor(kRed);
  opaque.textOut(3, 4, "Hi, g");
  Size cell = opaque.textExtent("Hi, g");
  int black = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 80; ++x) {
      bool inside = x >= 3 && x < 3 + cell.cx && y >= 4 && y < 4 + cell.cy;
      Color p = opaque.getPixel(x, y);
      if (inside) {
        ASSERT_TRUE(p == kRed || p == kBlack) << x << "," << y;
        black += p == kBlack;
      } else {
        ASSERT_EQ(p, kWhite) << x << "," << y;
      }
    }
  }
  EXPECT_GT(black, 10);
  // Transparent: the same ink, nothing else.
  RasterCanvas transparent = textCanvas(FontSpec{}, 3, 4, "Hi, g", 80, 30);
  for (size_t i = 0; i < transparent.image().pixels.size(); ++i) {
    bool ink = opaque.image().pixels[i] == kBlack.packed();
    ASSERT_EQ(transparent.image().pixels[i], ink ? kBlack.packed() : kWhite.packed());
  }
}

TEST(Text, SymbolFontShowsLatinLettersAsGreek) {
  EXPECT_EQ(symbolCodePoint('s'), U'σ');
  EXPECT_EQ(symbolCodePoint('S'), U'Σ');
  EXPECT_EQ(symbolCodePoint('e'), U'ε');
  EXPECT_EQ(symbolCodePoint('a'), U'α');
  EXPECT_EQ(symbolCodePoint('q'), U'θ');
  EXPECT_EQ(symbolCodePoint('j'), U'ϕ');
  EXPECT_EQ(symbolCodePoint('v'), U'ϖ');
  EXPECT_EQ(symbolCodePoint('C'), U'Χ');
  EXPECT_EQ(symbolCodePoint('V'), U'ς');
  EXPECT_EQ(symbolCodePoint('-'), U'−');
  EXPECT_EQ(symbolCodePoint('7'), U'7');
  EXPECT_EQ(symbolCodePoint(U'Ж'), U'Ж');

  const FontSpec symbol{18, 408, true};
  const FontSpec plain{18, 400, false};
  RasterCanvas greek = textCanvas(symbol, 2, 2, "e(s)=S a 12");
  RasterCanvas expected = textCanvas(plain, 2, 2, "ε(σ)=Σ α 12");
  EXPECT_EQ(greek.image().pixels, expected.image().pixels);
  EXPECT_EQ(greek.textExtent("s S").cx, expected.textExtent("σ Σ").cx);
  EXPECT_EQ(greek.textMetrics().height, 18);
  EXPECT_NE(greek.image().pixels, textCanvas(plain, 2, 2, "e(s)=S a 12").image().pixels);
}

// Hinted for the monochrome target, the vertical stems of a glyph have one width: on the
// rows of its lower half that cross all of its stems every run is as wide as every other,
// at the window font's size on screens of ratio 1 to 2.
TEST(Text, StemsOfAGlyphAreEven) {
  for (int32_t height : {14, 17, 21, 28}) {
    const ResolvedFont font = resolveFont(FontSpec{height, 400, false}, kDefaultWindowFontHeight);
    for (const char* glyph : {"m", "n", "H", "l"}) {
      std::map<int32_t, std::vector<int32_t>> rows;  // y → run widths
      forEachGlyph(font, glyph, [&](int32_t, const std::vector<InkRun>& ink) {
        for (const InkRun& run : ink) rows[run.y].push_back(run.x1 - run.x0);
      });
      // The lower half, below the arches of m and n.
      ASSERT_FALSE(rows.empty());
      const int32_t middle = (rows.begin()->first + rows.rbegin()->first) / 2;
      size_t stems = 0;
      for (const auto& row : rows)
        if (row.first > middle) stems = std::max(stems, row.second.size());
      std::set<int32_t> widths;
      for (const auto& row : rows)
        if (row.first > middle && row.second.size() == stems)
          widths.insert(row.second.begin(), row.second.end());
      EXPECT_EQ(widths.size(), 1u) << "'" << glyph << "' at " << height;
    }
  }
}

TEST(Text, WeightChoosesTheFace) {
  auto pixels = [](int weight) {
    return textCanvas(FontSpec{16, weight, false}, 1, 1, "Exit 42").image().pixels;
  };
  EXPECT_EQ(pixels(408), pixels(400));
  EXPECT_EQ(pixels(0), pixels(400));
  EXPECT_NE(pixels(700), pixels(400));
  EXPECT_EQ(pixels(600), pixels(700));
}

// The glyph cache is shared by all canvases and threads; what a canvas draws must not
// depend on what was drawn before or elsewhere.
TEST(Text, SameDrawingSamePixelsWhateverTheCacheAndThreads) {
  auto scene = [](int size) {
    RasterCanvas c(300, 120);
    for (int i = 0; i < 6; ++i) {
      c.setFont(FontSpec{size + i, i % 2 ? 700 : 400, i == 3});
      c.textOut(3, 3 + 18 * i, "The quick brown fox 0123456789 Съешь же ещё");
    }
    return c.takeImage().pixels;
  };
  const std::vector<uint32_t> first = scene(9);  // sizes no other test uses: a cold cache
  EXPECT_EQ(scene(9), first);
  std::vector<uint32_t> a, b;
  std::thread ta([&] { a = scene(31); });
  std::thread tb([&] { b = scene(31); });
  ta.join();
  tb.join();
  EXPECT_EQ(a, b);
  EXPECT_EQ(scene(31), a);
}

TEST(Text, Utf8Decoding) {
  EXPECT_EQ(decodeUtf8("aЖ€😀"), (std::u32string{U'a', U'Ж', U'€', U'😀'}));
  // Truncated, overlong, surrogate and stray continuation bytes.
  EXPECT_EQ(decodeUtf8("x\xC3"), (std::u32string{U'x', 0xFFFD}));
  EXPECT_EQ(decodeUtf8("\xE2\x82"), (std::u32string{0xFFFD, 0xFFFD}));
  EXPECT_EQ(decodeUtf8("\xC0\xAF"), (std::u32string{0xFFFD, 0xFFFD}));
  EXPECT_EQ(decodeUtf8("\xED\xA0\x80"), (std::u32string{0xFFFD, 0xFFFD, 0xFFFD}));
  EXPECT_EQ(decodeUtf8("\x80z"), (std::u32string{0xFFFD, U'z'}));
}

}  // namespace
}  // namespace velmora::testing

// The program's typeface: DejaVu Sans Condensed (regular and bold) read from the resource
// folder and rasterised by FreeType, monochrome and hinted for that target (stems on whole
// pixels), at exact pixel sizes, so that every machine draws the same pixels.
//
// A FontSpec is resolved against the window font's cell height into a ResolvedFont: which
// face (weight 600 and above is bold), the em size in 1/64 pixel, and GDI-style metrics:
// - height > 0 asks for that cell height; the em is scaled so that the face's Windows
//   ascent + descent fill the cell exactly;
// - height < 0 asks for that character height (the em); the cell is then the scaled
//   ascent + descent and the difference is the internal leading;
// - height 0 is the window font, a cell of the window font's height.
// Heights are limited to kMaxFontHeight. The ascent is the scaled Windows ascent, the
// descent the rest of the cell; the external leading comes from the face's line gap as
// GDI computes it (zero for DejaVu Sans Condensed). The average character width is the advance of
// "x", the maximum character width the widest advance among printable ASCII and the
// Cyrillic letters, both in the font as drawn (after the symbol mapping).
//
// Text is laid out without kerning: each character advances the pen by its advance width
// rounded to whole pixels, and its glyph is drawn at the pen position, so a text's width
// is the sum of its characters' advances. A "symbol" font draws with the same faces but
// shows ASCII as the classic symbol encoding does: Latin letters as Greek ones (a → α,
// s → σ, S → Σ, q → θ, …) and a few signs as mathematical ones (- → −, * → ∗, ~ → ∼, …).
//
// The font files are read once per process, on first use, from resourceDir()/fonts (all
// of this is safe to call from several threads). When they cannot be read, loadFonts()
// says why, text draws nothing, and metrics and widths follow fixed proportions of the
// requested height so that layouts stay sane.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/canvas.h"

namespace velmora {

// The window font's cell height in pixels at a device pixel ratio of 1: DejaVu Sans
// Condensed with an em of 12 pixels, which keeps the labels and selectors of a 1280 × 800
// window readable without crowding the graph area; the condensed face is as narrow as the
// views' fixed text columns (a seven-digit measure before the positions) need.
inline constexpr int32_t kDefaultWindowFontHeight = 14;
// The largest cell or character height a font can be asked for; larger requests are
// drawn at this height.
inline constexpr int32_t kMaxFontHeight = 2048;

// The family name of the shipped typeface, for documents that name their fonts.
inline constexpr const char* kFontFamily = "DejaVu Sans Condensed";
// The files in resourceDir()/fonts.
inline constexpr const char* kRegularFontFile = "DejaVuSansCondensed.ttf";
inline constexpr const char* kBoldFontFile = "DejaVuSansCondensed-Bold.ttf";

// Reads the font files if this process has not tried yet; returns an empty string when
// they are usable, otherwise the reason (the same text on every later call).
std::string loadFonts();

struct ResolvedFont {
  bool bold = false;
  bool symbol = false;
  int32_t size26 = 0;  // the em in 1/64 pixel
  TextMetrics metrics;

  double emPixels() const { return size26 / 64.0; }
  bool operator==(const ResolvedFont& o) const {
    return bold == o.bold && symbol == o.symbol && size26 == o.size26;
  }
};

ResolvedFont resolveFont(const FontSpec& request, int32_t windowFontHeight);

// One character of a laid-out text: the code point drawn (after the symbol mapping) and
// the pen position relative to the text's left edge.
struct PlacedChar {
  char32_t codePoint = 0;
  int32_t x = 0;
  int32_t advance = 0;
};

struct TextLayout {
  std::vector<PlacedChar> chars;
  int32_t width = 0;
};

TextLayout layoutText(const ResolvedFont& font, std::string_view utf8);
int32_t textWidth(const ResolvedFont& font, std::string_view utf8);

// A glyph's ink as horizontal runs, relative to the pen position on the baseline (y grows
// downwards, so ink above the baseline has negative y).
struct InkRun {
  int32_t y = 0;
  int32_t x0 = 0;  // first pixel
  int32_t x1 = 0;  // one past the last pixel
};

// Calls `draw` with the pen position and the ink of every character of `utf8`, in order.
// Nothing is called when the fonts are not available.
void forEachGlyph(const ResolvedFont& font, std::string_view utf8,
                  const std::function<void(int32_t penX, const std::vector<InkRun>& ink)>& draw);

// The code point a symbol font shows for `c`; other code points are returned unchanged.
char32_t symbolCodePoint(char32_t c);
// UTF-8 to code points; malformed sequences become U+FFFD.
std::u32string decodeUtf8(std::string_view utf8);

// The typeface read from another folder, for checking files before use. Returns an empty
// string when both files there can be used, otherwise the reason.
std::string checkFontFolder(const std::string& dir);

}  // namespace velmora

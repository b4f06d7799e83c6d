#include "graphics/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "common/resource_dir.h"

namespace velmora {

namespace {

// Rounds num / den half up for non-negative num and positive den.
int64_t roundDiv(int64_t num, int64_t den) { return (num + den / 2) / den; }

// The characters whose advances bound the maximum character width: printable ASCII and
// the Cyrillic letters the program's texts use.
std::vector<char32_t> widthProbe() {
  std::vector<char32_t> cps;
  for (char32_t c = 0x20; c < 0x7F; ++c) cps.push_back(c);
  for (char32_t c = 0x410; c < 0x450; ++c) cps.push_back(c);
  cps.push_back(0x401);
  cps.push_back(0x451);
  return cps;
}

struct Glyph {
  int32_t advance = 0;
  std::vector<InkRun> ink;
};

// One face of the typeface with the numbers its metrics are scaled from.
struct Face {
  std::string bytes;  // FreeType reads the face from this buffer for as long as it lives
  FT_Face face = nullptr;
  int64_t unitsPerEm = 2048;
  int64_t winAscent = 0;
  int64_t winDescent = 0;
  int64_t extraGap = 0;  // line gap beyond the Windows ascent and descent, in font units
  int32_t currentSize26 = -1;
};

std::string readFile(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "Cannot open the font file " + path + ": " + std::strerror(errno);
    return {};
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = "Cannot read the font file " + path;
    return {};
  }
  return bytes;
}

class Engine {
 public:
  Engine() = default;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine() {
    for (Face& f : faces_) {
      if (f.face) FT_Done_Face(f.face);
    }
    if (library_) FT_Done_FreeType(library_);
  }

  // Reads both faces from `dir`; returns the reason when one cannot be used.
  std::string open(const std::string& dir) {
    if (FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      return "The font engine (FreeType) could not be started";
    }
    const char* files[2] = {kRegularFontFile, kBoldFontFile};
    for (int i = 0; i < 2; ++i) {
      std::string path = dir + "/" + files[i];
      std::string error;
      Face& f = faces_[i];
      f.bytes = readFile(path, &error);
      if (!error.empty()) return error;
      FT_Error rc = FT_New_Memory_Face(library_, reinterpret_cast<const FT_Byte*>(f.bytes.data()),
                                       static_cast<FT_Long>(f.bytes.size()), 0, &f.face);
      if (rc != 0) {
        f.face = nullptr;
        return "The font file " + path + " is not a font FreeType can read (error " +
               std::to_string(rc) + ")";
      }
      auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_OS2));
      auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_HHEA));
      if (!FT_IS_SCALABLE(f.face) || !os2 || !hhea || f.face->units_per_EM == 0 ||
          os2->usWinAscent + os2->usWinDescent == 0) {
        return "The font file " + path + " lacks the tables of a TrueType font";
      }
      f.unitsPerEm = f.face->units_per_EM;
      f.winAscent = os2->usWinAscent;
      f.winDescent = os2->usWinDescent;
      f.extraGap = std::max<int64_t>(
          0, int64_t{hhea->Line_Gap} - ((f.winAscent + f.winDescent) -
                                        (int64_t{hhea->Ascender} - hhea->Descender)));
    }
    return {};
  }

  ResolvedFont resolve(const FontSpec& request, int32_t windowFontHeight) {
    std::lock_guard<std::mutex> lock(mutex_);
    ResolvedFont font;
    font.bold = request.weight >= 600;
    font.symbol = request.symbol;
    Face& f = faces_[font.bold ? 1 : 0];
    const int64_t units = f.winAscent + f.winDescent;
    int64_t requested = request.height == 0 ? windowFontHeight : request.height;
    int64_t cell = 0;
    if (requested >= 0) {
      cell = std::clamp<int64_t>(requested, 1, kMaxFontHeight);
      font.size26 = static_cast<int32_t>(std::max<int64_t>(1, roundDiv(cell * 64 * f.unitsPerEm, units)));
    } else {
      int64_t em = std::clamp<int64_t>(-requested, 1, kMaxFontHeight);
      font.size26 = static_cast<int32_t>(em * 64);
      cell = std::max<int64_t>(1, roundDiv(units * em, f.unitsPerEm));
    }
    const int64_t scale = 64 * f.unitsPerEm;  // font units × size26 / scale = pixels
    TextMetrics& m = font.metrics;
    m.height = static_cast<int32_t>(cell);
    m.ascent = static_cast<int32_t>(std::min(cell, roundDiv(f.winAscent * font.size26, scale)));
    m.descent = m.height - m.ascent;
    m.internalLeading =
        static_cast<int32_t>(std::max<int64_t>(0, cell - roundDiv(font.size26, 64)));
    m.externalLeading = static_cast<int32_t>(roundDiv(f.extraGap * font.size26, scale));

    auto key = std::make_tuple(font.bold, font.symbol, font.size26);
    auto known = widths_.find(key);
    if (known == widths_.end()) {
      int32_t ave = advance(f, font.size26, font.symbol ? symbolCodePoint('x') : U'x');
      int32_t widest = 0;
      for (char32_t c : widthProbe()) {
        widest = std::max(widest, advance(f, font.size26, font.symbol ? symbolCodePoint(c) : c));
      }
      known = widths_.emplace(key, std::make_pair(ave, widest)).first;
    }
    m.aveCharWidth = known->second.first;
    m.maxCharWidth = known->second.second;
    return font;
  }

  TextLayout layout(const ResolvedFont& font, std::string_view utf8) {
    std::lock_guard<std::mutex> lock(mutex_);
    TextLayout out;
    int64_t pen = 0;
    for (char32_t c : decodeUtf8(utf8)) {
      if (font.symbol) c = symbolCodePoint(c);
      const Glyph& g = glyph(font, c);
      out.chars.push_back(PlacedChar{c, static_cast<int32_t>(pen), g.advance});
      pen += g.advance;
    }
    out.width = static_cast<int32_t>(std::min<int64_t>(pen, INT32_MAX));
    return out;
  }

  int32_t width(const ResolvedFont& font, std::string_view utf8) {
    std::lock_guard<std::mutex> lock(mutex_);
    int64_t pen = 0;
    for (char32_t c : decodeUtf8(utf8)) {
      pen += glyph(font, font.symbol ? symbolCodePoint(c) : c).advance;
    }
    return static_cast<int32_t>(std::min<int64_t>(pen, INT32_MAX));
  }

  void draw(const ResolvedFont& font, std::string_view utf8,
            const std::function<void(int32_t, const std::vector<InkRun>&)>& fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    int64_t pen = 0;
    for (char32_t c : decodeUtf8(utf8)) {
      if (pen > INT32_MAX) break;
      const Glyph& g = glyph(font, font.symbol ? symbolCodePoint(c) : c);
      fn(static_cast<int32_t>(pen), g.ink);
      pen += g.advance;
    }
  }

 private:
  void setSize(Face& f, int32_t size26) {
    if (f.currentSize26 == size26) return;
    FT_Set_Char_Size(f.face, 0, size26, 72, 72);  // at 72 dpi one point is one pixel
    f.currentSize26 = size26;
  }

  // Glyphs go through FreeType's auto-hinter for the monochrome target, which snaps stems
  // to whole pixels in both directions (the face's own instructions, as the interpreter
  // runs them, leave vertical stems one or two pixels wide by where they fall); advances are the unhinted ones rounded to whole
  // pixels, so that a text's width does not depend on the hinting.
  static constexpr FT_Int32 kLoadFlags =
      FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP;
  static constexpr FT_Int32 kAdvanceFlags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

  int32_t advance(Face& f, int32_t size26, char32_t c) {
    setSize(f, size26);
    FT_Fixed adv = 0;
    if (FT_Get_Advance(f.face, FT_Get_Char_Index(f.face, c), kAdvanceFlags, &adv) != 0) return 0;
    return static_cast<int32_t>((adv + 0x8000) >> 16);
  }

  const Glyph& glyph(const ResolvedFont& font, char32_t c) {
    uint64_t key = (uint64_t{font.bold} << 62) | (uint64_t(uint32_t(font.size26)) << 21) |
                   (uint64_t{c} & 0x1FFFFF);
    auto it = glyphs_.find(key);
    if (it != glyphs_.end()) return it->second;
    // Rendered glyphs are kept for the life of the process; a runaway number of sizes
    // starts the cache afresh rather than growing without bound.
    if (glyphs_.size() >= kMaxCachedGlyphs) glyphs_.clear();
    return glyphs_.emplace(key, render(faces_[font.bold ? 1 : 0], font.size26, c)).first->second;
  }

  Glyph render(Face& f, int32_t size26, char32_t c) {
    Glyph g;
    setSize(f, size26);
    FT_UInt index = FT_Get_Char_Index(f.face, c);
    if (FT_Load_Glyph(f.face, index, kLoadFlags) != 0) return g;
    FT_GlyphSlot slot = f.face->glyph;
    g.advance = static_cast<int32_t>((slot->linearHoriAdvance + 0x8000) >> 16);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return g;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_MONO) return g;
    for (unsigned row = 0; row < bm.rows; ++row) {
      const unsigned char* bits = bm.buffer + static_cast<ptrdiff_t>(row) * bm.pitch;
      int32_t y = static_cast<int32_t>(row) - slot->bitmap_top;
      unsigned col = 0;
      while (col < bm.width) {
        auto on = [&](unsigned x) { return (bits[x >> 3] >> (7 - (x & 7))) & 1; };
        if (!on(col)) {
          ++col;
          continue;
        }
        unsigned start = col;
        while (col < bm.width && on(col)) ++col;
        g.ink.push_back(InkRun{y, slot->bitmap_left + static_cast<int32_t>(start),
                               slot->bitmap_left + static_cast<int32_t>(col)});
      }
    }
    return g;
  }

  static constexpr size_t kMaxCachedGlyphs = 20000;

  std::mutex mutex_;
  FT_Library library_ = nullptr;
  Face faces_[2];
  std::unordered_map<uint64_t, Glyph> glyphs_;
  std::map<std::tuple<bool, bool, int32_t>, std::pair<int32_t, int32_t>> widths_;
};

struct Loaded {
  std::unique_ptr<Engine> engine;
  std::string error;
};

Loaded& processFonts() {
  static Loaded loaded;
  static std::once_flag once;
  std::call_once(once, [] {
    auto engine = std::make_unique<Engine>();
    loaded.error = engine->open(resourceDir() + "/fonts");
    if (loaded.error.empty()) loaded.engine = std::move(engine);
  });
  return loaded;
}

Engine* engine() { return processFonts().engine.get(); }

// Metrics when no font can be read: fixed proportions of the cell.
ResolvedFont fallbackFont(const FontSpec& request, int32_t windowFontHeight) {
  ResolvedFont font;
  font.bold = request.weight >= 600;
  font.symbol = request.symbol;
  int64_t requested = request.height == 0 ? windowFontHeight : request.height;
  int64_t cell = requested >= 0 ? std::clamp<int64_t>(requested, 1, kMaxFontHeight)
                                : std::clamp<int64_t>(-requested, 1, kMaxFontHeight) * 7 / 6 + 1;
  font.size26 = static_cast<int32_t>(cell * 64 * 6 / 7);
  TextMetrics& m = font.metrics;
  m.height = static_cast<int32_t>(cell);
  m.descent = static_cast<int32_t>(cell / 5);
  m.ascent = m.height - m.descent;
  m.internalLeading = static_cast<int32_t>(cell - cell * 6 / 7);
  m.aveCharWidth = static_cast<int32_t>(std::max<int64_t>(1, cell / 2));
  m.maxCharWidth = static_cast<int32_t>(cell);
  return font;
}

}  // namespace

std::string loadFonts() { return processFonts().error; }

std::string checkFontFolder(const std::string& dir) { return Engine().open(dir); }

ResolvedFont resolveFont(const FontSpec& request, int32_t windowFontHeight) {
  if (Engine* e = engine()) return e->resolve(request, windowFontHeight);
  return fallbackFont(request, windowFontHeight);
}

TextLayout layoutText(const ResolvedFont& font, std::string_view utf8) {
  if (Engine* e = engine()) return e->layout(font, utf8);
  TextLayout out;
  for (char32_t c : decodeUtf8(utf8)) {
    int32_t w = font.metrics.aveCharWidth;
    out.chars.push_back(PlacedChar{font.symbol ? symbolCodePoint(c) : c, out.width, w});
    out.width += w;
  }
  return out;
}

int32_t textWidth(const ResolvedFont& font, std::string_view utf8) {
  if (Engine* e = engine()) return e->width(font, utf8);
  return layoutText(font, utf8).width;
}

void forEachGlyph(const ResolvedFont& font, std::string_view utf8,
                  const std::function<void(int32_t, const std::vector<InkRun>&)>& draw) {
  if (Engine* e = engine()) e->draw(font, utf8, draw);
}

char32_t symbolCodePoint(char32_t c) {
  // Greek letters in the order of the Latin letters they replace.
  static constexpr char32_t kUpper[26] = {
      0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399, 0x3D1, 0x39A, 0x39B, 0x39C,
      0x39D, 0x39F, 0x3A0, 0x398, 0x3A1, 0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
  static constexpr char32_t kLower[26] = {
      0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9, 0x3D5, 0x3BA, 0x3BB, 0x3BC,
      0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1, 0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
  if (c >= 'A' && c <= 'Z') return kUpper[c - 'A'];
  if (c >= 'a' && c <= 'z') return kLower[c - 'a'];
  switch (c) {
    case '"': return 0x2200;   // for all
    case '$': return 0x2203;   // there exists
    case '\'': return 0x220B;  // contains as member
    case '*': return 0x2217;   // asterisk operator
    case '-': return 0x2212;   // minus
    case '@': return 0x2245;   // approximately equal
    case '\\': return 0x2234;  // therefore
    case '^': return 0x22A5;   // perpendicular
    case '~': return 0x223C;   // tilde operator
    default: return c;
  }
}

std::u32string decodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int extra = (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + extra >= s.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t c = b & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cont = static_cast<unsigned char>(s[i + k]);
      if ((cont & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (cont & 0x3F);
    }
    static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (!ok || c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(c);
    i += extra + 1;
  }
  return out;
}

}  // namespace velmora

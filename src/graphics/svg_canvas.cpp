#include "graphics/svg_canvas.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <utility>

#include "export/png.h"

namespace velmora {

namespace {

// A number in the fewest characters, at most three decimals, whatever the locale.
std::string num(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
  if (ec != std::errc()) return "0";
  std::string s(buf, end);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string num(int64_t v) { return std::to_string(v); }

std::string hex(Color c) {
  static const char* digits = "0123456789abcdef";
  std::string s = "#";
  for (uint8_t v : {c.r, c.g, c.b}) {
    s += digits[v >> 4];
    s += digits[v & 15];
  }
  return s;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A character as XML text: markup characters escaped, characters XML cannot hold
// (control characters, non-characters) replaced by U+FFFD.
void appendXml(std::string& out, char32_t c) {
  switch (c) {
    case '&': out += "&amp;"; return;
    case '<': out += "&lt;"; return;
    case '>': out += "&gt;"; return;
    case '"': out += "&quot;"; return;
    case '\'': out += "&apos;"; return;
    default: break;
  }
  if ((c < 0x20 && c != '\t') || c == 0x7F || c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
  appendUtf8(out, c);
}

std::string base64(const std::vector<uint8_t>& bytes) {
  static const char* alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t v = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) out += alphabet[(v >> shift) & 63];
  }
  if (i + 1 == bytes.size()) {
    uint32_t v = uint32_t{bytes[i]} << 16;
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    uint32_t v = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8);
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    out += alphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

std::string pngDataUri(const Image& image) {
  return "data:image/png;base64," + base64(encodePng(image));
}

std::string rectElement(double x, double y, double w, double h, const std::string& rest) {
  return "<rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(w) + "\" height=\"" +
         num(h) + "\" " + rest + "/>\n";
}

}  // namespace

SvgCanvas::SvgCanvas(int32_t width, int32_t height, int32_t windowFontHeight)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      windowFontHeight_(std::clamp(windowFontHeight, 1, kMaxFontHeight)),
      resolved_(resolveFont(FontSpec{}, windowFontHeight_)),
      clip_{0, 0, width_, height_} {}

Rect SvgCanvas::setClipRect(const Rect& clip) {
  flush();
  const Rect cut{std::clamp(std::min(clip.left, clip.right), 0, width_),
                 std::clamp(std::min(clip.top, clip.bottom), 0, height_),
                 std::clamp(std::max(clip.left, clip.right), 0, width_),
                 std::clamp(std::max(clip.top, clip.bottom), 0, height_)};
  if (cut == clip_) return clip_;
  if (clipGroupOpen_) body_ += "</g>\n";
  clipGroupOpen_ = false;
  if (cut != Rect{0, 0, width_, height_}) {
    const std::string id = "clip" + num(int64_t{++clipPaths_});
    body_ += "<clipPath id=\"" + id + "\">" +
             rectElement(cut.left, cut.top, int64_t{cut.right} - cut.left,
                         int64_t{cut.bottom} - cut.top, "") +
             "</clipPath>\n<g clip-path=\"url(#" + id + ")\">\n";
    clipGroupOpen_ = true;
  }
  return std::exchange(clip_, cut);
}

Pen SvgCanvas::setPen(const Pen& pen) { return std::exchange(pen_, pen); }
Brush SvgCanvas::setBrush(const Brush& brush) { return std::exchange(brush_, brush); }
FontSpec SvgCanvas::setFont(const FontSpec& font) {
  resolved_ = resolveFont(font, windowFontHeight_);
  return std::exchange(font_, font);
}
Color SvgCanvas::setTextColor(Color color) { return std::exchange(text_, color); }
Color SvgCanvas::setBackgroundColor(Color color) { return std::exchange(background_, color); }
BackgroundMode SvgCanvas::setBackgroundMode(BackgroundMode mode) {
  return std::exchange(mode_, mode);
}

Point SvgCanvas::moveTo(int32_t x, int32_t y) { return std::exchange(position_, Point{x, y}); }

std::string SvgCanvas::strokeAttributes(const Pen& pen) const {
  const int32_t w = std::clamp(pen.width, 1, 64);
  std::string s = "stroke=\"" + hex(pen.color) + "\" stroke-width=\"" + num(int64_t{w}) + "\"";
  if (w > 1) {
    s += " stroke-linecap=\"round\" stroke-linejoin=\"round\"";
  } else if (pen.style == PenStyle::kDot) {
    s += " stroke-dasharray=\"1 1\"";
  }
  return s;
}

void SvgCanvas::lineTo(int32_t x, int32_t y) {
  const Point from = std::exchange(position_, Point{x, y});
  if (pen_.style == PenStyle::kNull || from == position_) return;
  if (points_.empty() || !(points_.back() == from) || !(linePen_ == pen_)) {
    flush();
    points_.push_back(from);
    linePen_ = pen_;
  }
  points_.push_back(position_);
}

// The collected polyline through pixel centres. A one-pixel line starts at the edge of
// its first pixel and stops where its end pixel begins (half a step before its centre);
// a wide line has round caps centred on its first and last drawn pixels.
std::string SvgCanvas::polyline() const {
  if (points_.size() < 2) return {};
  const bool wide = std::clamp(linePen_.width, 1, 64) > 1;
  auto step = [](Point a, Point b, double* sx, double* sy) {
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double n = std::max(std::abs(dx), std::abs(dy));
    *sx = dx / n;
    *sy = dy / n;
  };
  std::string pts;
  for (size_t i = 0; i < points_.size(); ++i) {
    double x = points_[i].x + 0.5, y = points_[i].y + 0.5;
    double sx = 0, sy = 0;
    if (i == 0 && !wide) {
      step(points_[0], points_[1], &sx, &sy);
      x -= sx / 2;
      y -= sy / 2;
    } else if (i + 1 == points_.size()) {
      step(points_[i - 1], points_[i], &sx, &sy);
      x -= wide ? sx : sx / 2;
      y -= wide ? sy : sy / 2;
    }
    if (i) pts += ' ';
    pts += num(x) + "," + num(y);
  }
  return "<polyline points=\"" + pts + "\" fill=\"none\" " + strokeAttributes(linePen_) + "/>\n";
}

void SvgCanvas::flush() {
  body_ += polyline();
  points_.clear();
}

void SvgCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  flush();
  int64_t l = std::min(left, right), r = std::max(left, right);
  int64_t t = std::min(top, bottom), b = std::max(top, bottom);
  const bool hasPen = pen_.style != PenStyle::kNull;
  const std::string fill = brush_.hollow ? "fill=\"none\"" : "fill=\"" + hex(brush_.color) + "\"";
  if (!hasPen) {
    if (r - 1 > l && b - 1 > t && !brush_.hollow) {
      body_ += rectElement(l, t, r - 1 - l, b - 1 - t, fill);
    }
    return;
  }
  if (r <= l || b <= t) return;
  if (r - l == 1 || b - t == 1) {  // all outline
    body_ += rectElement(l, t, r - l, b - t, "fill=\"" + hex(pen_.color) + "\"");
    return;
  }
  body_ += rectElement(l + 0.5, t + 0.5, r - l - 1, b - t - 1, fill + " " + strokeAttributes(pen_));
}

void SvgCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  flush();
  int64_t l = std::min(left, right), r = std::max(left, right);
  int64_t t = std::min(top, bottom), b = std::max(top, bottom);
  const bool hasPen = pen_.style != PenStyle::kNull;
  if (!hasPen) {
    --r;
    --b;
  }
  if (r <= l || b <= t || (!hasPen && brush_.hollow)) return;
  const std::string fill = brush_.hollow ? "fill=\"none\"" : "fill=\"" + hex(brush_.color) + "\"";
  const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
  auto element = [&](double rx, double ry, const std::string& rest) {
    body_ += "<ellipse cx=\"" + num(cx) + "\" cy=\"" + num(cy) + "\" rx=\"" + num(rx) +
             "\" ry=\"" + num(ry) + "\" " + rest + "/>\n";
  };
  if (!hasPen) {
    element((r - l) / 2.0, (b - t) / 2.0, fill);
  } else if (r - l == 1 || b - t == 1) {  // all outline
    body_ += rectElement(l, t, r - l, b - t, "fill=\"" + hex(pen_.color) + "\"");
  } else {
    element((r - l - 1) / 2.0, (b - t - 1) / 2.0, fill + " " + strokeAttributes(pen_));
  }
}

void SvgCanvas::fillRect(const Rect& rect, Color color) {
  flush();
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  body_ += rectElement(rect.left, rect.top, int64_t{rect.right} - rect.left,
                       int64_t{rect.bottom} - rect.top, "fill=\"" + hex(color) + "\"");
}

void SvgCanvas::setPixel(int32_t x, int32_t y, Color color) {
  flush();
  body_ += rectElement(x, y, 1, 1, "fill=\"" + hex(color) + "\"");
}

void SvgCanvas::textOut(int32_t x, int32_t y, const std::string& text) {
  flush();
  const TextLayout layout = layoutText(resolved_, text);
  const TextMetrics& m = resolved_.metrics;
  if (mode_ == BackgroundMode::kOpaque && layout.width > 0) {
    body_ += rectElement(x, y, layout.width, m.height, "fill=\"" + hex(background_) + "\"");
  }
  if (layout.chars.empty()) return;
  std::string xs, chars;
  for (const PlacedChar& c : layout.chars) {
    if (!xs.empty()) xs += ' ';
    xs += num(int64_t{x} + c.x);
    appendXml(chars, c.codePoint);
  }
  body_ += "<text x=\"" + xs + "\" y=\"" + num(int64_t{y} + m.ascent) + "\" font-family=\"" +
           kFontFamily + "\" font-size=\"" + num(resolved_.emPixels()) + "\"" +
           (resolved_.bold ? " font-weight=\"bold\"" : "") + " fill=\"" + hex(text_) + "\">" +
           chars + "</text>\n";
}

Size SvgCanvas::textExtent(const std::string& text) const {
  return Size{textWidth(resolved_, text), resolved_.metrics.height};
}

TextMetrics SvgCanvas::textMetrics() const { return resolved_.metrics; }

void SvgCanvas::drawImage(int32_t x, int32_t y, const Image& image) {
  flush();
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
    return;
  }
  const std::string uri = pngDataUri(image);
  body_ += "<image x=\"" + num(int64_t{x}) + "\" y=\"" + num(int64_t{y}) + "\" width=\"" +
           num(int64_t{image.width}) + "\" height=\"" + num(int64_t{image.height}) +
           "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\" xlink:href=\"" +
           uri + "\"/>\n";
}

std::string SvgCanvas::document() const {
  const std::string w = num(int64_t{width_}), h = num(int64_t{height_});
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" "
         "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\"" +
         w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
         "\" shape-rendering=\"crispEdges\" xml:space=\"preserve\">\n" +
         "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n" +
         body_ + polyline() + (clipGroupOpen_ ? "</g>\n" : "") + "</svg>\n";
}

}  // namespace velmora

#include "graphics/view_support.h"

#include <algorithm>

namespace velmora {

int32_t lineHeightOf(const Canvas& canvas) {
  const TextMetrics m = canvas.textMetrics();
  return std::max(1, m.height + m.externalLeading - 1);
}

namespace {

// Byte length of the first `chars` code points of a UTF-8 string.
size_t prefixBytes(const std::string& text, size_t chars) {
  size_t i = 0;
  for (size_t c = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (c == chars) break;
      ++c;
    }
  }
  return i;
}

size_t codePoints(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

int32_t textWithin(Canvas& canvas, int32_t x, int32_t y, const std::string& text, int32_t right,
                   TextCut cut) {
  if (text.empty() || x < 0 || y < 0) return 0;
  const Size whole = canvas.textExtent(text);
  if (y + whole.cy > canvas.height()) return 0;
  const int32_t room = std::min(canvas.width(), right) - x;
  if (whole.cx <= room) {
    canvas.textOut(x, y, text);
    return whole.cx;
  }
  if (room <= 0) return 0;
  // A list cut short says so: its last whole items are followed by an ellipsis.
  const std::string ellipsis = cut == TextCut::kWords ? " ..." : "";
  const int32_t ellipsisWidth = ellipsis.empty() ? 0 : canvas.textExtent(ellipsis).cx;
  // The longest prefix that fits: extents grow with the prefix, so bisect on characters.
  const auto longestPrefix = [&](int32_t width) {
    size_t lo = 0, hi = codePoints(text);
    while (lo < hi) {
      const size_t mid = (lo + hi + 1) / 2;
      if (canvas.textExtent(text.substr(0, prefixBytes(text, mid))).cx <= width)
        lo = mid;
      else
        hi = mid - 1;
    }
    return text.substr(0, prefixBytes(text, lo));
  };
  std::string part;
  if (cut == TextCut::kWords) {
    part = longestPrefix(room - ellipsisWidth);
    // Back to the end of the last word that fits whole.
    size_t end = part.size();
    if (text[end] != ' ') {
      while (end > 0 && part[end - 1] != ' ') --end;
    }
    while (end > 0 && part[end - 1] == ' ') --end;
    part = end > 0 ? part.substr(0, end) + ellipsis : longestPrefix(room);
  } else {
    part = longestPrefix(room);
  }
  if (part.empty()) return 0;
  canvas.textOut(x, y, part);
  return canvas.textExtent(part).cx;
}

void frameRect(Canvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  BrushScope hollow(canvas, Brush{kWhite, true});
  canvas.rectangle(left, top, right, bottom);
}

ClipScope::ClipScope(Canvas& canvas, const Rect& clip)
    : canvas_(canvas), previous_(canvas.setClipRect(clip)) {
  canvas_.setClipRect(Rect{std::max(clip.left, previous_.left), std::max(clip.top, previous_.top),
                           std::min(clip.right, previous_.right),
                           std::min(clip.bottom, previous_.bottom)});
}

}  // namespace velmora

#include "support/recording_canvas.h"

#include <algorithm>
#include <utility>

namespace velmora::testing {

namespace {

int32_t cellHeight(const FontSpec& font) {
  if (font.height > 0) return font.height;
  if (font.height < 0) return -font.height + 2;
  return 16;
}

int32_t charWidth(const FontSpec& font) {
  return font.height == 0 ? 8 : std::max(1, cellHeight(font) / 2);
}

int32_t codePoints(const std::string& text) {
  int32_t n = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) n++;
  }
  return n;
}

}  // namespace

CanvasOp RecordingCanvas::make(CanvasOp::Kind kind) const {
  CanvasOp op;
  op.kind = kind;
  op.pen = pen_;
  op.brush = brush_;
  op.font = font_;
  op.color = text_;
  op.background = background_;
  op.backgroundMode = mode_;
  op.clip = clip_;
  return op;
}

Pen RecordingCanvas::setPen(const Pen& pen) { return std::exchange(pen_, pen); }
Brush RecordingCanvas::setBrush(const Brush& brush) { return std::exchange(brush_, brush); }
FontSpec RecordingCanvas::setFont(const FontSpec& font) { return std::exchange(font_, font); }
Color RecordingCanvas::setTextColor(Color color) { return std::exchange(text_, color); }
Color RecordingCanvas::setBackgroundColor(Color color) {
  return std::exchange(background_, color);
}
BackgroundMode RecordingCanvas::setBackgroundMode(BackgroundMode mode) {
  return std::exchange(mode_, mode);
}

Point RecordingCanvas::moveTo(int32_t x, int32_t y) {
  return std::exchange(position_, Point{x, y});
}

void RecordingCanvas::lineTo(int32_t x, int32_t y) {
  CanvasOp op = make(CanvasOp::kLine);
  op.x1 = position_.x;
  op.y1 = position_.y;
  op.x2 = x;
  op.y2 = y;
  ops.push_back(op);
  position_ = Point{x, y};
}

void RecordingCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  CanvasOp op = make(CanvasOp::kRectangle);
  op.x1 = left;
  op.y1 = top;
  op.x2 = right;
  op.y2 = bottom;
  ops.push_back(op);
}

void RecordingCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  CanvasOp op = make(CanvasOp::kEllipse);
  op.x1 = left;
  op.y1 = top;
  op.x2 = right;
  op.y2 = bottom;
  ops.push_back(op);
}

void RecordingCanvas::fillRect(const Rect& rect, Color color) {
  CanvasOp op = make(CanvasOp::kFillRect);
  op.x1 = rect.left;
  op.y1 = rect.top;
  op.x2 = rect.right;
  op.y2 = rect.bottom;
  op.color = color;
  ops.push_back(op);
}

void RecordingCanvas::setPixel(int32_t x, int32_t y, Color color) {
  CanvasOp op = make(CanvasOp::kPixel);
  op.x1 = op.x2 = x;
  op.y1 = op.y2 = y;
  op.color = color;
  ops.push_back(op);
}

void RecordingCanvas::textOut(int32_t x, int32_t y, const std::string& text) {
  CanvasOp op = make(CanvasOp::kText);
  Size size = textExtent(text);
  op.x1 = x;
  op.y1 = y;
  op.x2 = x + size.cx;
  op.y2 = y + size.cy;
  op.text = text;
  ops.push_back(op);
}

Size RecordingCanvas::textExtent(const std::string& text) const {
  return Size{codePoints(text) * charWidth(font_), cellHeight(font_)};
}

TextMetrics RecordingCanvas::textMetrics() const {
  TextMetrics m;
  m.height = cellHeight(font_);
  m.descent = std::max(1, m.height * 3 / 16);
  m.ascent = m.height - m.descent;
  m.internalLeading = std::max(0, m.height / 8);
  m.externalLeading = 0;
  m.aveCharWidth = charWidth(font_);
  m.maxCharWidth = font_.height == 0 ? 12 : m.aveCharWidth * 3 / 2;
  return m;
}

void RecordingCanvas::drawImage(int32_t x, int32_t y, const Image& image) {
  CanvasOp op = make(CanvasOp::kImage);
  op.x1 = x;
  op.y1 = y;
  op.x2 = x + image.width;
  op.y2 = y + image.height;
  ops.push_back(op);
}

std::vector<const CanvasOp*> RecordingCanvas::texts() const { return ofKind(CanvasOp::kText); }

const CanvasOp* RecordingCanvas::findText(const std::string& part) const {
  for (const CanvasOp& op : ops) {
    if (op.kind == CanvasOp::kText && op.text.find(part) != std::string::npos) return &op;
  }
  return nullptr;
}

std::vector<const CanvasOp*> RecordingCanvas::ofKind(CanvasOp::Kind kind) const {
  std::vector<const CanvasOp*> out;
  for (const CanvasOp& op : ops) {
    if (op.kind == kind) out.push_back(&op);
  }
  return out;
}

Rect RecordingCanvas::setClipRect(const Rect& clip) {
  return std::exchange(clip_, Rect{std::clamp(std::min(clip.left, clip.right), 0, width_),
                                   std::clamp(std::min(clip.top, clip.bottom), 0, height_),
                                   std::clamp(std::max(clip.left, clip.right), 0, width_),
                                   std::clamp(std::max(clip.top, clip.bottom), 0, height_)});
}

bool RecordingCanvas::allWithin(const Rect& area, std::string* why) const {
  for (const CanvasOp& op : ops) {
    int32_t l = std::max(std::min(op.x1, op.x2), op.clip.left);
    int32_t r = std::min(std::max(op.x1, op.x2), op.clip.right);
    int32_t t = std::max(std::min(op.y1, op.y2), op.clip.top);
    int32_t b = std::min(std::max(op.y1, op.y2), op.clip.bottom);
    if (l > r || t > b) continue;  // nothing of it is drawn
    if (l < area.left || t < area.top || r > area.right || b > area.bottom) {
      if (why) {
        *why = "op " + std::to_string(op.kind) + " (" + std::to_string(op.x1) + "," +
               std::to_string(op.y1) + ")-(" + std::to_string(op.x2) + "," +
               std::to_string(op.y2) + ") '" + op.text + "'";
      }
      return false;
    }
  }
  return true;
}

}  // namespace velmora::testing

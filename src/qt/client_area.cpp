#include "qt/client_area.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "graphics/font.h"
#include "graphics/raster_canvas.h"
#include "graphics/svg_canvas.h"
#include "qt/main_window.h"
#include "shell/app_state.h"
#include "shell/layout.h"
#include "shell/mouse.h"
#include "shell/paint.h"

namespace velmora::qt {

namespace {

Rect clipped(const Rect& r, int32_t width, int32_t height) {
  return Rect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width),
              std::min(r.bottom, height)};
}

bool isEmpty(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }

}  // namespace

ClientArea::ClientArea(MainWindow& main) : QWidget(&main), main_(main) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  edit_ = new QLineEdit(QString::fromUtf8(kEditControlText), this);
  edit_->setObjectName(QStringLiteral("control_%1").arg(kEditControlId));
  edit_->setGeometry(0, 0, 0, 0);
  edit_->hide();
}

int32_t ClientArea::toPixel(qreal logical) {
  return static_cast<int32_t>(std::floor(logical));
}

QSize ClientArea::minimumClientSize() const {
  // The layout is in logical pixels at the default window font, whatever the screen.
  RasterCanvas probe(1, 1, kDefaultWindowFontHeight);
  probe.setFont(FontSpec{});
  const ClientSize need = velmora::minimumClientSize(probe.textMetrics());
  return QSize(need.width, need.height);
}

void ClientArea::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  setMinimumSize(minimumClientSize());
}

void ClientArea::invalidate(const Rect* rect, bool erase) {
  const QSize size = this->size();
  const Rect whole{0, 0, size.width(), size.height()};
  const Rect r = clipped(rect ? *rect : whole, size.width(), size.height());
  if (isEmpty(r)) return;
  dirty_.push_back({r, erase});
  update();
}

void ClientArea::flush() {
  render();
  repaint();
}

const Image& ClientArea::picture() const {
  static const Image none;
  return canvas_ ? canvas_->image() : none;
}

// Brings the picture up to date: clears the rectangles asked to be erased, then paints
// the whole client area over what is there. The shell lays out and draws in logical
// pixels; the canvas draws that picture at the screen's device pixels.
void ClientArea::render() {
  const QSize size = this->size();
  const qreal ratio = devicePixelRatioF();
  if (!canvas_ || canvas_->width() != size.width() || canvas_->height() != size.height() ||
      canvas_->ratioMilli() != pixelRatioMilli(ratio)) {
    canvas_ = std::make_unique<RasterCanvas>(size.width(), size.height(),
                                             kDefaultWindowFontHeight, ratio);
    const Image& device = canvas_->image();
    shown_ = QImage(QSize(device.width, device.height), QImage::Format_RGB32);
    shown_.fill(QColor(kWindowBackground.r, kWindowBackground.g, kWindowBackground.b));
    dirty_.assign(1, Dirty{Rect{0, 0, size.width(), size.height()}, true});
  }
  shown_.setDevicePixelRatio(ratio);
  if (frozen_ || dirty_.empty()) return;
  AppState& state = main_.state();
  std::vector<Dirty> dirty;
  dirty.swap(dirty_);
  if (!state.running || size.isEmpty()) return;

  for (const Dirty& d : dirty)
    if (d.erase) canvas_->fillRect(d.rect, kWindowBackground);
  velmora::paint(*canvas_, main_.window(), state, Rect{0, 0, size.width(), size.height()});

  const Image& drawn = canvas_->image();
  for (int32_t y = 0; y < drawn.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(shown_.scanLine(y));
    const uint32_t* source = drawn.pixels.data() + static_cast<size_t>(y) * drawn.width;
    for (int32_t x = 0; x < drawn.width; ++x) line[x] = 0xFF000000u | source[x];
  }
}

void ClientArea::paintPending() {
  if (dirty_.empty()) return;
  render();
  update();
}

std::string ClientArea::renderSvg() {
  render();
  const int32_t w = width(), h = height();
  SvgCanvas canvas(w, h);
  velmora::paint(canvas, main_.window(), main_.state(), Rect{0, 0, w, h});
  return canvas.document();
}

void ClientArea::paintEvent(QPaintEvent*) {
  render();
  QPainter painter(this);
  painter.fillRect(rect(), QColor(kWindowBackground.r, kWindowBackground.g, kWindowBackground.b));
  painter.drawImage(QPointF(0, 0), shown_);
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int32_t x = toPixel(event->position().x());
  const int32_t y = toPixel(event->position().y());
  main_.dispatch([this, x, y] { buttonDown(main_.window(), main_.state(), x, y); });
}

void ClientArea::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int32_t x = toPixel(event->position().x());
  const int32_t y = toPixel(event->position().y());
  main_.dispatch([this, x, y] { buttonUp(main_.window(), main_.state(), x, y); });
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
  // Outside a capture the cursor falls back to the arrow at every move, unless the
  // handler sets another one.
  if (!captured_) setShapeCursor(Cursor::kArrow);
  const int32_t x = toPixel(event->position().x());
  const int32_t y = toPixel(event->position().y());
  main_.dispatch([this, x, y] { mouseMove(main_.window(), main_.state(), x, y); });
}

void ClientArea::keyPressEvent(QKeyEvent* event) {
  const int code = virtualKeyCode(event->key());
  if (code < 0) {
    QWidget::keyPressEvent(event);
    return;
  }
  main_.dispatch([this, code] { keyDown(main_.window(), main_.state(), code); });
}

void ClientArea::moveEditControl(int32_t x, int32_t y, int32_t width, int32_t height) {
  edit_->setGeometry(QRect(x, y, width, height));
  edit_->setVisible(width > 0 && height > 0);
}

void ClientArea::setCaptured(bool captured) {
  if (captured == captured_) return;
  captured_ = captured;
  if (captured)
    grabMouse();
  else
    releaseMouse();
}

void ClientArea::setShapeCursor(Cursor cursor) {
  switch (cursor) {
    case Cursor::kSizeNS:
      setCursor(Qt::SizeVerCursor);
      break;
    case Cursor::kSizeNWSE:
      setCursor(Qt::SizeFDiagCursor);
      break;
    case Cursor::kArrow:
      unsetCursor();
      break;
  }
}

int virtualKeyCode(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;  // 'A'..'Z'
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;  // '0'..'9'
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    default: return -1;
  }
}

}  // namespace velmora::qt

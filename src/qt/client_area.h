// The main window's client area. It keeps the picture the shell painted, at device pixels,
// and shows it one to one; mouse and key events go to the shell's handlers in device
// pixels. A repaint clears the rectangles asked to be erased and then paints the whole
// client area over the picture, as velmora-cli render does, so the window always shows
// what that tool draws for the same commands.
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/image.h"
#include "common/window.h"
#include "graphics/raster_canvas.h"

class QLineEdit;

namespace velmora::qt {

class MainWindow;

class ClientArea : public QWidget {
  Q_OBJECT

 public:
  explicit ClientArea(MainWindow& main);

  // Marks `rect` (logical pixels; null: the whole client area) for repainting.
  void invalidate(const Rect* rect, bool erase);
  // Paints what is pending now instead of at the next paint event.
  void flush();
  // Paints what is pending and schedules showing it: the end of every command does, so
  // that each command's repaint requests are painted together, after the command.
  void paintPending();
  // The picture as shown, at device pixels (empty before the first paint); the shell
  // draws it in logical pixels, scaled by the screen's device pixel ratio.
  const Image& picture() const;
  // The same view drawn again as an SVG document of the picture's size.
  std::string renderSvg();

  // While frozen (a simulation runs on another thread and owns the records) the shell is
  // not asked to paint: the window keeps showing its last picture.
  void setFrozen(bool frozen) { frozen_ = frozen; }

  // The child edit control (id 225), placed in logical pixels; a zero size hides it.
  QLineEdit* editControl() const { return edit_; }
  void moveEditControl(int32_t x, int32_t y, int32_t width, int32_t height);

  // The least size of the client area, in logical pixels: the layout's least client size
  // for the window font at the current pixel ratio.
  QSize minimumClientSize() const;

  void setCaptured(bool captured);
  void setShapeCursor(Cursor cursor);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Dirty {
    Rect rect;
    bool erase;
  };

  void render();
  // The logical pixel under a mouse position.
  static int32_t toPixel(qreal logical);

  MainWindow& main_;
  // The picture, kept between repaints (pens, brushes and fonts too, as a window's
  // drawing surface keeps them); rebuilt when the size or the pixel ratio changes.
  std::unique_ptr<RasterCanvas> canvas_;
  QImage shown_;
  std::vector<Dirty> dirty_;
  QLineEdit* edit_ = nullptr;
  bool frozen_ = false;
  bool captured_ = false;
};

// The Windows virtual-key code of a Qt key, as the shell's key handling expects it; -1
// for keys that have none.
int virtualKeyCode(int qtKey);

}  // namespace velmora::qt

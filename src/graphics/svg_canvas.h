// A Canvas that writes what is drawn as an SVG document, so that a view can be saved as a
// vector picture. The geometry follows the raster canvas's pixel rules as closely as
// vectors allow: a pixel (x, y) is the unit square from (x, y) to (x + 1, y + 1), strokes
// run through pixel centres, a one-pixel line stops where its end pixel begins, outlines
// and fills cover the same boxes, and shapes are drawn with crisp edges.
//
// Consecutive lineTo calls with the same pen become one polyline. Text is written at its
// baseline in the same typeface and em size as the raster canvas uses, every character
// at the pen position the raster canvas gives it, so layouts match; a symbol font writes
// the Greek characters it shows. Images are embedded as PNG data. The document starts
// with the surface filled white, as a fresh canvas is. The same drawing always gives the
// same bytes.
//
// drawImage throws what the PNG encoder throws (ImageFileError, std::bad_alloc), so that
// a document missing an image is never taken for a complete one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/font.h"

namespace velmora {

class SvgCanvas : public Canvas {
 public:
  SvgCanvas(int32_t width, int32_t height,
            int32_t windowFontHeight = kDefaultWindowFontHeight);

  int32_t width() const override { return width_; }
  int32_t height() const override { return height_; }

  Pen setPen(const Pen& pen) override;
  Brush setBrush(const Brush& brush) override;
  FontSpec setFont(const FontSpec& font) override;
  Color setTextColor(Color color) override;
  Color setBackgroundColor(Color color) override;
  BackgroundMode setBackgroundMode(BackgroundMode mode) override;

  Point moveTo(int32_t x, int32_t y) override;
  void lineTo(int32_t x, int32_t y) override;
  void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void fillRect(const Rect& rect, Color color) override;
  void setPixel(int32_t x, int32_t y, Color color) override;

  void textOut(int32_t x, int32_t y, const std::string& text) override;
  Size textExtent(const std::string& text) const override;
  TextMetrics textMetrics() const override;

  void drawImage(int32_t x, int32_t y, const Image& image) override;
  // Later elements go into a group clipped to `clip` (none when it is the whole surface).
  Rect setClipRect(const Rect& clip) override;

  // The complete document for everything drawn so far.
  std::string document() const;

 private:
  void flush();
  std::string polyline() const;
  std::string strokeAttributes(const Pen& pen) const;

  int32_t width_;
  int32_t height_;
  int32_t windowFontHeight_;
  Pen pen_;
  Brush brush_;
  FontSpec font_;
  ResolvedFont resolved_;
  Color text_ = kBlack;
  Color background_ = kWhite;
  BackgroundMode mode_ = BackgroundMode::kOpaque;
  Point position_;
  std::string body_;
  // The polyline being collected: its points and pen.
  std::vector<Point> points_;
  Pen linePen_;
  Rect clip_;
  int32_t clipPaths_ = 0;  // clip paths defined so far
  bool clipGroupOpen_ = false;
};

}  // namespace velmora

#include "graphics/etalon_box.h"

#include <algorithm>
#include <string>

#include "common/format.h"
#include "graphics/thumbnail.h"
#include "graphics/view_support.h"

namespace velmora {

EtalonBoxLayout layoutEtalonBox(const Rect& area, int32_t lineHeight, int32_t count) {
  EtalonBoxLayout b;
  const int32_t w = area.right - area.left + 1;
  const int32_t h = area.bottom - area.top + 1;
  const int32_t lh = lineHeight;
  b.count = std::max(count, 0);
  b.rows = (b.count + 1) / 2;
  b.lineHeight = lh;
  b.mx = 12 * w / 1000;
  b.margin = (15 * h + 500) / 1000;
  b.halfMargin = (15 * h + 1000) / 2000;
  b.thumbWidth = 50 * w / 1000;
  b.width = 4 * b.mx + 2 * b.thumbWidth + b.mx / 2;
  b.left = area.right - b.width - b.mx + 1;
  b.top = area.top + b.margin + lh / 2;
  fitEtalonBox(b, area.bottom - b.top - (lh + lh / 4 - 3));
  return b;
}

void fitEtalonBox(EtalonBoxLayout& b, int32_t room) {
  const int32_t lh = b.lineHeight;
  const int32_t rows = std::max(b.rows, 1);  // an empty box still has its frame
  b.thumbHeight = (room - 2 * b.margin) / 8 - b.halfMargin - lh;
  b.height = (b.thumbHeight + b.halfMargin + lh) * b.rows + 2 * b.margin;
  if (b.height > room) {
    b.thumbHeight = (room - 2 * b.margin) / rows - b.halfMargin - lh;
    b.height = room;
  }
}

Rect etalonBoxCell(const EtalonBoxLayout& b, int32_t m) {
  const int32_t rows = std::max(b.rows, 1);
  const int32_t column = m / rows;
  const int32_t row = m % rows;
  const int32_t left = b.left + b.mx + (b.thumbWidth + 2 * b.mx) * column;
  const int32_t top = b.top + b.margin + (b.thumbHeight + b.halfMargin + b.lineHeight) * row;
  return Rect{left, top, left + b.thumbWidth, top + b.thumbHeight};
}

void drawEtalonBox(Canvas& canvas, const EtalonBoxLayout& b, const EtalonBoxContent& content) {
  if (b.width < 1 || b.height < 1) return;
  canvas.rectangle(b.left, b.top, b.left + b.width + 1, b.top + b.height + 1);
  std::string title;
  if (b.width < 100) {
    title = formatText(" Alph: %d ", b.count);
  } else {
    title = formatText(" Alphabet, %d items ", b.count);
    if (b.count == 1) title = title.substr(0, title.size() - 2) + " ";
  }
  textWithin(canvas, b.left + 7, b.top - b.margin, title);
  if (b.thumbHeight < 2 || b.thumbWidth < 1 || content.list == nullptr) return;
  for (int32_t m = 0; m < b.count; ++m) {
    const int32_t number = content.list[m];
    const PulseHeader* etalon = number >= 1 && number <= content.etalonCount && content.etalons
                                    ? content.etalons[number - 1]
                                    : nullptr;
    drawThumbnail(canvas, etalon, content.amplitude,
                  content.highlighted != 0 && number == content.highlighted ? kThumbnailMarked
                                                                            : kThumbnailPlain,
                  etalonBoxCell(b, m), b.lineHeight);
  }
}

}  // namespace velmora

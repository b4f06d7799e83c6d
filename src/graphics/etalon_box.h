// The box of etalon thumbnails in use, at the top right of the graph area: a frame with a
// title and the thumbnails in two columns, filled column by column. The results view and
// the statistics view lay it out and draw it the same way.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "graphics/canvas.h"
#include "model/alphabet.h"

namespace velmora {

struct EtalonBoxLayout {
  int32_t count = 0;  // K, the etalons in the box
  int32_t rows = 0;   // R = (K + 1) / 2
  int32_t mx = 0;     // 12 per mille of the area width
  int32_t margin = 0;       // B = (15 H + 500) / 1000
  int32_t halfMargin = 0;   // B2 = (15 H + 1000) / 2000
  int32_t thumbWidth = 0;   // tw = 50 per mille of the area width
  int32_t thumbHeight = 0;  // th
  int32_t left = 0, top = 0, width = 0, height = 0;  // bx, by, bw, bh
  int32_t lineHeight = 0;
};

// `area` has inclusive right and bottom edges.
EtalonBoxLayout layoutEtalonBox(const Rect& area, int32_t lineHeight, int32_t count);

// Sizes the box and its thumbnails to `room` pixels under its top: thumbnails of an eighth
// of the room, or smaller so that all rows fit.
void fitEtalonBox(EtalonBoxLayout& box, int32_t room);

// The thumbnail cell of entry m (0-based).
Rect etalonBoxCell(const EtalonBoxLayout& box, int32_t m);

struct EtalonBoxContent {
  const uint16_t* list = nullptr;  // K etalon numbers (1-based)
  const PulseHeader* const* etalons = nullptr;  // etalon e is entry e - 1
  int32_t etalonCount = 0;
  int32_t amplitude = 128;
  int32_t highlighted = 0;  // the etalon number shown on grey, 0 = none
};

// The frame (filled with the current brush), the title " Alphabet, %d items " (" Alphabet, 1 item " for one etalon, " Alph:
// %d " when the box is narrower than 100 pixels) over the frame's top edge, and the
// thumbnails. Thumbnails too small to draw are left out.
void drawEtalonBox(Canvas& canvas, const EtalonBoxLayout& box, const EtalonBoxContent& content);

}  // namespace velmora

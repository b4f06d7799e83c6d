#include "graphics/results_view.h"

#include <algorithm>

#include "graphics/results_view_internal.h"
#include "graphics/thumbnail.h"
#include "graphics/view_support.h"
#include "model/problem_types.h"

namespace velmora {

using namespace results_internal;

namespace {

// One panel's geometry and its two scales.
struct Panel {
  int32_t left, top, right, bottom, mid;
  int32_t length;  // L
  int32_t halfRange;

  // Points beyond the series or the half-range lie outside the panel, where its clip
  // rectangle cuts their lines off (kept within reach of 32 bits).
  int32_t x(int64_t p) const {
    const int64_t span = std::max(length - 1, 1);
    const int64_t x = left + p * (right - left) / span;
    return static_cast<int32_t>(std::clamp<int64_t>(x, -kFar, kFar));
  }
  int32_t y(int64_t value) const {
    const int64_t y = bottom - (value + halfRange) * (bottom - top) / (2 * int64_t{halfRange});
    return static_cast<int32_t>(std::clamp<int64_t>(y, -kFar, kFar));
  }
  // The panel's frame, inclusive of its right and bottom edges.
  Rect frame() const { return Rect{left, top, right + 1, bottom + 1}; }

  static constexpr int64_t kFar = int64_t{1} << 29;
};

Panel panelAt(const View& v, int32_t top) {
  Panel p;
  p.left = v.lay.x0;
  p.top = top;
  p.right = v.lay.x0 + v.lay.graphWidth;
  p.bottom = top + v.lay.graphHeight;
  p.mid = p.top + (p.bottom - p.top) / 2;
  p.length = std::max(v.length, 1);
  p.halfRange = std::max(v.lay.halfRange, 1);
  return p;
}

// ----------------------------------------------------------------------------- panels

// A label that would start before the one drawn last has ended (and a blank after it) is
// left out, so that every label shown can be read whole however dense the pulses are.
void drawLabels(Canvas& canvas, const View& v, const Panel& p, const PulseList& list) {
  int32_t free = INT32_MIN;
  for (int32_t i = 0; i < list.count; ++i) {
    const int32_t x = p.x(list.positions[i]) - 5;
    if (x < free) continue;
    const std::string label = pulseText(v, list, i, "%d", "[%d..%d] ", v.letters);
    textWithin(canvas, x, p.bottom - 1, label);
    free = x + canvas.textExtent(label.substr(0, label.find_last_not_of(' ') + 1) + " ").cx;
  }
}

void dottedVertical(Canvas& canvas, int32_t x, int32_t mid, int32_t reach) {
  for (int32_t d = -(reach / 2) * 2; d <= reach; d += 2) canvas.setPixel(x, mid + d, kBlack);
}

void dottedHorizontal(Canvas& canvas, int32_t x1, int32_t x2, int32_t y) {
  for (int32_t x = x1; x <= x2; x += 2) canvas.setPixel(x, y, kBlack);
}

void drawPulseFrames(Canvas& canvas, const View& v, const Panel& p) {
  const PulseList list = foundPulses(v);
  const int32_t reach = (p.bottom - p.top) / 3;
  for (int32_t i = 0; i < list.count; ++i) {
    const int32_t pos = list.positions[i];
    const int32_t x1 = p.x(pos);
    const int32_t x2 = p.x(int64_t{pos} + v.pulseSize - 1);
    dottedVertical(canvas, x1, p.mid, reach);
    dottedVertical(canvas, x2, p.mid, reach);
    dottedHorizontal(canvas, x1, x2, p.mid - reach);
    dottedHorizontal(canvas, x1, x2, p.mid + reach);
    if (list.first && list.last) {
      dottedVertical(canvas, p.x(int64_t{pos} + list.first[i]), p.mid, reach);
      dottedVertical(canvas, p.x(int64_t{pos} + list.last[i]), p.mid, reach);
    }
  }
}

// The span of each tuple instance over the found pulses, widened by 2 pixels and kept in
// the panel. Instances naming pulses outside the answer are left out.
template <typename Draw>
void forEachTupleSpan(const View& v, const Panel& p, Draw draw) {
  const SeriesHeader& s = v.s;
  if (s.lpTupleFirst == nullptr || s.lpTupleLast == nullptr) return;
  const int32_t instances = std::min<int32_t>(s.wTupleInstances, s.wReservedImpulses);
  for (int32_t k = 0; k < instances; ++k) {
    const int32_t first = s.lpTupleFirst[k] - 1;
    const int32_t last = s.lpTupleLast[k] - 1;
    if (first < 0 || last < first || last >= v.foundPulses) continue;
    const int32_t x1 = std::max(p.x(s.lpFoundPositions[first]) - 2, p.left);
    const int32_t x2 =
        std::min(p.x(int64_t{s.lpFoundPositions[last]} + v.pulseSize - 1) + 2, p.right);
    draw(x1, x2);
  }
}

void drawTupleHighlight(Canvas& canvas, const View& v, const Panel& p) {
  const int32_t reach = 3 * (p.bottom - p.top) / 8;
  const int32_t top = p.mid - reach;
  const int32_t bottom = p.mid + reach;
  switch (v.in.settings.tupleHighlighting) {
    case kTupleHighlightFrames:
      forEachTupleSpan(v, p, [&](int32_t x1, int32_t x2) {
        dottedHorizontal(canvas, x1, x2, top);
        dottedHorizontal(canvas, x1, x2, bottom);
        for (int32_t y = top; y <= bottom; y += 2) {
          canvas.setPixel(x1, y, kBlack);
          canvas.setPixel(x2, y, kBlack);
        }
      });
      break;
    case kTupleHighlightBackgrounds: {
      PenScope pen(canvas, Pen{kTupleBackgroundColor, PenStyle::kSolid, 1});
      BrushScope brush(canvas, Brush{kTupleBackgroundColor, false});
      forEachTupleSpan(v, p, [&](int32_t x1, int32_t x2) {
        canvas.rectangle(x1, top, x2, bottom);
      });
      break;
    }
    default:
      break;
  }
}

void drawAxes(Canvas& canvas, const Panel& p) {
  canvas.moveTo(p.left, p.top);
  canvas.lineTo(p.left, p.bottom);
  canvas.moveTo(p.left, p.mid);
  canvas.lineTo(p.right, p.mid);
}

void drawSeriesCurve(Canvas& canvas, const View& v, const Panel& p) {
  if (v.s.lpNoisyData == nullptr) return;
  PenScope blue(canvas, Pen{kSeriesCurveColor, PenStyle::kSolid, 1});
  canvas.moveTo(p.left, p.mid);
  for (int32_t k = 0; k < v.length; ++k) canvas.lineTo(p.x(k), p.y(v.s.lpNoisyData[k]));
}

// Each pulse of the list over its samples from..to (the whole etalon when `whole`), from
// the zero line and back to it.
void drawPulseCurves(Canvas& canvas, const View& v, const Panel& p, const PulseList& list,
                     bool whole) {
  for (int32_t i = 0; i < list.count; ++i) {
    const PulseHeader* e = v.etalon(list.etalons ? list.etalons[i] : 0);
    if (e == nullptr) continue;
    const int32_t size = std::min<int32_t>(v.pulseSize, e->wSize);
    int32_t from = 0, to = size - 1;
    if (!whole && list.first && list.last) {
      from = std::max<int32_t>(list.first[i], 0);
      to = std::min<int32_t>(list.last[i], size - 1);
    }
    if (to < from) continue;
    const int64_t pos = list.positions[i];
    canvas.moveTo(p.x(pos + from), p.mid);
    for (int32_t j = from; j <= to; ++j) canvas.lineTo(p.x(pos + j), p.y(e->lpData[j]));
    canvas.lineTo(p.x(pos + to), p.mid);
  }
}

// Black pixels on every second row between the zero line and each true pulse's visible
// curve, the row parity alternating from column to column.
void drawHatching(Canvas& canvas, const View& v, const Panel& p) {
  const PulseList list = truePulses(v);
  for (int32_t i = 0; i < list.count; ++i) {
    const PulseHeader* e = v.etalon(list.etalons ? list.etalons[i] : 0);
    if (e == nullptr || list.first == nullptr || list.last == nullptr) continue;
    const int32_t size = std::min<int32_t>(v.pulseSize, e->wSize);
    const int32_t from = std::max<int32_t>(list.first[i], 0);
    const int32_t to = std::min<int32_t>(list.last[i], size - 1);
    const int64_t pos = list.positions[i];
    for (int32_t j = from; j < to; ++j) {
      const int32_t xa = p.x(pos + j);
      const int32_t xb = p.x(pos + j + 1);
      const int64_t va = e->lpData[j];
      const int64_t vb = j + 1 < e->wSize ? e->lpData[j + 1] : 0;
      for (int32_t x = std::max(xa, p.left); x < std::min(xb, p.right + 1); ++x) {
        const int32_t yc = p.y(va + (vb - va) * (x - xa) / (xb - xa));
        // Rows beyond the panel are cut off by its clip rectangle: skip them.
        const int32_t lo = std::max(std::min(yc, p.mid), p.top - 1);
        const int32_t hi = std::min(std::max(yc, p.mid), p.bottom + 1);
        int32_t y = lo + 1;
        if ((y + x) % 2 != 0) ++y;
        for (; y < hi; y += 2) canvas.setPixel(x, y, kBlack);
      }
    }
  }
}

void drawPanels(Canvas& canvas, const View& v) {
  const DrawingSettings& set = v.in.settings;
  const bool tupleTask = isTupleCode(v.taskType);
  const bool tupleAnswer = tupleTask && isTupleSeries(v.seriesType);
  bool allNamed = true;
  for (int32_t i = 0; i < v.foundPulses && v.s.lpFoundEtalons; ++i)
    allNamed = allNamed && v.s.lpFoundEtalons[i] != 0;

  for (int panel = 0; panel < 3; ++panel) {
    if (panel == 2 && !allNamed) break;
    const Panel p = panelAt(v, v.lay.panelTops[panel]);
    drawLabels(canvas, v, p, panel == 0 ? truePulses(v) : foundPulses(v));
    if (set.frameGraphFields && !set.specialGraphSize)
      canvas.rectangle(p.left, p.top, p.right + 1, p.bottom + 1);
    const ClipScope clip(canvas, p.frame());
    if (panel == 0 ? tupleTask : tupleAnswer) drawTupleHighlight(canvas, v, p);
    if (set.highlightDetectedPulses) drawPulseFrames(canvas, v, p);
    drawAxes(canvas, p);
    if (panel == 0) {
      drawPulseCurves(canvas, v, p, truePulses(v), true);
      drawPulseCurves(canvas, v, p, truePulses(v), false);
      if (set.shadedOriginalPulses) drawHatching(canvas, v, p);
    } else if (panel == 1) {
      drawSeriesCurve(canvas, v, p);
    } else {
      drawPulseCurves(canvas, v, p, foundPulses(v), true);
    }
  }
}

// ----------------------------------------------------------------------------- boxes

PatternBoxLayout layoutPatternBox(const Canvas& canvas, const ResultsViewInputs& in,
                                  const ResultsViewLayout& lay) {
  PatternBoxLayout box;
  const SeriesHeader& s = *in.series;
  const ChainsHeader* c = in.chains;
  if (!isTupleSeries(c ? c->wSeriesType : 0)) return box;
  const Rect& a = in.area;
  const EtalonBoxLayout& eb = lay.etalonBox;
  const int32_t h = in.lineHeight;
  const int32_t mx = lay.mx;
  const int32_t tw = eb.thumbWidth;
  const int32_t th = eb.thumbHeight;
  const int32_t margin = eb.margin;
  const int32_t subsets = patternListRows(s);
  box.list = c->wTaskType == kTaskTupleRecognition && subsets > 0;
  box.caption = box.list ? kPatternTuples : kPatternTuple;
  const Size caption = canvas.textExtent(box.caption);
  int32_t left = 0, top = 0, right = 0, bottom = 0;

  if (box.list) {
    const int32_t gy = margin / 8 + 1;
    const int32_t gx = mx / 8 + 1;
    const int32_t cells = std::max(longestPattern(s), 1);
    int32_t cw = tw;
    int32_t width = (cw + gx) * cells + gx + 1;
    const int32_t rowHeight = (8 * (th + 2 * gy + h) + 5) / 9;
    const int32_t height = (rowHeight + gy) * subsets + gy;
    const int32_t room = a.right - lay.x0 - mx - 1;
    if (width > room) {
      const int32_t pitch = (room - gx - 1) / cells;
      cw = pitch - gx;
      width = pitch * cells + gx + 1;
    }
    width = std::max(width, caption.cx + 20);
    left = a.right - mx - width;
    right = a.right - mx;
    top = a.bottom - height - gy;
    bottom = a.bottom - gy;
    placePatternRows(box, s, left, top, width, cw, gx, gy, rowHeight, h);
    for (int32_t r = 0; r < subsets; ++r)
      box.rowHighlights[r] = r + 1 == s.wFoundTuple      ? kThumbnailMarked
                             : r + 1 == in.patternMade ? kThumbnailCurrent
                                                       : kThumbnailPlain;
    box.frame = Rect{left, top - (h / 4 - 1), right, bottom};
  } else {
    const int32_t size = attachedPatternSize(s);
    if (size <= 0) return box;
    const int32_t gy = margin / 4 + 1;
    const int32_t gx = mx / 4 + 1;
    int32_t cw = tw + 2 * gx;
    int32_t width = (3 * gx + tw) * size + gx + 1;
    if (width > lay.graphWidth) {
      const int32_t pitch = (lay.graphWidth - gx - 1) / size;
      cw = pitch - gx;
      width = pitch * size + gx + 1;
    }
    width = std::max(width, caption.cx + 20);
    const int32_t rowHeight = th + 2 * gy + h;
    const int32_t height = rowHeight + 2 * gy;
    right = lay.x0 + lay.graphWidth + 1;
    left = right - width;
    top = eb.rows < 8 ? a.bottom - height - (h + h / 4 - 3) : eb.top + eb.height - height + 1;
    bottom = top + height;
    placePatternCells(box, s, left, top + gy, cw, gx, rowHeight, h);
    box.frame = Rect{left, top, right, bottom};
  }
  placePatternCaption(box, caption, right, top);
  box.shown = patternBoxWithin(box, a);
  if (!box.shown) box = PatternBoxLayout{};
  return box;
}

}  // namespace

int32_t resultsAmplitude(const SeriesHeader& s) {
  if (s.wAmplitude > 0) return s.wAmplitude;
  int32_t a = 128;
  while (a < s.wNoise) a *= 2;
  return a;
}

int32_t resultsHalfRange(const SeriesHeader& s) {
  const int32_t l = std::max(resultsAmplitude(s), s.wNoise * 8 / 3);
  return l + l / 8;
}

ResultsViewLayout layoutResultsView(const Canvas& canvas, const ResultsViewInputs& in) {
  ResultsViewLayout lay;
  const Rect& a = in.area;
  lay.width = a.right - a.left + 1;
  lay.height = a.bottom - a.top + 1;
  if (in.series == nullptr || lay.width < 1 || lay.height < 1) return lay;
  const int32_t h = in.lineHeight;
  const SeriesHeader& s = *in.series;
  lay.amplitude = resultsAmplitude(s);
  lay.halfRange = resultsHalfRange(s);

  lay.graphWidth = 800 * lay.width / 1000;
  lay.graphHeight = 330 * (lay.height - 18 * h) / 1000;
  if (in.settings.specialGraphSize) {
    lay.graphWidth = 618;
    lay.graphHeight = 112;
  }
  if (lay.graphHeight % 2 != 0) ++lay.graphHeight;
  lay.mx = 12 * lay.width / 1000;
  lay.x0 = a.left + lay.mx;
  lay.headerY = a.top - h / 2;
  lay.panelTops[0] = a.top + 4 * h + 1;
  lay.panelTops[1] = lay.panelTops[0] + lay.graphHeight + h;
  lay.panelTops[2] = lay.panelTops[1] + lay.graphHeight + h;
  lay.textY = lay.panelTops[2] + lay.graphHeight + h + h / 2;
  lay.etalonBox = layoutEtalonBox(a, h, in.etalonList ? in.etalonCount : 0);

  // The three panels must lie inside the area; otherwise only the border is drawn.
  lay.fits = lay.graphWidth >= 2 && lay.graphHeight >= 2 && lay.headerY >= 0 &&
             lay.x0 + lay.graphWidth <= a.right &&
             lay.panelTops[2] + lay.graphHeight <= a.bottom;
  if (!lay.fits) return lay;
  const EtalonBoxLayout& eb = lay.etalonBox;
  lay.etalonBoxShown = eb.left > lay.x0 + lay.graphWidth &&
                       halfOpenWithin(Rect{eb.left, eb.top, eb.left + eb.width + 1,
                                           eb.top + eb.height + 1},
                                      halfOpenOf(a)) &&
                       eb.top - eb.margin >= 0;
  lay.pattern = layoutPatternBox(canvas, in, lay);
  // The pattern tuples' list sits at the bottom right, under the etalon box's column: the
  // etalon box ends above its caption instead of being covered by it.
  const PatternBoxLayout& pb = lay.pattern;
  if (lay.etalonBoxShown && pb.shown && pb.list && pb.frame.left < eb.left + eb.width + 1 &&
      pb.frame.right > eb.left && pb.captionY < eb.top + eb.height + 1)
    fitEtalonBox(lay.etalonBox, pb.captionY - 2 - eb.top - 1);
  return lay;
}

void drawResultsView(Canvas& canvas, const ResultsViewInputs& in, const ResultsViewLayout& lay) {
  if (in.series == nullptr || lay.width < 1 || lay.height < 1) return;
  const Rect& a = in.area;
  canvas.moveTo(a.left, a.top);
  canvas.lineTo(a.left, a.top + lay.height);
  canvas.lineTo(a.left + lay.width, a.top + lay.height);
  canvas.lineTo(a.left + lay.width, a.top);
  canvas.lineTo(a.left, a.top);
  if (!lay.fits) return;

  const View v(in, lay);
  drawHeader(canvas, v);
  drawPanels(canvas, v);
  if (lay.etalonBoxShown) {
    EtalonBoxContent content;
    content.list = in.etalonList;
    content.etalons = v.s.lpPulsesList;
    content.etalonCount = v.s.lpPulsesList ? v.s.wEtalons : 0;
    content.amplitude = lay.amplitude;
    if (v.taskType == kTaskRecognition && v.c && v.c->wPretenders > 0 && v.c->wMaxSize > 0 &&
        v.c->pulsesCount[0] > 0)
      content.highlighted = v.c->pulsesList[0][0];
    drawEtalonBox(canvas, lay.etalonBox, content);
  }
  drawTextBlock(canvas, v);
  drawPatternBox(canvas, lay.pattern, v.s, lay.amplitude, v.lineHeight);
}

}  // namespace velmora

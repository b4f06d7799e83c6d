#include "graphics/params_panel_view.h"

#include <algorithm>

#include "common/format.h"
#include "graphics/clipping_canvas.h"

namespace velmora {

namespace {

std::string number(int64_t v) { return std::to_string(v); }

CellRect cellOf(const Rect& r) { return CellRect{r.left, r.top, r.right, r.bottom}; }

void line(Canvas& c, const LineEnds& l) {
  c.moveTo(l.x1, l.y1);
  c.lineTo(l.x2, l.y2);
}

// The outline of an inclusive rectangle.
void frame(Canvas& c, const Rect& r) {
  const Brush old = c.setBrush(Brush{kWhite, true});
  const Rect drawn = halfOpenOf(r);
  c.rectangle(drawn.left, drawn.top, drawn.right, drawn.bottom);
  c.setBrush(old);
}

// The outline of a half-open rectangle.
void hollowRect(Canvas& c, const CellRect& r) {
  const Brush old = c.setBrush(Brush{kWhite, true});
  c.rectangle(r.left, r.top, r.right, r.bottom);
  c.setBrush(old);
}

bool emptyRect(const CellRect& r) { return r.left >= r.right || r.top >= r.bottom; }

const Pen kSolidBlack{kBlack, PenStyle::kSolid, 1};
const Pen kDotBlack{kBlack, PenStyle::kDot, 1};
const Pen kSolidBackground{kParamsPanelBackground, PenStyle::kSolid, 1};
const Pen kDotGrey{kParamsPanelPreviousGrey, PenStyle::kDot, 1};

// A line at a value that has changed since the last drawing: its old pixels are covered
// in the background and it is drawn again dotted in the light grey.
void previousLine(Canvas& c, const LineEnds& l) {
  c.setPen(kSolidBackground);
  line(c, l);
  c.setPen(kDotGrey);
  line(c, l);
}

void previousRect(Canvas& c, const CellRect& r) {
  c.setPen(kSolidBackground);
  hollowRect(c, r);
  c.setPen(kDotGrey);
  hollowRect(c, r);
}

// Labels along a row, centred on their ticks; a label that would run into the one
// before it is left out (dense axes keep every tick but not every number). Calls
// `draw` with each label kept.
template <typename Draw>
void rowLabels(const Canvas& c, const ParamsPlotScale& s, int32_t from, int32_t to,
               int32_t gap, Draw draw) {
  int32_t lastRight = INT32_MIN;
  for (int32_t k = from; k <= to; ++k) {
    const std::string text = number(k);
    const int32_t w = c.textExtent(text).cx;
    const int32_t x = s.ordinalX(k) - w / 2;
    if (lastRight != INT32_MIN && x < lastRight + gap) continue;
    lastRight = x + w;
    draw(k, x, text);
  }
}

}  // namespace

ParamsPlotValues currentPlotValues(const ParamsHeader& p) {
  return ParamsPlotValues{p.dwPulses, p.dwFirstTo, p.dwLastFrom, p.dwTmin, p.dwTmax};
}

ParamsPlotValues previousPlotValues(const ParamsHeader& p) {
  return ParamsPlotValues{p.dwPrevPulses, p.dwPrevFirstTo, p.dwPrevLastFrom, p.dwPrevTmin,
                          p.dwPrevTmax};
}

ParamsPanelLayout layoutParamsPanel(const Canvas& measure, const ParamsHeader& p,
                                    const Rect& field, const ParamsPanelMetrics& metrics) {
  ParamsPanelLayout L;
  L.field = field;
  const int32_t fw = std::max(field.right - field.left + 1, 0);
  const int32_t fh = std::max(field.bottom - field.top + 1, 0);
  const int32_t mx = fw / 170, my = fh / 131;
  const int32_t lh = metrics.lineHeight, cw = metrics.charWidth;
  L.mx = mx;
  L.my = my;
  L.lineHeight = lh;
  L.charWidth = cw;

  const int32_t bw = std::max(measure.textExtent(kParamsCancelText).cx,
                              measure.textExtent(kParamsOkText).cx) +
                     4 * cw;
  const int32_t bh = 2 * lh - 1;
  const Rect g{field.left + mx, field.top + my, field.right - mx, field.bottom - 3 * my - bh};
  L.graphFrame = g;
  const int32_t gw = g.right - g.left + 1, gh = g.bottom - g.top + 1;
  const Rect in{g.left + gw / 4, g.top + gh / 8, g.right - mx, g.bottom - my};
  L.innerFrame = in;

  ParamsPlotScale& s = L.scale;
  s.x0 = in.left + measure.textExtent(number(p.dwLastTo)).cx + 2 * mx;
  s.yt = in.top + 5 * my;
  s.xr = in.right - 5 * mx;
  s.yb = in.bottom - 3 * lh;
  s.width = s.xr - s.x0 + 1;
  s.height = s.yb - s.yt + 1;
  s.spans = std::max(p.dwMaxPulses - 1, 1);
  s.first = p.dwFirstFrom;
  s.last = p.dwLastTo;
  s.range = std::max(p.dwLastTo - p.dwFirstFrom, 1);
  L.plotShown = s.width >= 2 && s.height >= 2 && in.left >= field.left &&
                in.top >= field.top && in.right <= field.right && in.bottom <= field.bottom;
  L.tolerance = my / 2 + 1;
  L.ordinalRowTop = s.yb + 4;
  L.countRowTop = s.yb + 4 + lh;

  if (L.plotShown) {
    L.current = paramsPlotLines(s, currentPlotValues(p), mx, my);
    L.previous = paramsPlotLines(s, previousPlotValues(p), mx, my);
    // One cell per count, as wide as the ordinal spacing and centred on its tick, kept
    // inside the inner frame.
    const int32_t spacing = s.width / s.spans;
    for (int32_t k = p.dwMinPulses; k <= p.dwMaxPulses; ++k) {
      const int32_t left = s.ordinalX(k) - spacing / 2;
      CellRect c{std::max(left, in.left + 1), L.countRowTop, std::min(left + spacing, in.right),
                 L.countRowTop + lh};
      if (c.right < c.left) c.right = c.left;
      L.countCells.push_back(c);
    }
  }

  L.textOrigin = Point{g.left + mx, g.top + 3 * my};
  L.labelWidth = measure.textExtent(" pulses = ").cx;

  const int32_t boxTop = g.bottom - my - (lh + 2);
  L.tminLabel = Point{g.left + mx, boxTop + 1};
  const int32_t boxLeft = L.tminLabel.x + measure.textExtent(kParamsTminLabel).cx;
  L.editBox = Rect{boxLeft, boxTop, boxLeft + measure.textExtent(kParamsEditWidthText).cx,
                   boxTop + lh + 2};

  const int32_t buttonTop = g.bottom + my + 1;
  L.cancelButton = Rect{g.left, buttonTop, g.left + bw, buttonTop + bh};
  const int32_t okLeft = g.left + bw + 2 * cw;
  L.okButton = Rect{okLeft, buttonTop, okLeft + bw, buttonTop + bh};
  return L;
}

namespace {

struct PanelPainter {
  ClippingCanvas& c;
  const ParamsHeader& p;
  const ParamsPanelLayout& L;
  bool partial;

  Rect plotClip() const {
    const Rect& in = L.innerFrame;
    return Rect{in.left + 1, in.top + 1, in.right - 1, in.bottom - 1};
  }

  void text(int32_t x, int32_t y, const std::string& s, Color color = kBlack) {
    c.setTextColor(color);
    c.textOut(x, y, s);
  }

  // Whatever has moved since the last drawing, at its old place.
  void previousValues() {
    const ParamsPlotLines& now = L.current;
    const ParamsPlotLines& was = L.previous;
    const ParamsPlotScale& s = L.scale;
    const ParamsPlotValues v = currentPlotValues(p), w = previousPlotValues(p);
    if (!(was.top == now.top)) previousLine(c, was.top);
    if (!(was.vertical == now.vertical)) previousLine(c, was.vertical);
    for (int32_t k = v.pulses + 1; k <= w.pulses; ++k)
      previousLine(c, LineEnds{s.ordinalX(k), s.yb - 2, s.ordinalX(k), s.yb + 4});
    if (!(was.firstTo == now.firstTo)) {
      previousRect(c, was.firstToHandle);
      previousLine(c, was.firstTo);
    }
    if (!(was.lastFrom == now.lastFrom)) {
      previousRect(c, was.lastFromHandle);
      previousLine(c, was.lastFrom);
    }
    if (!(was.tmax == now.tmax)) previousLine(c, was.tmax);
    if (!(was.tmin == now.tmin)) previousLine(c, was.tmin);
    if (!(was.earliestFirst == now.earliestFirst)) previousLine(c, was.earliestFirst);
    if (!(was.earliestLast == now.earliestLast)) previousLine(c, was.earliestLast);
    c.setPen(Pen{kParamsPanelPreviousGrey, PenStyle::kSolid, 1});
    c.setBrush(Brush{kParamsPanelPreviousGrey, false});
    if (v.firstTo != w.firstTo && !emptyRect(was.firstToMarker)) {
      const CellRect& r = was.firstToMarker;
      c.rectangle(r.left, r.top, r.right, r.bottom);
    }
    if (v.lastFrom != w.lastFrom && !emptyRect(was.lastFromMarker)) {
      const CellRect& r = was.lastFromMarker;
      c.rectangle(r.left, r.top, r.right, r.bottom);
    }
    c.setPen(kSolidBlack);
  }

  // Labels of the old bounds and of ordinals no longer shown are covered over.
  void previousLabels() {
    const ParamsPlotScale& s = L.scale;
    const ParamsPlotValues v = currentPlotValues(p), w = previousPlotValues(p);
    if (w.firstTo != v.firstTo) positionLabel(w.firstTo, kParamsPanelBackground);
    if (w.lastFrom != v.lastFrom) positionLabel(w.lastFrom, kParamsPanelBackground);
    rowLabels(c, s, 1, w.pulses, L.charWidth / 2, [&](int32_t k, int32_t x, const std::string& t) {
      if (k > v.pulses) text(x, L.ordinalRowTop, t, kParamsPanelBackground);
    });
  }

  void positionLabel(int32_t v, Color color) {
    const std::string t = number(v);
    const int32_t w = c.textExtent(t).cx;
    text(L.scale.x0 - L.mx - w, L.scale.positionY(v) - L.lineHeight / 2, t, color);
  }

  void axes() {
    const ParamsPlotScale& s = L.scale;
    const ParamsPlotValues v = currentPlotValues(p);
    c.setPen(kSolidBlack);
    line(c, LineEnds{s.x0, s.yb, s.xr + 1, s.yb});
    line(c, LineEnds{s.x0, s.yb, s.x0, s.positionY(s.last) - 1});
    for (int32_t k = 1; k <= v.pulses; ++k)
      line(c, LineEnds{s.ordinalX(k), s.yb - 2, s.ordinalX(k), s.yb + 4});
    for (int32_t k = p.dwMinPulses; k <= p.dwMaxPulses; ++k)
      line(c, LineEnds{s.ordinalX(k), s.yb + 1, s.ordinalX(k), s.yb + 3});

    // Labels: start positions left of the vertical axis, ordinals 1..M under the
    // horizontal one, the counts Mmin..Mmax a row lower.
    for (int32_t value : {s.first, v.firstTo, v.lastFrom, s.last}) positionLabel(value, kBlack);
    rowLabels(c, s, 1, v.pulses, L.charWidth / 2, [&](int32_t, int32_t x, const std::string& t) {
      text(x, L.ordinalRowTop, t);
    });
    rowLabels(c, s, p.dwMinPulses, p.dwMaxPulses, L.charWidth / 2,
              [&](int32_t, int32_t x, const std::string& t) { text(x, L.countRowTop, t); });
  }

  void lines() {
    const ParamsPlotLines& l = L.current;
    c.setPen(kSolidBlack);
    line(c, l.top);
    line(c, l.vertical);
    c.setPen(kDotBlack);
    line(c, l.firstTo);
    line(c, l.lastFrom);
    c.setPen(kSolidBlack);
    hollowRect(c, l.firstToHandle);
    hollowRect(c, l.lastFromHandle);
    line(c, l.tmax);
    line(c, l.tmin);
    line(c, l.earliestFirst);
    line(c, l.earliestLast);
  }

  std::string endsText(const LineEnds& l) const {
    return formatText(" (%d,%d) - (%d,%d) ", l.x1, l.y1, l.x2, l.y2);
  }

  void textBlock() {
    const int32_t x = L.textOrigin.x, lh = L.lineHeight;
    int32_t y = L.textOrigin.y;
    const LineEnds tminNow = L.plotShown ? L.current.tmin : LineEnds{};
    // The line's ends may print shorter than before; the old text is covered first.
    if (partial && L.plotShown && !(L.previous.tmin == L.current.tmin))
      text(x, y, endsText(L.previous.tmin), kParamsPanelBackground);
    text(x, y, endsText(tminNow));
    y += lh;
    text(x, y, formatText(" h = %d", L.tolerance));
    y += lh;
    const ParamsPlotScale& s = L.scale;
    text(x, y, endsText(LineEnds{s.x0, s.yt, s.xr, s.yb}));
    y += lh;
    text(x, y, formatText(" w %d, h %d", s.width, s.height));
    y += 2 * lh;

    auto value = [&](const char* label, const std::string& shown) {
      text(x + L.labelWidth - c.textExtent(label).cx, y, label);
      text(x + L.labelWidth, y, shown);
      y += lh;
    };
    value(" a   = ", formatText("%d     ", p.dwFirstFrom));
    value(" a+ = ", formatText("%d     ", p.dwFirstTo));
    value(" b-  = ", formatText("%d     ", p.dwLastFrom));
    value(" b   = ", formatText("%d     ", p.dwLastTo));
    y += lh;
    value(" Tmin = ", formatText("%d [%d]    ", p.dwTmin, p.dwPrevTmin));
    value(" Tmax = ", formatText("%d     ", p.dwTmax));
    value(" pulses = ", formatText("%d     ", p.dwPulses));
    // The counts the bounds admit: the least with every interval Tmax, the greatest with
    // every interval Tmin.
    const int64_t least =
        p.dwTmax > 0
            ? (int64_t{p.dwLastFrom} + p.dwTmax - p.dwFirstTo - 1) / p.dwTmax + 1
            : int64_t{p.dwMinPulses};
    const int64_t greatest =
        p.dwTmin > 0 ? (int64_t{p.dwLastTo} - p.dwFirstFrom) / p.dwTmin + 1
                     : int64_t{p.dwMaxPulses};
    value(" Mmin = ", formatText("%d [%lld]     ", p.dwMinPulses, static_cast<long long>(least)));
    value(" Mmax = ",
          formatText("%d [%lld]     ", p.dwMaxPulses, static_cast<long long>(greatest)));
  }

  void tminBox(const std::string& editText) {
    text(L.tminLabel.x, L.tminLabel.y, kParamsTminLabel);
    // The edit control sits on this box; drawn pictures show its text in its place.
    const Rect& r = L.editBox;
    c.fillRect(r, kWhite);
    const Rect saved = c.clip();
    c.setClip(Rect{std::max(r.left, saved.left), std::max(r.top, saved.top),
                   std::min(r.right - 2, saved.right), std::min(r.bottom - 1, saved.bottom)});
    const Color bk = c.setBackgroundColor(kWhite);
    text(r.left + 2, r.top + 1, editText);
    c.setBackgroundColor(bk);
    c.setClip(saved);
    c.setPen(kSolidBlack);
    frame(c, Rect{r.left, r.top, r.right - 1, r.bottom - 1});
  }

  // A raised box: the face, white upper and left edges, grey lower and right edges, the
  // text centred.
  void button(const Rect& r, const char* label) {
    if (r.right - r.left < 3 || r.bottom - r.top < 3) return;
    c.fillRect(r, kParamsPanelBackground);
    c.setPen(Pen{kWhite, PenStyle::kSolid, 1});
    c.moveTo(r.left, r.bottom - 1);
    c.lineTo(r.left, r.top);
    c.lineTo(r.right - 1, r.top);
    c.setPen(Pen{rgb(125, 125, 125), PenStyle::kSolid, 1});
    c.lineTo(r.right - 1, r.bottom - 1);
    c.lineTo(r.left, r.bottom - 1);
    c.setPen(Pen{rgb(165, 170, 165), PenStyle::kSolid, 1});
    c.moveTo(r.right - 2, r.top + 1);
    c.lineTo(r.right - 2, r.bottom - 2);
    c.lineTo(r.left + 1, r.bottom - 2);
    const Size size = c.textExtent(label);
    const BackgroundMode mode = c.setBackgroundMode(BackgroundMode::kTransparent);
    text(r.left + (r.right - r.left - size.cx) / 2, r.top + (r.bottom - r.top - size.cy) / 2,
         label);
    c.setBackgroundMode(mode);
    c.setPen(kSolidBlack);
  }
};

}  // namespace

void drawParamsPanel(Canvas& canvas, const ParamsHeader& p, const ParamsPanelLayout& L,
                     bool partial, const std::string& editText) {
  ClippingCanvas c(canvas, L.field);
  const Pen pen = c.setPen(kSolidBlack);
  const Brush brush = c.setBrush(Brush{kWhite, true});
  const Color textColor = c.setTextColor(kBlack);
  const Color background = c.setBackgroundColor(kParamsPanelBackground);
  const BackgroundMode mode = c.setBackgroundMode(BackgroundMode::kOpaque);

  PanelPainter painter{c, p, L, partial};
  if (!partial) {
    const Rect& f = L.field;
    c.fillRect(halfOpenOf(f), kParamsPanelBackground);
    frame(c, f);
    frame(c, L.graphFrame);
    if (L.plotShown) frame(c, L.innerFrame);
  }
  if (L.plotShown) {
    // Everything of the plot stays inside the inner frame, which is never drawn over.
    c.setClip(painter.plotClip());
    painter.previousValues();
    painter.previousLabels();
    painter.axes();
    painter.lines();
    c.setClip(L.field);
  }
  // The text block keeps to the graph frame left of the plot and above the Tmin box, so
  // that on a small field it is cut rather than written over the plot.
  const Rect& g = L.graphFrame;
  c.setClip(Rect{std::max(g.left + 1, L.field.left), std::max(g.top + 1, L.field.top),
                 std::min(L.plotShown ? L.innerFrame.left - 1 : g.right - 1, L.field.right),
                 std::min(L.editBox.top - 1, L.field.bottom)});
  painter.textBlock();
  c.setClip(L.field);
  painter.tminBox(editText);
  painter.button(L.cancelButton, kParamsCancelText);
  painter.button(L.okButton, kParamsOkText);

  c.setPen(pen);
  c.setBrush(brush);
  c.setTextColor(textColor);
  c.setBackgroundColor(background);
  c.setBackgroundMode(mode);
}

void drawEmptyParamsPanel(Canvas& canvas, const Rect& f) {
  ClippingCanvas c(canvas, f);
  const Pen pen = c.setPen(kSolidBlack);
  c.fillRect(halfOpenOf(f), kParamsPanelBackground);
  frame(c, f);
  c.setPen(pen);
}

void storeParamsPanelGeometry(const ParamsPanelLayout& L, ParamsHeader& p) {
  p.innerFrame = cellOf(L.innerFrame);
  p.dwPlotLeft = L.scale.x0;
  p.dwPlotTop = L.scale.yt;
  p.dwPlotRight = L.scale.xr;
  p.dwPlotBottom = L.scale.yb;
  const bool shown = L.plotShown;
  const ParamsPlotLines none;
  const ParamsPlotLines& now = shown ? L.current : none;
  const ParamsPlotLines& was = shown ? L.previous : none;
  p.tmaxLine = now.tmax;
  p.tminLine = now.tmin;
  p.dwTmaxTolerance = p.dwTminTolerance = shown ? L.tolerance : 0;
  p.firstToHandle = now.firstToHandle;
  p.lastFromHandle = now.lastFromHandle;
  p.prevFirstToLine = was.firstTo;
  p.prevLastFromLine = was.lastFrom;
  p.prevTmaxLine = was.tmax;
  p.prevTminLine = was.tmin;
  p.prevFirstToMarker = was.firstToMarker;
  p.prevLastFromMarker = was.lastFromMarker;
  const int32_t cells = std::min(p.dwAreas, p.dwReservedAreas);
  for (int32_t i = 0; i < cells && p.pulsesSelectedAreas; ++i)
    p.pulsesSelectedAreas[i] =
        shown && size_t(i) < L.countCells.size() ? L.countCells[size_t(i)] : CellRect{};
  // A button is clickable only where it is drawn whole.
  auto whole = [&](const Rect& r) {
    return halfOpenWithin(r, halfOpenOf(L.field)) && r.right - r.left >= 3 &&
                   r.bottom - r.top >= 3
               ? cellOf(r)
               : CellRect{};
  };
  p.cancelButton = whole(L.cancelButton);
  p.okButton = whole(L.okButton);
}

}  // namespace velmora

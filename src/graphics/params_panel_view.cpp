#include "graphics/params_panel_view.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace velmora {

namespace {

// Pixel products of series lengths (up to 32767) with plot sizes overflow 32 bits, so the
// plot arithmetic runs in 64 bits and only the results, which are pixels, come back.
int64_t floorDiv(int64_t num, int64_t den) {
  int64_t q = num / den;
  if ((num % den != 0) && ((num < 0) != (den < 0))) --q;
  return q;
}

// num / den rounded half up (den > 0).
int64_t roundHalfUp(int64_t num, int64_t den) { return floorDiv(2 * num + den, 2 * den); }

int32_t toPixel(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buffer[256];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

std::string number(int64_t v) { return std::to_string(v); }

LineEnds lineOf(Point a, Point b) { return LineEnds{a.x, a.y, b.x, b.y}; }

CellRect cellOf(const Rect& r) { return CellRect{r.left, r.top, r.right, r.bottom}; }

// A canvas that keeps everything inside a clip rectangle (inclusive): lines are clipped,
// rectangles cut, pixels outside dropped and texts cut to the characters that fit (a
// text that does not fit in height, or starts left of the clip, is dropped). The panel
// draws through it so that no field size, however small, makes it paint outside its
// field.
class ClippedCanvas : public Canvas {
 public:
  ClippedCanvas(Canvas& inner, const Rect& clip) : inner_(inner), clip_(clip) {}

  void setClip(const Rect& clip) { clip_ = clip; }
  const Rect& clip() const { return clip_; }

  int32_t width() const override { return inner_.width(); }
  int32_t height() const override { return inner_.height(); }
  Pen setPen(const Pen& pen) override { return inner_.setPen(pen); }
  Brush setBrush(const Brush& brush) override { return inner_.setBrush(brush); }
  FontSpec setFont(const FontSpec& font) override { return inner_.setFont(font); }
  Color setTextColor(Color color) override { return inner_.setTextColor(color); }
  Color setBackgroundColor(Color color) override { return inner_.setBackgroundColor(color); }
  BackgroundMode setBackgroundMode(BackgroundMode mode) override {
    return inner_.setBackgroundMode(mode);
  }

  Point moveTo(int32_t x, int32_t y) override { return std::exchange(position_, Point{x, y}); }

  void lineTo(int32_t x, int32_t y) override {
    double x1 = position_.x, y1 = position_.y, x2 = x, y2 = y;
    position_ = Point{x, y};
    if (clipLine(x1, y1, x2, y2)) {
      inner_.moveTo(pixel(x1, clip_.left, clip_.right), pixel(y1, clip_.top, clip_.bottom));
      inner_.lineTo(pixel(x2, clip_.left, clip_.right), pixel(y2, clip_.top, clip_.bottom));
    }
  }

  void rectangle(int32_t l, int32_t t, int32_t r, int32_t b) override {
    if (cut(l, t, r, b)) inner_.rectangle(l, t, r, b);
  }
  void ellipse(int32_t l, int32_t t, int32_t r, int32_t b) override {
    if (cut(l, t, r, b)) inner_.ellipse(l, t, r, b);
  }
  void fillRect(const Rect& rect, Color color) override {
    Rect r = rect;
    if (cut(r.left, r.top, r.right, r.bottom)) inner_.fillRect(r, color);
  }
  void setPixel(int32_t x, int32_t y, Color color) override {
    if (containsInclusive(clip_, x, y)) inner_.setPixel(x, y, color);
  }

  void textOut(int32_t x, int32_t y, const std::string& text) override {
    std::string shown = text;
    Size size = inner_.textExtent(shown);
    if (x < clip_.left || y < clip_.top || y + size.cy - 1 > clip_.bottom) return;
    while (!shown.empty() && x + size.cx - 1 > clip_.right) {
      do shown.pop_back();
      while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80);
      if (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0xC0)
        shown.pop_back();
      size = inner_.textExtent(shown);
    }
    if (!shown.empty()) inner_.textOut(x, y, shown);
  }
  Size textExtent(const std::string& text) const override { return inner_.textExtent(text); }
  TextMetrics textMetrics() const override { return inner_.textMetrics(); }
  void drawImage(int32_t x, int32_t y, const Image& image) override {
    // Its first and last pixel, both inside.
    if (containsInclusive(clip_, x, y) &&
        containsInclusive(clip_, x + image.width - 1, y + image.height - 1))
      inner_.drawImage(x, y, image);
  }
  Rect setClipRect(const Rect& clip) override { return inner_.setClipRect(clip); }

 private:
  static int32_t pixel(double v, int32_t lo, int32_t hi) {
    return std::clamp(static_cast<int32_t>(std::lround(v)), lo, hi);
  }

  // Cuts the half-open box (l, t, r, b) to the clip; false when nothing of it is left.
  bool cut(int32_t& l, int32_t& t, int32_t& r, int32_t& b) const {
    const Rect within = halfOpenOf(clip_);
    l = std::max(l, within.left);
    t = std::max(t, within.top);
    r = std::min(r, within.right);
    b = std::min(b, within.bottom);
    return !emptyHalfOpen(Rect{l, t, r, b});
  }

  // Liang–Barsky: the part of the segment inside the clip; false when none is.
  bool clipLine(double& x1, double& y1, double& x2, double& y2) const {
    if (clip_.left > clip_.right || clip_.top > clip_.bottom) return false;
    const double dx = x2 - x1, dy = y2 - y1;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - clip_.left, clip_.right - x1, y1 - clip_.top, clip_.bottom - y1};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return false;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0) {
        if (t > t1) return false;
        t0 = std::max(t0, t);
      } else {
        if (t < t0) return false;
        t1 = std::min(t1, t);
      }
    }
    const double sx = x1, sy = y1;
    x1 = sx + t0 * dx;
    y1 = sy + t0 * dy;
    x2 = sx + t1 * dx;
    y2 = sy + t1 * dy;
    return true;
  }

  Canvas& inner_;
  Rect clip_;
  Point position_;
};

void line(Canvas& c, const LineEnds& l) {
  c.moveTo(l.x1, l.y1);
  c.lineTo(l.x2, l.y2);
}

// An inclusive frame.
void frame(Canvas& c, const Rect& r) {
  const Brush old = c.setBrush(Brush{kWhite, true});
  c.rectangle(r.left, r.top, r.right + 1, r.bottom + 1);
  c.setBrush(old);
}

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

int32_t ParamsPlotScale::ordinalX(int32_t k) const {
  return toPixel(x0 + (int64_t{k} - 1) * width / spans);
}

int32_t ParamsPlotScale::positionY(int64_t v) const {
  return toPixel(yb - (v - first) * height / range);
}

Point ParamsPlotScale::halfPoint(int64_t twiceK, int64_t twiceV) const {
  return Point{toPixel(x0 + roundHalfUp((twiceK - 2) * width, 2 * int64_t{spans})),
               toPixel(yb - roundHalfUp((twiceV - 2 * int64_t{first}) * height,
                                        2 * int64_t{range}))};
}

ParamsLineEnds paramsLineEnds(const ParamsPlotValues& v, int32_t a, int32_t b) {
  const int64_t m = v.pulses, tmin = v.tmin, tmax = v.tmax;
  const int64_t most = 2 * m + 1;
  ParamsLineEnds e;
  if (tmin >= tmax) {
    e.e1 = e.e2 = most;
    return e;
  }
  const int64_t d = tmax - tmin;
  e.e1 = (2 * (b + tmax + d - m * tmin - v.firstTo) - 1) / d - 1;
  e.e2 = (2 * (m * tmax + a + d - tmin - v.lastFrom) - 1) / d - 1;
  // Each pair of lines ends half an ordinal past its crossing, and never past the last
  // pulse: with Tmin close to Tmax the crossing can lie far right of the plot.
  e.e1 = std::max<int64_t>(std::min(e.e1, most), 1);
  e.e2 = std::max<int64_t>(std::min(e.e2, most), 1);
  return e;
}

ParamsPlotLines paramsPlotLines(const ParamsPlotScale& s, const ParamsPlotValues& v,
                                int32_t mx, int32_t my) {
  ParamsPlotLines l;
  const int64_t a = s.first, b = s.last, m = v.pulses;
  const int32_t xm = s.ordinalX(v.pulses);
  const int32_t yTop = s.positionY(b);
  l.top = LineEnds{s.ordinalX(1), yTop, xm, yTop};
  l.vertical = LineEnds{xm, s.positionY(a), xm, yTop};

  const int32_t left = s.x0 - mx / 2, right = xm + mx, half = my / 2 + 1;
  const int32_t yFirstTo = s.positionY(v.firstTo), yLastFrom = s.positionY(v.lastFrom);
  l.firstTo = LineEnds{left, yFirstTo, right, yFirstTo};
  l.lastFrom = LineEnds{left, yLastFrom, right, yLastFrom};
  l.firstToHandle = CellRect{left, yFirstTo - half, right, yFirstTo + half + 1};
  l.lastFromHandle = CellRect{left, yLastFrom - half, right, yLastFrom + half + 1};
  l.firstToMarker = CellRect{left - 5, yFirstTo - 2, left, yFirstTo + 3};
  l.lastFromMarker = CellRect{left - 5, yLastFrom - 2, left, yLastFrom + 3};

  const ParamsLineEnds e = paramsLineEnds(v, s.first, s.last);
  const int64_t tmin = v.tmin, tmax = v.tmax, ap = v.firstTo, bm = v.lastFrom;
  const int64_t end = 2 * m + 1;
  // Start positions at doubled ordinal K (ordinal K / 2), doubled as well.
  auto latestByTmax = [&](int64_t k) { return 2 * ap + (k - 2) * tmax; };
  auto latestByTmin = [&](int64_t k) { return 2 * b - (2 * m - k) * tmin; };
  auto earliestByTmin = [&](int64_t k) { return 2 * a + (k - 2) * tmin; };
  auto earliestByTmax = [&](int64_t k) { return 2 * bm - (2 * m - k) * tmax; };
  l.tmax = lineOf(s.halfPoint(1, latestByTmax(1)), s.halfPoint(e.e1, latestByTmax(e.e1)));
  l.tmin = lineOf(s.halfPoint(e.e1 - 1, latestByTmin(e.e1 - 1)),
                  s.halfPoint(end, latestByTmin(end)));
  l.earliestFirst =
      lineOf(s.halfPoint(1, earliestByTmin(1)), s.halfPoint(e.e2, earliestByTmin(e.e2)));
  l.earliestLast = lineOf(s.halfPoint(e.e2 - 1, earliestByTmax(e.e2 - 1)),
                          s.halfPoint(end, earliestByTmax(end)));
  return l;
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
  ClippedCanvas& c;
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
    return format(" (%d,%d) - (%d,%d) ", l.x1, l.y1, l.x2, l.y2);
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
    text(x, y, format(" h = %d", L.tolerance));
    y += lh;
    const ParamsPlotScale& s = L.scale;
    text(x, y, endsText(LineEnds{s.x0, s.yt, s.xr, s.yb}));
    y += lh;
    text(x, y, format(" w %d, h %d", s.width, s.height));
    y += 2 * lh;

    auto value = [&](const char* label, const std::string& shown) {
      text(x + L.labelWidth - c.textExtent(label).cx, y, label);
      text(x + L.labelWidth, y, shown);
      y += lh;
    };
    value(" a   = ", format("%d     ", p.dwFirstFrom));
    value(" a+ = ", format("%d     ", p.dwFirstTo));
    value(" b-  = ", format("%d     ", p.dwLastFrom));
    value(" b   = ", format("%d     ", p.dwLastTo));
    y += lh;
    value(" Tmin = ", format("%d [%d]    ", p.dwTmin, p.dwPrevTmin));
    value(" Tmax = ", format("%d     ", p.dwTmax));
    value(" pulses = ", format("%d     ", p.dwPulses));
    // The counts the bounds admit: the least with every interval Tmax, the greatest with
    // every interval Tmin.
    const int64_t least =
        p.dwTmax > 0
            ? (int64_t{p.dwLastFrom} + p.dwTmax - p.dwFirstTo - 1) / p.dwTmax + 1
            : int64_t{p.dwMinPulses};
    const int64_t greatest =
        p.dwTmin > 0 ? (int64_t{p.dwLastTo} - p.dwFirstFrom) / p.dwTmin + 1
                     : int64_t{p.dwMaxPulses};
    value(" Mmin = ", format("%d [%lld]     ", p.dwMinPulses, static_cast<long long>(least)));
    value(" Mmax = ", format("%d [%lld]     ", p.dwMaxPulses, static_cast<long long>(greatest)));
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
  ClippedCanvas c(canvas, L.field);
  const Pen pen = c.setPen(kSolidBlack);
  const Brush brush = c.setBrush(Brush{kWhite, true});
  const Color textColor = c.setTextColor(kBlack);
  const Color background = c.setBackgroundColor(kParamsPanelBackground);
  const BackgroundMode mode = c.setBackgroundMode(BackgroundMode::kOpaque);

  PanelPainter painter{c, p, L, partial};
  if (!partial) {
    const Rect& f = L.field;
    c.fillRect(Rect{f.left, f.top, f.right + 1, f.bottom + 1}, kParamsPanelBackground);
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
  ClippedCanvas c(canvas, f);
  const Pen pen = c.setPen(kSolidBlack);
  c.fillRect(Rect{f.left, f.top, f.right + 1, f.bottom + 1}, kParamsPanelBackground);
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

bool withinLineTolerance(const LineEnds& l, int32_t h, int32_t x, int32_t y) {
  if (x < l.x1 || x > l.x2) return false;
  if (l.x2 == l.x1) {
    return y >= std::min(l.y1, l.y2) - int64_t{h} && y <= std::max(l.y1, l.y2) + int64_t{h};
  }
  const int64_t dx = int64_t{l.x2} - l.x1;
  const int64_t e = (dx + 2 * (int64_t{l.x2} - x) * (int64_t{l.y1} - l.y2)) / (2 * dx);
  return std::llabs(int64_t{y} - l.y2 - e) <= h;
}

}  // namespace velmora

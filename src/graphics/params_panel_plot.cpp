#include "graphics/params_panel_plot.h"

#include <algorithm>
#include <cstdlib>

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

LineEnds lineOf(Point a, Point b) { return LineEnds{a.x, a.y, b.x, b.y}; }

}  // namespace

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

#include "graphics/statistics_view.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <initializer_list>
#include <new>

#include "common/format.h"
#include "graphics/statistics_text.h"
#include "graphics/thumbnail.h"
#include "graphics/view_support.h"
#include "model/problem_types.h"

namespace velmora {

namespace {

constexpr int32_t kSymbolWeight = 408;

// y of the point `q` pixels above the plot's bottom, held inside the plot.
int32_t plotY(const StatisticsViewLayout& lay, int64_t q) {
  return lay.plotY + lay.plotHeight - static_cast<int32_t>(std::clamp<int64_t>(q, 0, lay.plotHeight));
}

}  // namespace

// ----------------------------------------------------------------------------- layout

StatisticsViewLayout layoutStatisticsView(const Canvas& canvas, const StatisticsViewInputs& in) {
  StatisticsViewLayout lay;
  const Rect& a = in.area;
  lay.width = a.right - a.left + 1;
  lay.height = a.bottom - a.top + 1;
  if (in.series == nullptr || in.errors == nullptr || lay.width < 1 || lay.height < 1) return lay;
  lay.drawn = true;
  const SeriesHeader& s = *in.series;
  const RestErrorHeader& e = *in.errors;
  const int32_t h = std::max(in.lineHeight, 1);
  const int32_t wa = lay.width, ha = lay.height;

  lay.headerX = a.left + 10;
  lay.headerY = a.top - h / 2;
  lay.amplitude = in.amplitude;
  if (lay.amplitude == 0) {
    lay.amplitude = 128;
    while (lay.amplitude < s.wNoise) lay.amplitude *= 2;
  }
  lay.mx = wa * 12 / 1000;
  lay.my = (ha * 15 + 500) / 1000;
  lay.x0 = a.left + lay.mx;
  const int32_t tw = 50 * wa / 1000;
  lay.etalonBox = layoutEtalonBox(a, h, in.etalonList ? in.etalonCount : 0);
  const EtalonBoxLayout& eb = lay.etalonBox;
  const Rect box{eb.left, eb.top, eb.left + eb.width + 1, eb.top + eb.height + 1};  // half-open
  lay.etalonBoxShown = eb.width >= 1 && eb.height >= 1 && eb.top - eb.margin >= 0 &&
                       halfOpenWithin(box, halfOpenOf(a));

  lay.statisticsY = a.top + 1 + 10 * h;
  lay.startY = lay.statisticsY + 3 * h + 3;
  lay.endY = lay.startY + h + 1;
  lay.elapsedY = lay.endY + 2 * h + 2;
  int32_t y = lay.elapsedY + 3 * h + 3;

  // The plot, right of the text column and left of the etalon box.
  int32_t f = (ha + 11) / 22;
  if (f < h + 1) f = h + 2;
  lay.plotFontHeight = f;
  lay.formulaFontHeight = (ha + 12) / 25;
  if (lay.formulaFontHeight < h + 1) lay.formulaFontHeight = h + 2;
  const int32_t room = ha - lay.my - lay.my / 2 - 2 * f;
  const int32_t widthLimit = std::min((eb.left - 2 * lay.mx) / 2, 2 * room / 3);
  const int32_t u = (room / 10 + 2) / 4;
  lay.gridPitch = 4 * u;
  lay.plotHeight = 40 * u;
  const StatisticsGrid g(e);
  // One level still gets a column, so that the plot has a width.
  const int32_t steps = std::max(g.levels - 1, 1);
  int32_t dx = (2 * widthLimit / (2 * steps) + 1) / 2 * 2;
  dx = std::min(dx, ((lay.gridPitch + 2) / 5 + 1) / 2 * 2);
  lay.columnStep = dx;
  lay.plotWidth = steps * dx;
  lay.plotX = eb.left - lay.plotWidth - 6 * lay.mx + 1;
  lay.plotY = a.top + (std::max(h + 1, lay.my) + f) / 2;
  lay.plotShown = u >= 1 && dx >= 2 && lay.plotHeight <= kLargestPlotHeight &&
                  lay.plotX - 1 >= a.left && lay.plotY - 1 >= a.top &&
                  lay.plotX + lay.plotWidth + 1 <= a.right &&
                  lay.plotY + lay.plotHeight + 1 <= a.bottom;

  // The pattern box under the times, kept left of the plot.
  if (isTupleSeries(e.wSeriesType)) {
    PatternBoxLayout pb;
    const int32_t rows = patternListRows(s);
    pb.list = e.wTaskType == kTaskTupleRecognition && rows > 0;
    pb.caption = pb.list ? kPatternTuples : kPatternTuple;
    const Size caption = canvas.textExtent(pb.caption);
    const int32_t th = eb.thumbHeight;
    const int32_t x = lay.x0;
    int32_t boxWidth = 0, boxHeight = 0;
    if (pb.list) {
      const int32_t gy = lay.my / 8 + 1;
      const int32_t gx = lay.mx / 8 + 1;
      const int32_t cells = std::max(longestPattern(s), 1);
      int32_t cw = tw;
      boxWidth = (cw + gx) * cells + 1 + gx;
      const int32_t fit = lay.plotX - 2 * gx - x;
      if (boxWidth > fit) {
        const int32_t pitch = (fit - gx - 1) / cells;
        cw = pitch - gx;
        boxWidth = pitch * cells + gx + 1;
      }
      boxWidth = std::max(boxWidth, caption.cx + 20);
      const int32_t rowHeight = (8 * (th + 2 * gy + h) + 5) / 9;
      boxHeight = (rowHeight + gy) * rows + gy;
      placePatternRows(pb, s, x, y, boxWidth, cw, gx, gy, rowHeight, h);
      pb.frame = Rect{x, y - (h / 4 - 1), x + boxWidth, y + boxHeight};
    } else if (attachedPatternSize(s) > 0) {
      const int32_t size = attachedPatternSize(s);
      const int32_t gy = lay.my / 4 + 1;
      const int32_t gx = lay.mx / 4 + 1;
      int32_t cw = tw + 2 * gx;
      boxWidth = (cw + gx) * size + gx + 1;
      const int32_t fit = lay.plotX - 2 * gx - x;
      if (boxWidth > fit) {
        const int32_t pitch = (fit - gx - 1) / size;
        cw = pitch - gx;
        boxWidth = pitch * size + gx + 1;
      }
      boxWidth = std::max(boxWidth, caption.cx + 20);
      const int32_t rowHeight = th + 2 * gy + h;
      boxHeight = rowHeight + 2 * gy;
      placePatternCells(pb, s, x, y + gy, cw, gx, rowHeight, h);
      pb.frame = Rect{x, y, x + boxWidth, y + boxHeight};
    }
    if (boxWidth > 0) {
      placePatternCaption(pb, caption, x + boxWidth, y);
      pb.shown = th >= 2 && patternBoxWithin(pb, a);
      if (pb.shown) {
        lay.pattern = std::move(pb);
        y += boxHeight + 2 * lay.my;
      }
    }
  }
  lay.formulaY = y;
  return lay;
}

// ----------------------------------------------------------------------------- drawing

namespace {

// The value of the k-th of the six scale labels, bottom up.
std::string scaleLabel(const StatisticsScale& sc, int32_t k) {
  const double value = static_cast<double>(k) * static_cast<double>(sc.fullScale) / 5000.0;
  return formatText(sc.fullScale < 50 ? "%.3f" : "%.2f", value);
}

// Where a scale label starts (in the label font, of average character width cw): 3¼
// characters (4¼ with three decimals) left of the plot, or further left so that it ends a
// quarter character before the plot's frame.
int32_t scaleLabelX(const Canvas& canvas, const StatisticsViewLayout& lay,
                    const StatisticsScale& sc, int32_t cw, const std::string& label) {
  const int32_t x = lay.plotX - (3 * cw + 1 + cw / 4 + (sc.fullScale < 50 ? cw : 0));
  return std::min(x, lay.plotX - 1 - cw / 4 - canvas.textExtent(label).cx);
}

struct Plot {
  Canvas& canvas;
  const StatisticsViewInputs& in;
  const StatisticsViewLayout& lay;
  const StatisticsGrid& g;
  const StatisticsScale& sc;
  int32_t charWidth = 8;  // of the label font
  int32_t pitch = 15;     // line pitch of the label font

  int32_t x(int32_t i) const { return lay.plotX + i * lay.columnStep; }
  int32_t bottom() const { return lay.plotY + lay.plotHeight; }

  // A curve from the bottom-left corner through every level, drawn once per offset.
  // Returns the y of its last point.
  int32_t curve(int32_t j, std::initializer_list<Point> offsets) const {
    std::vector<Point> points;
    points.reserve(static_cast<size_t>(g.levels));
    for (int32_t i = 0; i < g.levels; ++i)
      points.push_back(
          Point{x(i), plotY(lay, pointHeight(g, sc, in.graphMode, lay.plotHeight, i, j))});
    for (const Point& o : offsets) {
      canvas.moveTo(lay.plotX + o.x, bottom() + o.y);
      for (const Point& pt : points) canvas.lineTo(pt.x + o.x, pt.y + o.y);
    }
    return points.empty() ? bottom() : points.back().y;
  }

  void label(int32_t y, const std::string& text) const {
    textWithin(canvas, x(g.levels), y, text);
  }
};

void drawGrid(Canvas& canvas, const StatisticsViewLayout& lay) {
  const int32_t l = lay.plotX, t = lay.plotY;
  const int32_t r = l + lay.plotWidth, b = t + lay.plotHeight;
  for (int32_t d = 0; d <= 1; ++d) {
    canvas.moveTo(l - d, t - d);
    canvas.lineTo(r + d, t - d);
    canvas.lineTo(r + d, b + d);
    canvas.lineTo(l - d, b + d);
    canvas.lineTo(l - d, t - d);
  }
  for (int32_t y = b; y > t; y -= lay.gridPitch)
    for (int32_t x = l; x <= r; x += 4) canvas.setPixel(x, y, kBlack);
  for (int32_t x = l; x <= r; x += 2 * lay.columnStep)
    for (int32_t y = b; y >= t; y -= 4) canvas.setPixel(x, y, kBlack);
}

void drawLabels(const Plot& p) {
  Canvas& canvas = p.canvas;
  const StatisticsViewLayout& lay = p.lay;
  const int32_t h = std::max(p.in.lineHeight, 1);
  const int32_t cw = p.charWidth;
  const int32_t lp = p.pitch;
  // Transparent, so that neighbouring labels of the two axes do not blank each other.
  const BackgroundMode mode = canvas.setBackgroundMode(BackgroundMode::kTransparent);
  const int32_t left = lay.plotX - (cw - 1 + cw / 2);
  const int32_t y = p.bottom() + h - (h + 1) / 4 - (h + 1) / 8;
  // Every fourth noise level is labelled, or every eighth, twelfth, ... when wide numbers
  // in narrow columns would run into each other.
  const auto levelLabel = [&](int32_t i) { return formatText("%3d", p.g.level(i)); };
  const auto ink = [&](const std::string& label) {  // where the digits start in a label
    return canvas.textExtent(label.substr(0, label.find_first_not_of(' '))).cx;
  };
  int32_t stride = 4;
  for (bool apart = false; !apart && stride < p.g.levels; stride += apart ? 0 : 4) {
    apart = true;
    for (int32_t i = 0; apart && i + stride < p.g.levels; i += stride) {
      const std::string next = levelLabel(i + stride);
      apart = canvas.textExtent(levelLabel(i)).cx + cw / 2 <= stride * lay.columnStep + ink(next);
    }
  }
  int32_t i = 0;
  for (; i < p.g.levels; i += stride) textWithin(canvas, left + i * lay.columnStep, y, levelLabel(i));
  textWithin(canvas, left + i * lay.columnStep, y - lp, "s");

  for (int32_t k = 0; k <= 5; ++k) {
    const std::string label = scaleLabel(p.sc, k);
    textWithin(canvas, scaleLabelX(canvas, lay, p.sc, cw, label),
               p.bottom() - ((lp + 1) / 2 + 1) - k * 2 * lay.gridPitch, label);
  }
  canvas.setBackgroundMode(mode);
}

void drawCurves(const Plot& p) {
  const int32_t lift = (p.pitch + 1) / 2 + 1;
  const auto count = [&](int32_t j) { return formatText("%d", p.in.errors->wPulseValues[j]); };
  switch (p.in.graphMode) {
    case kGraphRestoredComponentwise:
      for (int32_t j = 0; j < p.g.pulses; ++j) p.label(p.curve(j, {{0, 0}, {0, 1}}) - lift, count(j));
      break;
    case kGraphRestoredAggregate:
      p.curve(-1, {{0, 0}, {0, 1}});
      break;
    case kGraphDetectionComponentwise:
      for (int32_t j = 0; j < p.g.pulses; ++j)
        p.label(p.curve(j, {{0, 0}, {0, 1}, {1, 0}}) - lift, count(j));
      break;
    case kGraphDetectionAggregate:
      p.label(p.curve(-1, {{0, 0}, {0, 1}}), formatText("%d", p.g.pulses));
      break;
    case kGraphRecognitionComponentwise:
    case kGraphRecognitionComponentwiseBounds:
      for (int32_t j = 0; j < p.g.pulses; ++j) p.label(p.curve(j, {{0, 0}, {1, 0}, {0, 1}}), count(j));
      break;
    case kGraphRecognitionAggregate:
    case kGraphRecognitionAggregateBounds:
      p.label(p.curve(-1, {{0, 0}, {1, 0}, {0, 1}}), "S");
      break;
    default:
      break;
  }
}

// exp(-c / σ²); a noise level of 0 gives the limit: 0 for c > 0, 1 for c = 0.
double decay(double c, int32_t sigma) {
  if (sigma == 0) return c > 0 ? 0.0 : 1.0;
  return std::exp(-c / (static_cast<double>(sigma) * sigma));
}

// The theoretical bounds of the recognition error, on a fixed scale whose full height is
// 0.5: the lower bound from the etalons' distance over the most pulses, the upper one from
// the energy kept in the fewest.
void drawBounds(const Plot& p, const SignalStatistics& st) {
  const SeriesHeader& s = *p.in.series;
  const int64_t alpha = (4 * (st.energy - st.rmin) + 4) / 8;
  int64_t beta0 = 0;
  if (isTupleRecognitionRecord(*p.in.errors)) {
    beta0 = st.energy - st.rmax;
  } else {
    beta0 = (st.energy * p.in.errors->wSavedLevelMaking + 50) / 100;
    beta0 = std::max(beta0, st.smallestSquare);
  }
  const int64_t beta = (4 * beta0 + 8) / 16;
  const double h = p.lay.plotHeight;
  for (int curve = 0; curve < 2; ++curve) {
    std::vector<Point> points;
    for (int32_t i = 1; i < p.g.levels; ++i) {
      const int32_t sigma = p.g.level(i);
      const double v =
          curve == 0 ? 0.5 - 0.5 * std::sqrt(1 - decay(static_cast<double>(alpha) * s.wMaxPulses, sigma))
                     : 0.5 * decay(static_cast<double>(beta) * s.wMinPulses, sigma);
      points.push_back(Point{p.x(i), plotY(p.lay, 2 * truncatedHeight(h * v))});
    }
    if (points.empty()) continue;
    for (const Point o : {Point{0, 0}, Point{1, 0}, Point{0, 1}}) {
      p.canvas.moveTo(points[0].x + o.x, points[0].y + o.y);
      for (const Point& pt : points) p.canvas.lineTo(pt.x + o.x, pt.y + o.y);
    }
  }
}

}  // namespace

bool drawStatisticsView(Canvas& canvas, const StatisticsViewInputs& in,
                        const StatisticsViewLayout& lay) {
  if (!lay.drawn) return true;
  const SignalStatistics st = signalStatistics(in);
  StatisticsScale sc;
  try {
    sc = statisticsScale(in, st);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const Rect& a = in.area;
  const SeriesHeader& s = *in.series;
  const RestErrorHeader& e = *in.errors;
  const StatisticsGrid g(e);
  const int32_t h = std::max(in.lineHeight, 1);

  canvas.moveTo(a.left, a.top);
  canvas.lineTo(a.left, a.bottom + 1);
  canvas.lineTo(a.right + 1, a.bottom + 1);
  canvas.lineTo(a.right + 1, a.top);
  canvas.lineTo(a.left, a.top);

  const std::vector<std::string> header = statisticsHeaderLines(in);
  // The view's texts end inside the area, clear of the selectors beside it, and lines at
  // the plot's height end half a character before its scale labels, cut after a whole word.
  int32_t plotLeft = a.right + 1, plotTop = a.bottom + 1;
  if (lay.plotShown) {
    const FontSpec text = canvas.setFont(FontSpec{lay.plotFontHeight, kSymbolWeight, true});
    const TextMetrics m = canvas.textMetrics();
    const int32_t cw = std::max(m.aveCharWidth, 1);
    for (int32_t k = 0; k <= 5; ++k)
      plotLeft = std::min(plotLeft, scaleLabelX(canvas, lay, sc, cw, scaleLabel(sc, k)) - cw / 2);
    // The top label's cell; its ink starts below the internal leading.
    plotTop = lay.plotY - ((m.height + m.externalLeading) / 2 + 1) + m.internalLeading;
    canvas.setFont(text);
  }
  const auto line = [&](int32_t x, int32_t y, const std::string& text) {
    const int32_t bottom = y + canvas.textMetrics().height;
    textWithin(canvas, x, y, text, bottom > plotTop ? plotLeft : a.right + 1, TextCut::kWords);
  };
  int32_t y = lay.headerY;
  for (const std::string& text : header) {
    line(lay.headerX, y, text);
    y += h + 1;
  }

  if (lay.etalonBoxShown) {
    EtalonBoxContent content;
    content.list = in.etalonList;
    content.etalons = s.lpPulsesList;
    content.etalonCount = s.lpPulsesList ? s.wEtalons : 0;
    content.amplitude = lay.amplitude;
    drawEtalonBox(canvas, lay.etalonBox, content);
  }

  line(lay.x0, lay.statisticsY,
       formatText("etEnergy=%" PRId64 ", Rmin=%" PRId64 ", Rmax=%" PRId64, st.energy, st.rmin,
                 st.rmax));
  line(lay.x0, lay.startY, calendarText(in.startTime));
  line(lay.x0, lay.endY, calendarText(in.endTime));
  line(lay.x0, lay.elapsedY, elapsedText(in.startTime, in.endTime));
  drawPatternBox(canvas, lay.pattern, s, lay.amplitude, h);

  const FontSpec previous = canvas.setFont(FontSpec{lay.formulaFontHeight, kSymbolWeight, true});
  line(lay.x0, lay.formulaY, graphModeFormula(in.graphMode));
  const int32_t below = lay.formulaY + lineHeightOf(canvas);
  canvas.setFont(FontSpec{lay.plotFontHeight, kSymbolWeight, true});
  const TextMetrics m = canvas.textMetrics();
  line(lay.x0, below, formatText(" %d -> %d", lay.plotFontHeight, m.height));

  if (lay.plotShown) {
    Plot p{canvas, in, lay, g, sc};
    p.charWidth = std::max(m.aveCharWidth, 1);
    p.pitch = m.height - 1 + m.externalLeading;
    drawGrid(canvas, lay);
    drawLabels(p);
    drawCurves(p);
    if (hasBounds(in.graphMode)) drawBounds(p, st);
  }
  canvas.setFont(previous);
  return true;
}

}  // namespace velmora

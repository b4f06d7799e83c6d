#include "graphics/statistics_view.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <initializer_list>
#include <ctime>
#include <limits>
#include <new>

#include "graphics/thumbnail.h"
#include "graphics/view_support.h"
#include "model/problem_types.h"

namespace velmora {

namespace {

constexpr const char* kFormulaRestored = "e(s)=E||C-<C>||2/||C||2";
constexpr const char* kFormulaDetection = "e(s)=E||h-<h>||2/||h||2";
constexpr int32_t kSymbolWeight = 408;
// Full scale of the modes that have no top value of their own (1.0).
constexpr uint64_t kNeutralFullScale = 1000;
// Largest full scale used: keeps every product of the scale exact in 128 bits.
constexpr uint64_t kLargestFullScale = 1000000000000000ull;
// Largest plot height: keeps 1000 × table value × height within 64 bits.
constexpr int32_t kLargestPlotHeight = 1000000;

const char* modeTitle(uint32_t mode) {
  switch (mode) {
    case 0: return " restored error, componentwise case";
    case 1: return " restored error, agregate form";
    case 2: return " detection error, componentwise case";
    case 3: return " detection error, agregate form";
    case 4: return " recognition error, componentwise case";
    case 5: return " recognition error, agregate form";
    case 6: return " error of number of fragments, componentwise case";
    case 7: return " mean of number of fragments";
    case 8: return " bias of number of fragments";
    case 9: return " variance of number of fragments";
    case 10: return " mean square error of number of fragments";
    case 12: return " recognition error, componentwise case";
    case 13: return " recognition error, agregate form";
    default: return "";
  }
}

bool isTupleRecord(const RestErrorHeader& e) {
  return isTupleSeries(e.wSeriesType) && e.wTaskType == kTaskTupleRecognition;
}

// The simulated grid as the record holds it; a table that is missing reads as zeros.
struct Grid {
  const RestErrorHeader& e;
  int32_t pulses = 0;  // P
  int32_t levels = 0;  // V
  int64_t repeats = 0;  // R

  explicit Grid(const RestErrorHeader& errors) : e(errors) {
    pulses = e.wPulseValues ? e.wVariousPulses : 0;
    levels = e.lpNoiseLevels ? e.wNoiseLevels : 0;
    repeats = e.repeats;
  }
  // Values are read as unsigned 32-bit.
  uint64_t value(int table, int32_t i, int32_t j) const {
    if (e.lpErrors[table] == nullptr || e.lpErrors[table][i] == nullptr) return 0;
    return static_cast<uint32_t>(e.lpErrors[table][i][j]);
  }
  uint64_t rowSum(int table, int32_t i) const {
    uint64_t sum = 0;
    for (int32_t j = 0; j < pulses; ++j) sum += value(table, i, j);
    return sum;
  }
  int32_t level(int32_t i) const { return e.lpNoiseLevels[i]; }
};

// A divisor of 0 from the data counts as 1, as the normalisers start out.
uint64_t divisor(int64_t d) { return d > 0 ? static_cast<uint64_t>(d) : 1; }

int64_t sample(const PulseHeader* e, int32_t k) {
  return e != nullptr && e->lpData != nullptr && k >= 0 && k < e->wSize ? e->lpData[k] : 0;
}

int64_t energyOf(const PulseHeader* e) {
  int64_t sum = 0;
  for (int32_t k = 0; e != nullptr && e->lpData != nullptr && k < e->wSize; ++k)
    sum += sample(e, k) * sample(e, k);
  return sum;
}

// The etalon a list entry names; an entry that names none stands for the first pulse.
const PulseHeader* entryEtalon(const SeriesHeader& s, int32_t number) {
  const PulseHeader* e = seriesEtalon(s, number);
  return e != nullptr ? e : s.lpFirstPulse;
}

// Extremes of the full cross-correlation Σ_t a[t + s] b[t] over the shifts -n..n.
void correlationExtremes(const PulseHeader* a, const PulseHeader* b, int32_t n, int64_t& lo,
                         int64_t& hi) {
  for (int32_t s = -n; s <= n; ++s) {
    int64_t c = 0;
    for (int32_t t = std::max(0, -s); t < n && t + s < n; ++t) c += sample(a, t + s) * sample(b, t);
    lo = std::min(lo, c);
    hi = std::max(hi, c);
  }
}

// y of the point `q` pixels above the plot's bottom, held inside the plot.
int32_t plotY(const StatisticsViewLayout& lay, int64_t q) {
  return lay.plotY + lay.plotHeight - static_cast<int32_t>(std::clamp<int64_t>(q, 0, lay.plotHeight));
}

int64_t truncated(double v) {
  if (!(v > 0)) return 0;  // also NaN
  return v >= 4e18 ? int64_t{4000000000000000000} : static_cast<int64_t>(v);
}

using Wide = unsigned __int128;

// floor(num / den) for the plot's unsigned heights: 128 bits hold every product of a
// legal table value, the plot height, the repeats, the pulse counts and the full scale.
int64_t scaled(Wide num, Wide den) {
  const Wide q = num / (den == 0 ? 1 : den);
  const Wide cap = Wide{kLargestPlotHeight} * 4;
  return static_cast<int64_t>(q > cap ? cap : q);
}

}  // namespace

// ----------------------------------------------------------------------------- texts

std::string involvesLine(const RestErrorHeader& errors, const SeriesHeader& series) {
  const Grid g(errors);
  std::string t = " involves ";
  if (g.pulses < 4) {
    for (int32_t j = 0; j < g.pulses; ++j) t += formatted(" %d,", errors.wPulseValues[j]);
  } else {
    t += formatted(" %d,", errors.wPulseValues[0]);
    t += formatted(" %d,", errors.wPulseValues[1]);
    t += formatted("..., %d ", errors.wPulseValues[g.pulses - 1]);
  }
  // The range is written over the last character: the final comma or blank.
  t.pop_back();
  t += formatted(" pulses from [%d-%d],", series.wMinPulses, series.wMaxPulses);
  return t;
}

std::string calendarText(int64_t seconds) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return formatted("%" PRId64, seconds);
  return formatted("%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[tm.tm_wday % 7], kMonths[tm.tm_mon % 12],
                   tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 1900 + tm.tm_year);
}

std::string elapsedText(int64_t start, int64_t end) {
  const int64_t e = std::max<int64_t>(end - start, 0);
  const int64_t minutes = e / 60 % 60;
  const int64_t seconds = e % 60;
  return formatted("elapsed time %" PRId64 ":%d%d:%d%d", e / 3600, static_cast<int>(minutes / 10),
                   static_cast<int>(minutes % 10), static_cast<int>(seconds / 10),
                   static_cast<int>(seconds % 10));
}

// ----------------------------------------------------------------------------- numbers

SignalStatistics signalStatistics(const StatisticsViewInputs& in) {
  SignalStatistics st;
  if (in.series == nullptr || in.errors == nullptr) return st;
  const SeriesHeader& s = *in.series;
  const int32_t n = s.wImpulseSize;
  const PulseHeader* first = s.lpFirstPulse;
  st.energy = energyOf(first);
  if (first != nullptr && first->lpData != nullptr && first->wSize > 0) {
    st.smallestSquare = std::numeric_limits<int64_t>::max();
    for (int32_t k = 0; k < first->wSize; ++k)
      st.smallestSquare = std::min(st.smallestSquare, sample(first, k) * sample(first, k));
  }

  // The first etalon in use against the second (or itself): the sum runs over the first
  // n - |s| samples of b, so negative shifts see fewer terms.
  const int32_t k = in.etalonList ? in.etalonCount : 0;
  const PulseHeader* a = entryEtalon(s, k > 0 ? in.etalonList[0] : 0);
  const PulseHeader* b = entryEtalon(s, k > 1 ? in.etalonList[1] : k > 0 ? in.etalonList[0] : 0);
  for (int32_t shift = -n; shift <= n; ++shift) {
    int64_t c = 0;
    for (int32_t t = 0; t < n - std::abs(shift); ++t) c += sample(a, t + shift) * sample(b, t);
    st.rmin = std::min(st.rmin, c);
  }

  const int32_t rows = patternListRows(s);
  if (!isTupleRecord(*in.errors) || rows == 0) return st;
  // Tuples: the largest energy of a pattern's etalon, and the extreme correlations of
  // etalons from two different patterns. Pairs of the same two etalons recur across the
  // patterns, so each pair's extremes are computed once.
  std::vector<const PulseHeader*> distinct;
  std::vector<std::vector<int32_t>> members(rows);
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t m = 0; m < patternRowSize(s, r); ++m) {
      const PulseHeader* e = entryEtalon(s, s.selectedSubsetList[r][m]);
      const auto at = std::find(distinct.begin(), distinct.end(), e);
      members[r].push_back(static_cast<int32_t>(at - distinct.begin()));
      if (at == distinct.end()) distinct.push_back(e);
    }
  }
  st.energy = 0;
  for (const PulseHeader* e : distinct) st.energy = std::max(st.energy, energyOf(e));
  const size_t d = distinct.size();
  std::vector<int64_t> lows(d * d), highs(d * d);
  std::vector<char> known(d * d, 0);
  st.rmin = 0;
  st.rmax = 0;
  for (int32_t i = 0; i < rows; ++i)
    for (int32_t j = i + 1; j < rows; ++j)
      for (int32_t ea : members[i])
        for (int32_t eb : members[j]) {
          const size_t pair = static_cast<size_t>(ea) * d + static_cast<size_t>(eb);
          if (!known[pair]) {
            lows[pair] = 0;
            highs[pair] = 0;
            correlationExtremes(distinct[ea], distinct[eb], n, lows[pair], highs[pair]);
            known[pair] = 1;
          }
          st.rmin = std::min(st.rmin, lows[pair]);
          st.rmax = std::max(st.rmax, highs[pair]);
        }
  return st;
}

StatisticsScale statisticsScale(const StatisticsViewInputs& in, const SignalStatistics& st) {
  StatisticsScale sc;
  if (in.series == nullptr || in.errors == nullptr) return sc;
  const Grid g(*in.errors);
  const SeriesHeader& s = *in.series;
  const uint64_t r = divisor(g.repeats);
  const uint64_t p = divisor(g.pulses);
  sc.restoringNormalisers.assign(static_cast<size_t>(g.pulses), 1);
  // Wide, so that long etalons of loud samples saturate instead of wrapping.
  const Wide product = Wide{2} * s.wMaxPulses * static_cast<uint64_t>(st.energy - st.rmin);
  const uint64_t restoring = product > std::numeric_limits<uint64_t>::max()
                                 ? std::numeric_limits<uint64_t>::max()
                                 : static_cast<uint64_t>(product);
  if (restoring > 0) std::fill(sc.restoringNormalisers.begin(), sc.restoringNormalisers.end(), restoring);
  const int64_t spread = int64_t{s.wTmax} - s.wImpulseSize;
  sc.detectionNormaliser = spread != 0 ? static_cast<double>(spread * spread) : 1.0;
  const double dn = sc.detectionNormaliser;

  uint64_t u = 0;
  bool hasTop = true;
  switch (in.graphMode) {
    case kGraphRestoredComponentwise:
      u = 50;
      for (int32_t j = 0; j < g.pulses; ++j) {
        uint64_t largest = 0;
        for (int32_t i = 0; i < g.levels; ++i) largest = std::max(largest, g.value(kRestoringErrors, i, j));
        u = std::max(u, 1000 * largest / sc.restoringNormalisers[j]);
      }
      break;
    case kGraphRestoredAggregate: {
      double m = 0;
      for (int32_t i = 0; i < g.levels; ++i) {
        double sum = 0;
        for (int32_t j = 0; j < g.pulses; ++j)
          sum += static_cast<double>(g.value(kRestoringErrors, i, j)) /
                 static_cast<double>(sc.restoringNormalisers[j]);
        m = std::max(m, sum);
      }
      m = std::max({m, 0.079, 0.49 * g.pulses});
      u = static_cast<uint64_t>(truncated(1000 * m / static_cast<double>(p)));
      break;
    }
    case kGraphDetectionComponentwise: {
      double top = 0.3;
      for (int32_t j = 0; j < g.pulses; ++j) {
        uint64_t largest = 0;
        for (int32_t i = 0; i < g.levels; ++i) largest = std::max(largest, g.value(kDetectionErrors, i, j));
        const uint64_t mean = (r + 2 * largest) / (2 * r);  // rounded
        top = std::max(top, std::sqrt(static_cast<double>(mean) / dn));
      }
      u = std::max<uint64_t>(static_cast<uint64_t>(truncated(1000 * top)), 50);
      break;
    }
    case kGraphDetectionAggregate: {
      uint64_t largest = 0;
      for (int32_t i = 0; i < g.levels; ++i) largest = std::max(largest, g.rowSum(kDetectionErrors, i));
      const double top = std::max(
          std::sqrt(static_cast<double>(largest) / (static_cast<double>(p) * dn * static_cast<double>(r))),
          0.24);
      u = std::max<uint64_t>(static_cast<uint64_t>(truncated(1000 * top)), 50);
      break;
    }
    case 4: case 5: case 12: case 13: u = 500; break;
    case 7: case 8: case 10: u = 990; break;
    case 9: u = 99; break;
    default: hasTop = false; break;
  }
  sc.topValue = u;

  // T: the power of ten with as many digits as U, divided by 5 and by 2 (twice) while it
  // still holds U.
  uint64_t t = kNeutralFullScale;
  if (hasTop && u > 0) {
    t = 1;
    for (uint64_t v = std::min(u, kLargestFullScale / 10); v > 0; v /= 10) t *= 10;
    if (5 * u <= t) t /= 5;
    if (2 * u <= t) t /= 2;
    if (2 * u <= t) t /= 2;
  }
  if (in.fixedUpperBound && in.upperBound > 0) {
    // A bound below 0.001 shows as 0.001, the finest full scale.
    const double bound = std::min(1000 * in.upperBound, static_cast<double>(kLargestFullScale));
    t = std::max<uint64_t>(static_cast<uint64_t>(bound), 1);
  }
  sc.fullScale = std::clamp<uint64_t>(t, 1, kLargestFullScale);
  return sc;
}

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
  const Grid g(e);
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
  return formatted(sc.fullScale < 50 ? "%.3f" : "%.2f", value);
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
  const Grid& g;
  const StatisticsScale& sc;
  int32_t charWidth = 8;  // of the label font
  int32_t pitch = 15;     // line pitch of the label font

  int32_t x(int32_t i) const { return lay.plotX + i * lay.columnStep; }
  int32_t bottom() const { return lay.plotY + lay.plotHeight; }

  // Heights of the table's points above the bottom for pulse-count column j (or the
  // aggregate when j < 0), by the mode.
  int64_t height(int32_t i, int32_t j) const {
    const uint64_t hh = static_cast<uint64_t>(lay.plotHeight);
    const uint64_t t = sc.fullScale;
    const double ratio = 1000.0 / static_cast<double>(t);  // full height per unit
    const uint64_t r = divisor(g.repeats);
    const uint64_t p = divisor(g.pulses);
    const double dn = sc.detectionNormaliser;
    switch (in.graphMode) {
      case kGraphRestoredComponentwise:
        return scaled(Wide{1000 * g.value(kRestoringErrors, i, j)} * hh,
                      Wide{t} * sc.restoringNormalisers[j]);
      case kGraphRestoredAggregate: {
        double sum = 0;
        for (int32_t k = 0; k < g.pulses; ++k)
          sum += static_cast<double>(g.value(kRestoringErrors, i, k)) /
                 static_cast<double>(sc.restoringNormalisers[k]);
        return truncated(ratio * sum / static_cast<double>(p) * static_cast<double>(hh));
      }
      case kGraphDetectionComponentwise:
        return truncated(ratio *
                         std::sqrt(static_cast<double>(g.value(kDetectionErrors, i, j)) /
                                   static_cast<double>(r) / dn) *
                         static_cast<double>(hh));
      case kGraphDetectionAggregate:
        return truncated(ratio *
                         std::sqrt(static_cast<double>(g.rowSum(kDetectionErrors, i)) /
                                   (static_cast<double>(p) * dn * static_cast<double>(r))) *
                         static_cast<double>(hh));
      case kGraphRecognitionComponentwise:
      case kGraphRecognitionComponentwiseBounds:
        return scaled(Wide{g.value(kTupleRecognitionErrors, i, j) * 1000} * hh, Wide{r} * t);
      case kGraphRecognitionAggregate:
      case kGraphRecognitionAggregateBounds:
        return scaled(Wide{g.rowSum(kTupleRecognitionErrors, i)} * 1000 * hh, Wide{r} * p * t);
      default:
        return 0;
    }
  }

  // A curve from the bottom-left corner through every level, drawn once per offset.
  // Returns the y of its last point.
  int32_t curve(int32_t j, std::initializer_list<Point> offsets) const {
    std::vector<Point> points;
    points.reserve(static_cast<size_t>(g.levels));
    for (int32_t i = 0; i < g.levels; ++i) points.push_back(Point{x(i), plotY(lay, height(i, j))});
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
  const auto levelLabel = [&](int32_t i) { return formatted("%3d", p.g.level(i)); };
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
  const auto count = [&](int32_t j) { return formatted("%d", p.in.errors->wPulseValues[j]); };
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
      p.label(p.curve(-1, {{0, 0}, {0, 1}}), formatted("%d", p.g.pulses));
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
  if (isTupleRecord(*p.in.errors)) {
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
      points.push_back(Point{p.x(i), plotY(p.lay, 2 * truncated(h * v))});
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
  const Grid g(e);
  const int32_t h = std::max(in.lineHeight, 1);

  canvas.moveTo(a.left, a.top);
  canvas.lineTo(a.left, a.bottom + 1);
  canvas.lineTo(a.right + 1, a.bottom + 1);
  canvas.lineTo(a.right + 1, a.top);
  canvas.lineTo(a.left, a.top);

  // Codes without a name show as their numbers.
  const std::string task = e.lpTaskName ? e.lpTaskName : formatted("task type %d", e.wTaskType);
  const std::string series =
      e.lpSeriesTypeName ? e.lpSeriesTypeName : formatted("series type %d", e.wSeriesType);
  const int32_t first = g.levels > 0 ? g.level(0) : 0;
  const int32_t last = g.levels > 0 ? g.level(g.levels - 1) : 0;
  const int32_t step = g.levels > 1 ? g.level(1) - first : 0;
  const std::string header[] = {
      formatted(" statistical simulation for %s in series with %s ", task.c_str(), series.c_str()),
      formatted(" series length %d, ", static_cast<int>(s.dwSeriesSize)),
      involvesLine(e, s),
      formatted(" with length %d", s.wImpulseSize) + formatted(", amplitude %d", in.amplitude),
      formatted(" Tmin=%d, Tmax=%d,", s.wTmin, s.wTmax),
      formatted(" number of %d noise levels", g.levels),
      formatted(" from %d to %d with step %d", first, last, step),
      modeTitle(in.graphMode),
      formatted(" for volume of % d repeats", e.repeats)};
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
       formatted("etEnergy=%" PRId64 ", Rmin=%" PRId64 ", Rmax=%" PRId64, st.energy, st.rmin,
                 st.rmax));
  line(lay.x0, lay.startY, calendarText(in.startTime));
  line(lay.x0, lay.endY, calendarText(in.endTime));
  line(lay.x0, lay.elapsedY, elapsedText(in.startTime, in.endTime));
  drawPatternBox(canvas, lay.pattern, s, lay.amplitude, h);

  const FontSpec previous = canvas.setFont(FontSpec{lay.formulaFontHeight, kSymbolWeight, true});
  const char* formula = in.graphMode <= kGraphRestoredAggregate    ? kFormulaRestored
                        : in.graphMode <= kGraphDetectionAggregate ? kFormulaDetection
                                                                   : "";
  line(lay.x0, lay.formulaY, formula);
  const int32_t below = lay.formulaY + lineHeightOf(canvas);
  canvas.setFont(FontSpec{lay.plotFontHeight, kSymbolWeight, true});
  const TextMetrics m = canvas.textMetrics();
  line(lay.x0, below, formatted(" %d -> %d", lay.plotFontHeight, m.height));

  if (lay.plotShown) {
    Plot p{canvas, in, lay, g, sc};
    p.charWidth = std::max(m.aveCharWidth, 1);
    p.pitch = m.height - 1 + m.externalLeading;
    drawGrid(canvas, lay);
    drawLabels(p);
    drawCurves(p);
    if (in.graphMode == kGraphRecognitionComponentwiseBounds ||
        in.graphMode == kGraphRecognitionAggregateBounds)
      drawBounds(p, st);
  }
  canvas.setFont(previous);
  return true;
}

}  // namespace velmora

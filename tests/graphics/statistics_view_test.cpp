// The statistics view on hand-made error records, drawn on a recording canvas: texts and
// coordinates are checked against values computed here from the drawing rules.
#include "graphics/statistics_view.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "model/problem_types.h"
#include "model/subset_modes.h"
#include "model/subsets.h"
#include "support/allocation_hook.h"
#include "support/fake_window.h"
#include "support/recording_canvas.h"
#include "support/search_helpers.h"

namespace {
// Allocations of exactly this many bytes fail (0: none do).
size_t failingSize = 0;
}  // namespace

void velmora::testing::onAllocation(size_t size) {
  if (failingSize != 0 && size == failingSize) throw std::bad_alloc();
}

namespace velmora {
void PrintTo(const Point& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }
}  // namespace velmora

namespace velmora::testing {
namespace {

// Sets the time zone for the life of the object and puts the previous one back.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZone() {
    if (previous_)
      setenv("TZ", previous_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> previous_;
};

// Etalons of 4 samples; etalon 3 is the series' first pulse.
const std::vector<std::vector<int16_t>> kShapes = {{2, -1, 0, 1}, {1, 3, -2, 0}, {3, -1, 2, 1}};

class StatisticsView : public ::testing::Test {
 protected:
  TimeZone utc{"UTC0"};  // the pictures' times, the same on every machine
  StatisticsView() {
    series = makeTestSeries(std::vector<int16_t>(200, 0), 4, 0, 40);
    pulses = {alphabet.data(), alphabet.data() + 1, alphabet.data() + 2};
    series->lpPulsesList = pulses.data();
    series->wEtalons = 3;
    series->lpFirstPulse = alphabet.data() + 2;
    series->wTmin = 12;
    series->wTmax = 40;
    series->wMinPulses = 5;
    series->wMaxPulses = 15;
    grid(3, 5, 5, 4, 10, 5, 100);
  }

  // P pulse counts from `first` in steps of `step`, V noise levels from `level` in steps of
  // `levelStep`, R repeats; recognition on fixed cut-off pulses; all tables zero.
  void grid(uint16_t p, int16_t first, int16_t step, uint16_t v, int16_t level,
            int16_t levelStep, int32_t r, uint16_t seriesType = kSeriesFixedCutoff,
            uint16_t taskType = kTaskRecognition) {
    errors.reset(getRestErrHeader(window, p, v, r, nullptr));
    ASSERT_EQ(initRestErrHeader(window, p, first, step, v, level, levelStep, r, errors.get()), 1);
    ASSERT_EQ(addInitRestErrHeader(window, seriesType, taskType, 75, 75, errors.get()), 1);
  }

  void draw(uint32_t mode) {
    canvas = RecordingCanvas(1100, 760);
    in.area = Rect{10, 10, 1009, 709};  // W 1000, H 700
    in.lineHeight = 15;
    in.graphMode = mode;
    in.etalonList = etalonList.data();
    in.etalonCount = static_cast<int32_t>(etalonList.size());
    in.errors = errors.get();
    in.series = series.get();
    layout = layoutStatisticsView(canvas, in);
    ASSERT_TRUE(drawStatisticsView(canvas, in, layout));
  }

  std::string textAt(int32_t x, int32_t y) const {
    for (const CanvasOp* op : canvas.texts())
      if (op->x1 == x && op->y1 == y) return op->text;
    return "<none>";
  }
  // The left labels of the plot, bottom up: each ends a quarter character (4 pixels) left
  // of the plot's outer frame line.
  std::vector<std::string> scaleLabels() const {
    std::vector<std::string> labels;
    for (int k = 0; k <= 5; ++k) {
      labels.push_back("<none>");
      for (const CanvasOp* op : canvas.texts())
        if (op->y1 == kLabelY - 128 * k && op->x2 == kX - 1 - 4) labels.back() = op->text;
    }
    return labels;
  }
  bool hasText(int32_t x, int32_t y, const std::string& text) const {
    for (const CanvasOp* op : canvas.texts())
      if (op->x1 == x && op->y1 == y && op->text == text) return true;
    return false;
  }
  // The points of the `skip`-th curve drawn with the offset (dx, dy): a line from the plot's
  // corner to the first column, followed by one to the second.
  std::vector<Point> curveFrom(int32_t dx, int32_t dy, size_t skip = 0) const {
    const auto lines = canvas.ofKind(CanvasOp::kLine);
    for (size_t k = 0; k + 1 < lines.size(); ++k) {
      const CanvasOp& a = *lines[k];
      const CanvasOp& b = *lines[k + 1];
      if (a.x1 != kX + dx || a.y1 != kBottom + dy || a.x2 != kX + dx || b.x1 != a.x2 ||
          b.y1 != a.y2 || b.x2 != kX + dx + kDx)
        continue;
      if (skip-- > 0) continue;
      std::vector<Point> points;
      for (size_t m = k; m < lines.size() && points.size() < errors->wNoiseLevels; ++m)
        points.push_back(Point{lines[m]->x2, lines[m]->y2});
      return points;
    }
    return {};
  }

  // Layout of the area above with h 15 and four noise levels: label font 32 (characters 16
  // wide, pitch 31); u 16, plot 42 x 640 at (731, 34), columns 14 apart.
  static constexpr int32_t kX = 731, kY = 34, kH = 640, kBottom = kY + kH, kDx = 14;
  static constexpr int32_t kLabelY = kBottom - 17;

  FakeWindow window;
  TestAlphabet alphabet{kShapes};
  std::vector<const PulseHeader*> pulses;
  std::unique_ptr<SeriesHeader> series;
  struct Free {
    void operator()(RestErrorHeader* e) const {
      FakeWindow w;
      freeRestErrHeader(e);
    }
  };
  std::unique_ptr<RestErrorHeader, Free> errors;
  std::vector<uint16_t> etalonList{1, 2};
  StatisticsViewInputs in;
  StatisticsViewLayout layout;
  RecordingCanvas canvas;
};

TEST_F(StatisticsView, HeaderLinesDescribeTheGridAndTheRun) {
  series->wNoise = 300;
  in.startTime = 1700000000;
  in.endTime = 1700000000 + 3725;
  draw(kGraphRestoredComponentwise);
  const int32_t x = 20;
  // The range is written over the comma after the last count.
  EXPECT_EQ(textAt(x, 3 + 2 * 16), " involves  5, 10, 15 pulses from [5-15],");
  EXPECT_EQ(textAt(x, 3 + 3 * 16), " with length 4, amplitude 0");
  EXPECT_EQ(textAt(x, 3 + 5 * 16), " number of 4 noise levels");
  EXPECT_EQ(textAt(x, 3 + 6 * 16), " from 10 to 25 with step 5");
  EXPECT_EQ(textAt(x, 3 + 7 * 16), " restored error, componentwise case");
  EXPECT_EQ(textAt(x, 3 + 8 * 16), " for volume of  100 repeats");
  // 128 doubled until it reaches the noise, for the thumbnails only.
  EXPECT_EQ(layout.amplitude, 512);
  // The times under the statistics line, in local time (here UTC).
  EXPECT_EQ(textAt(22, 161), "etEnergy=15, Rmin=-3, Rmax=0");
  EXPECT_EQ(textAt(22, 161 + 48), "Tue Nov 14 22:13:20 2023");
  EXPECT_EQ(textAt(22, 161 + 64), "Tue Nov 14 23:15:25 2023");
  EXPECT_EQ(textAt(22, 161 + 96), "elapsed time 1:02:05");
  EXPECT_EQ(elapsedText(100, 40), "elapsed time 0:00:00");  // a clock that went back
  EXPECT_EQ(calendarText(0), "Thu Jan  1 00:00:00 1970");
  {
    // Five hours west of Greenwich the same instants read five hours earlier.
    TimeZone west("EST5");
    EXPECT_EQ(calendarText(1700000000), "Tue Nov 14 17:13:20 2023");
    EXPECT_EQ(calendarText(0), "Wed Dec 31 19:00:00 1969");
  }

  // The formula in the larger symbol font, then the label font's line under it.
  const CanvasOp* formula = canvas.findText("e(s)=E||C-<C>||2/||C||2");
  ASSERT_NE(formula, nullptr);
  EXPECT_EQ(formula->font, (FontSpec{28, 408, true}));
  EXPECT_EQ(formula->y1, 305);
  const CanvasOp* sizes = canvas.findText(" 32 -> 32");
  ASSERT_NE(sizes, nullptr);
  EXPECT_EQ(sizes->font, (FontSpec{32, 408, true}));
  EXPECT_EQ(canvas.font(), FontSpec{});

  // A fourth count: the first two, then the last after an ellipsis, its blank overwritten.
  grid(4, 5, 5, 4, 10, 5, 100);
  series->wMaxPulses = 20;
  EXPECT_EQ(involvesLine(*errors, *series), " involves  5, 10,..., 20 pulses from [5-20],");
}

TEST_F(StatisticsView, CorrelationsOfTheEtalonsInUseAndOfThePatternTuples) {
  // Etalons 1 and 2: negative shifts sum over the first n - |s| samples of the second only,
  // so the smallest value is -3 at shift 1 (the full correlation has -4 at shift -2).
  in.errors = errors.get();
  in.series = series.get();
  in.etalonList = etalonList.data();
  in.etalonCount = 2;
  SignalStatistics st = signalStatistics(in);
  EXPECT_EQ(st.energy, 15);  // the first pulse, etalon 3
  EXPECT_EQ(st.smallestSquare, 1);
  EXPECT_EQ(st.rmin, -3);
  EXPECT_EQ(st.rmax, 0);

  // Tuple recognition: etalons from two different patterns, over every shift.
  grid(3, 5, 5, 4, 10, 5, 100, kSeriesFixedTuples, kTaskTupleRecognition);
  in.errors = errors.get();
  const int32_t sizes[] = {1, 1};
  const int32_t first[] = {1}, second[] = {2};
  const int32_t* rows[] = {first, second};
  ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, rows, 2, 10, 10, 1, kSubsetComplete,
                                                1, series.get()),
            1);
  st = signalStatistics(in);
  EXPECT_EQ(st.energy, 14);
  EXPECT_EQ(st.rmin, -4);
  EXPECT_EQ(st.rmax, 8);
  // Both etalons in one pattern: no pair, the extremes stay 0.
  const int32_t both[] = {1, 2};
  const int32_t two[] = {2};
  const int32_t* one[] = {both};
  ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, two, one, 1, 10, 10, 1, kSubsetComplete,
                                                1, series.get()),
            1);
  st = signalStatistics(in);
  EXPECT_EQ(st.energy, 14);
  EXPECT_EQ(st.rmin, 0);
  EXPECT_EQ(st.rmax, 0);
}

TEST_F(StatisticsView, FullScaleFollowsTheTopValueOrTheFixedBound) {
  // Recognition: U 500, T 1000 halved once.
  draw(kGraphRecognitionComponentwise);
  ASSERT_TRUE(layout.plotShown);
  EXPECT_EQ(layout.plotX, kX);
  EXPECT_EQ(layout.plotY, kY);
  EXPECT_EQ(layout.plotHeight, kH);
  EXPECT_EQ(layout.columnStep, kDx);
  EXPECT_EQ(scaleLabels(),
            (std::vector<std::string>{"0.00", "0.10", "0.20", "0.30", "0.40", "0.50"}));
  // Noise levels under every fourth column, sigma after the last.
  EXPECT_EQ(textAt(kX - 23, kBottom + 9), " 10");
  EXPECT_EQ(textAt(kX - 23 + 4 * kDx, kBottom + 9 - 31), "s");

  // Restoring errors all zero: U 50, T 100 halved to 50, still two decimals.
  draw(kGraphRestoredComponentwise);
  EXPECT_EQ(statisticsScale(in, signalStatistics(in)).topValue, 50u);
  EXPECT_EQ(scaleLabels(),
            (std::vector<std::string>{"0.00", "0.01", "0.02", "0.03", "0.04", "0.05"}));

  // A fixed bound of 0.04 needs three decimals and one more character of room.
  in.fixedUpperBound = true;
  in.upperBound = 0.04;
  draw(kGraphRecognitionComponentwise);
  EXPECT_EQ(scaleLabels(),
            (std::vector<std::string>{"0.000", "0.008", "0.016", "0.024", "0.032", "0.040"}));
  in.upperBound = 0.25;
  errors->lpErrors[kRestoringErrors][0][0] = 1000000;
  draw(kGraphRestoredComponentwise);
  EXPECT_EQ(scaleLabels(),
            (std::vector<std::string>{"0.00", "0.05", "0.10", "0.15", "0.20", "0.25"}));
}

// The full scale is the power of ten over U divided by 5, then by 2 twice, each time the
// result still holds U: a U that the quotient equals exactly takes it.
TEST_F(StatisticsView, FullScaleTakesAQuotientThatEqualsTheTopValue) {
  draw(kGraphRestoredComponentwise);
  series->wMaxPulses = 1000;  // a normaliser large enough to reach every top value exactly
  const uint64_t n = statisticsScale(in, signalStatistics(in)).restoringNormalisers[0];
  ASSERT_GT(n, 1000u);
  const auto fullScaleFor = [&](uint64_t top) {
    // The least table value whose thousandths over the normaliser come to `top`.
    errors->lpErrors[kRestoringErrors][0][0] = static_cast<int32_t>((n * top + 999) / 1000);
    const StatisticsScale sc = statisticsScale(in, signalStatistics(in));
    EXPECT_EQ(sc.topValue, top);
    return sc.fullScale;
  };
  EXPECT_EQ(fullScaleFor(200), 200u);   // 1000 / 5
  EXPECT_EQ(fullScaleFor(201), 250u);   // 1000 / 2 / 2
  EXPECT_EQ(fullScaleFor(250), 250u);
  EXPECT_EQ(fullScaleFor(251), 500u);   // 1000 / 2
  EXPECT_EQ(fullScaleFor(500), 500u);
  EXPECT_EQ(fullScaleFor(501), 1000u);
}

TEST_F(StatisticsView, NoiseLabelsThatWouldTouchAreSpreadOut) {
  // Levels 0, 250, ..., 7000: "1000" after "  0" fits four columns (56 pixels) only just,
  // so every eighth level is labelled; σ follows at the next eighth.
  grid(3, 5, 5, 29, 0, 250, 100);
  draw(kGraphRecognitionComponentwise);
  ASSERT_EQ(layout.columnStep, kDx);
  const int32_t left = layout.plotX - 23, y = kBottom + 9;
  std::vector<std::string> labels;
  int32_t end = INT32_MIN;
  for (const CanvasOp* op : canvas.texts()) {
    if (op->y1 != y) continue;
    EXPECT_EQ((op->x1 - left) % (8 * kDx), 0) << op->text;
    EXPECT_LT(end, op->x1 + 16 * static_cast<int32_t>(op->text.find_first_not_of(' ')));
    end = op->x2;
    labels.push_back(op->text);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"  0", "2000", "4000", "6000"}));
  EXPECT_EQ(textAt(left + 32 * kDx, y - 31), "s");
}

TEST_F(StatisticsView, LinesBesideThePlotEndBeforeItsScale) {
  // Twenty-nine noise levels make the plot wide: it starts at x 381, its scale labels at
  // 312, and the text column's long lines would run over them.
  grid(3, 5, 5, 29, 0, 5, 100);
  draw(kGraphRestoredComponentwise);
  ASSERT_TRUE(layout.plotShown);
  int32_t scaleLeft = INT32_MAX;
  for (const CanvasOp* op : canvas.texts())
    if (op->x1 < layout.plotX && op->y1 < kBottom - 17 && op->text.find('.') == 1)
      scaleLeft = std::min(scaleLeft, op->x1);
  ASSERT_EQ(scaleLeft, layout.plotX - 1 - 4 - 4 * 16);
  int cut = 0;
  for (const CanvasOp* op : canvas.texts()) {
    if (op->x1 != layout.headerX && op->x1 != layout.x0) continue;
    if (op->y2 <= layout.plotY || op->y1 >= layout.plotY + layout.plotHeight) continue;
    EXPECT_LE(op->x2, scaleLeft - 8) << op->text;  // half a label character apart
    cut += op->text.size() > 4 && op->text.substr(op->text.size() - 4) == " ...";
  }
  EXPECT_GE(cut, 1);
  // The first header line, above the plot, is whole.
  EXPECT_EQ(textAt(layout.headerX, layout.headerY),
            " statistical simulation for recognition in series with known number of cut-off pulses ");
}

TEST_F(StatisticsView, CurvesFollowTheTablesAndStayOnTheirLabels) {
  // Recognition errors of 25, 50 and 100 in 100 repeats at the first three levels.
  for (int i = 0; i < 3; ++i) errors->lpErrors[kTupleRecognitionErrors][i][1] = 25 << i;
  draw(kGraphRecognitionComponentwise);
  // Curve of count 10, the second: drawn from the corner, then one pixel right.
  const std::vector<Point> curve = curveFrom(0, 0, 1);
  ASSERT_EQ(curve.size(), 4u);
  EXPECT_EQ(curve[0], (Point{kX, kBottom - 320}));   // 0.25 of a 0.5 plot
  EXPECT_EQ(curve[1], (Point{kX + kDx, kY}));        // 0.5
  EXPECT_EQ(curve[2], (Point{kX + 2 * kDx, kY}));    // 1.0 is held at the top
  EXPECT_EQ(curve[3], (Point{kX + 3 * kDx, kBottom}));
  EXPECT_EQ(curveFrom(1, 0, 1).at(0), (Point{kX + 1, kBottom - 320}));
  EXPECT_TRUE(hasText(kX + 4 * kDx, kBottom, "10"));

  // A full scale of 0.3 does not divide 1000: an error of 0.3 still reaches the top.
  in.fixedUpperBound = true;
  in.upperBound = 0.3;
  errors->lpErrors[kTupleRecognitionErrors][0][1] = 30;
  draw(kGraphRecognitionComponentwise);
  EXPECT_EQ(curveFrom(0, 0, 1).at(0), (Point{kX, kY}));
  EXPECT_EQ(scaleLabels().back(), "0.30");
}

TEST_F(StatisticsView, LegalExtremesOfTheTablesDoNotWrap) {
  // Restoring errors of a long loud series against a normaliser above 2^31: 2e9 / 4e9
  // is half the plot at a full scale of 1.
  series->lpFirstPulse = nullptr;
  alphabet = TestAlphabet({{1000, 1000, 1000, 1000}});
  pulses = {alphabet.data()};
  series->lpPulsesList = pulses.data();
  series->wEtalons = 1;
  series->lpFirstPulse = alphabet.data();
  series->wMaxPulses = 500;
  etalonList = {1};
  grid(1, 5, 5, 4, 10, 5, 65535);
  errors->lpErrors[kRestoringErrors][0][0] = 2000000000;
  in.fixedUpperBound = true;
  in.upperBound = 1.0;
  draw(kGraphRestoredComponentwise);
  EXPECT_EQ(curveFrom(0, 0).at(0), (Point{kX, kBottom - kH / 2}));

  // Every repeat of 300 pulse counts wrong at 65535 repeats: the sum passes 2^32.
  grid(300, 1, 1, 4, 10, 5, 65535);
  for (int j = 0; j < 300; ++j) errors->lpErrors[kTupleRecognitionErrors][0][j] = 65535;
  draw(kGraphRecognitionAggregate);
  EXPECT_EQ(curveFrom(0, 0).at(0), (Point{kX, kY}));
}

TEST_F(StatisticsView, PatternTuplesUnderTheTimesKeepTheirRowsForTheMouse) {
  grid(3, 5, 5, 4, 10, 5, 100, kSeriesUnfixedTuples, kTaskTupleRecognition);
  const int32_t sizes[] = {3, 2};
  const int32_t first[] = {1, 2, 3}, second[] = {3, 1};
  const int32_t* rows[] = {first, second};
  ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, rows, 2, 10, 10, 1, kSubsetComplete,
                                                1, series.get()),
            1);
  draw(kGraphRecognitionComponentwise);
  // Gaps 2 (my 11, mx 12); etalon box thumbnails 60 high; width (50 + 2) 3 + 3 = 159;
  // rows (8 (60 + 4 + 15) + 5) / 9 = 70 high, the first from 305 + 1.
  ASSERT_TRUE(layout.pattern.shown);
  ASSERT_EQ(layout.pattern.rows.size(), 2u);
  EXPECT_EQ(layout.pattern.rows[0], (Rect{24, 306, 24 + 159, 306 + 72}));
  EXPECT_EQ(layout.pattern.rows[1], (Rect{24, 378, 24 + 159, 378 + 72}));
  EXPECT_EQ(layout.pattern.frame, (Rect{22, 305 - 2, 22 + 159, 305 + 146}));
  const CanvasOp* caption = canvas.findText(" pattern tuples ");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->x1, 22 + 159 - 10 - 16 * 8);
  // The formula line moves under the box.
  EXPECT_EQ(layout.formulaY, 305 + 146 + 22);
}

TEST_F(StatisticsView, DegenerateDataAndSmallAreasStayInsideTheClientArea) {
  // A silent first pulse (normaliser 0), Tmax = n, no repeats, a level 0 in the bounds.
  alphabet = TestAlphabet({{0, 0, 0, 0}, {0, 0, 0, 0}});
  pulses = {alphabet.data(), alphabet.data() + 1};
  series->lpPulsesList = pulses.data();
  series->wEtalons = 2;
  series->lpFirstPulse = alphabet.data();
  series->wTmax = 4;
  struct Grid {
    uint16_t p, v;
    int16_t levelStep;
    int32_t r;
  };
  // The last grid has every level at 0.
  for (const Grid g : {Grid{3, 4, 5, 0}, Grid{2, 1, 5, 10}, Grid{1, 3, 0, 10}}) {
    grid(g.p, 5, 5, g.v, 0, g.levelStep, g.r);
    for (int i = 0; i < g.v; ++i)
      for (int j = 0; j < g.p; ++j)
        for (int t : {0, 1, 3}) errors->lpErrors[t][i][j] = -1;  // 2^32 - 1 unsigned
    for (double bound : {0.0, 0.0004})
      for (uint32_t mode = 0; mode <= 14; ++mode)
        for (Rect area : {Rect{10, 10, 10, 10}, Rect{10, 10, 60, 40}, Rect{10, 10, 300, 200},
                          Rect{10, 10, 1009, 709}, Rect{10, 10, 9, 9}}) {
          RecordingCanvas tiny(std::max(area.right + 12, 12), area.bottom + 12);
          in.area = area;
          in.graphMode = mode;
          in.fixedUpperBound = bound > 0;
          in.upperBound = bound;
          in.errors = errors.get();
          in.series = series.get();
          const StatisticsViewLayout l = layoutStatisticsView(tiny, in);
          ASSERT_TRUE(drawStatisticsView(tiny, in, l));
          std::string why;
          EXPECT_TRUE(tiny.allWithin(Rect{0, 0, tiny.width(), tiny.height()}, &why))
              << "mode " << mode << " " << area.right << "x" << area.bottom << ": " << why;
          EXPECT_EQ(tiny.font(), FontSpec{});
          EXPECT_EQ(tiny.pen(), Pen{});
        }
  }
}

TEST_F(StatisticsView, NormaliserAllocationFailureDrawsNothing) {
  grid(1234, 5, 1, 4, 10, 5, 100);
  in.area = Rect{10, 10, 1009, 709};
  in.errors = errors.get();
  in.series = series.get();
  layout = layoutStatisticsView(canvas, in);
  failingSize = 1234 * sizeof(uint64_t);
  const bool drawn = drawStatisticsView(canvas, in, layout);
  failingSize = 0;
  EXPECT_FALSE(drawn);
  EXPECT_TRUE(canvas.ops.empty());
}

}  // namespace
}  // namespace velmora::testing

// The results view on hand-made series and chains records, drawn on a recording canvas:
// texts and coordinates are checked against values computed here from the drawing rules.
#include "graphics/results_view.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "common/report.h"
#include "graphics/raster_canvas.h"
#include "graphics/thumbnail.h"
#include "model/problem_types.h"
#include "model/subset_modes.h"
#include "model/subsets.h"
#include "support/fake_window.h"
#include "support/recording_canvas.h"
#include "support/search_helpers.h"

namespace velmora::testing {
namespace {

// Etalons of 4 samples; etalon 3 is cut to samples 1..2 in the cut-off series below.
const std::vector<std::vector<int16_t>> kShapes = {
    {40, 80, 80, 40}, {-40, -80, -80, -40}, {30, -60, 60, -30}};
constexpr int kLength = 400;
constexpr int kPitch = 12;  // distance of the placed pulses

class ResultsView : public ::testing::Test {
 protected:
  // `placed` pulses of etalons 1, 2, 3, 1, ... every kPitch samples from 10, cut to
  // samples 1..2; the noisy series adds +5/-5 alternately.
  void makeSeries(int placed, uint16_t seriesType) {
    series = makeTestSeries(std::vector<int16_t>(kLength, 0), 4, static_cast<uint16_t>(placed),
                            40);
    SeriesHeader& s = *series;
    pulses = {alphabet.data(), alphabet.data() + 1, alphabet.data() + 2};
    s.lpPulsesList = pulses.data();
    s.wEtalons = 3;
    s.wTmin = 12;
    s.wTmax = 40;
    s.wMinPulses = 9;
    s.wMaxPulses = 33;
    s.wAmplitude = 128;
    s.wNoise = 5;
    for (int i = 0; i < placed; ++i) {
      s.lpPositions[i] = static_cast<int16_t>(10 + kPitch * i);
      s.lpEtalons[i] = static_cast<int16_t>(i % 3 + 1);
      const bool cut = isCutoffSeries(seriesType);
      s.lpFirstSamples[i] = cut ? 1 : 0;
      s.lpLastSamples[i] = cut ? 2 : 3;
      for (int j = s.lpFirstSamples[i]; j <= s.lpLastSamples[i]; ++j)
        s.lpPureData[s.lpPositions[i] + j] = kShapes[i % 3][j];
    }
    for (int k = 0; k < kLength; ++k)
      s.lpNoisyData[k] = static_cast<int16_t>(s.lpPureData[k] + (k % 2 ? 5 : -5));
  }

  // The first `count` placed pulses found as they are, with etalon `etalon` when nonzero.
  void find(int count, int16_t etalon = 0) {
    SeriesHeader& s = *series;
    s.wFoundPulses = static_cast<uint16_t>(count);
    for (int i = 0; i < count; ++i) {
      s.lpFoundPositions[i] = s.lpPositions[i];
      s.lpFoundEtalons[i] = etalon ? etalon : s.lpEtalons[i];
      s.lpFoundFirstSamples[i] = s.lpFirstSamples[i];
      s.lpFoundLastSamples[i] = s.lpLastSamples[i];
    }
  }

  // Pretenders with distances -1000, -900, ...; pretender 0 is the found answer.
  void rank(int pretenders, uint16_t seriesType, uint16_t taskType) {
    chains = makeChains(10, 40);
    const SeriesHeader& s = *series;
    emptyChainsHeader(*chains, s.wImpulseQuantity, s.wFoundPulses, 40);
    for (int r = 0; r < pretenders; ++r)
      insertPretender(*chains, -1000 + 100 * r, s.wFoundPulses, s.lpFoundEtalons,
                      s.lpFoundPositions, s.lpFoundFirstSamples, s.lpFoundLastSamples);
    NullReporter reporter;
    addToChainsHeader(reporter, seriesType, taskType, 75, 70, chains.get());
  }

  // Unless `clip`, the lines are drawn whole, as built.
  void draw(bool clip = false) {
    canvas = RecordingCanvas(3000, 900);  // wide enough for the longest lines
    in.area = Rect{10, 10, 1009, 809};  // W 1000, H 800
    in.clipTextToArea = clip;
    in.lineHeight = 15;
    in.series = series.get();
    in.chains = chains.get();
    in.etalonList = etalonList.data();
    in.etalonCount = static_cast<int32_t>(etalonList.size());
    layout = layoutResultsView(canvas, in);
    drawResultsView(canvas, in, layout);
  }

  const CanvasOp* textAt(int32_t x, int32_t y) const {
    for (const CanvasOp* op : canvas.texts())
      if (op->x1 == x && op->y1 == y) return op;
    return nullptr;
  }
  std::string textAtOrEmpty(int32_t x, int32_t y) const {
    const CanvasOp* op = textAt(x, y);
    return op ? op->text : std::string("<none>");
  }

  // Layout of the area above with h = 15: gw 800, gh 174, x0 22, panels at 71, 260, 449,
  // the text block at 645, the header from 3.
  static constexpr int32_t kX0 = 22, kGw = 800, kGh = 174;
  static constexpr int32_t kTops[3] = {71, 260, 449};
  static constexpr int32_t kTextY = 645;

  FakeWindow window;
  TestAlphabet alphabet{kShapes};
  std::vector<const PulseHeader*> pulses;
  std::unique_ptr<SeriesHeader> series;
  ChainsPtr chains;
  std::vector<uint16_t> etalonList{1, 2, 3};
  ResultsViewInputs in;
  ResultsViewLayout layout;
  RecordingCanvas canvas;
};

TEST_F(ResultsView, BeforeProcessingTheTextsDescribeTheSeriesOnly) {
  makeSeries(3, kSeriesFixedWhole);
  rank(0, kSeriesFixedWhole, kTaskDetection);
  chains->wDescribed = 0;
  draw();
  ASSERT_TRUE(layout.fits);
  EXPECT_EQ(layout.graphHeight, kGh);
  EXPECT_EQ(layout.panelTops[2], kTops[2]);
  // No title line: the series line comes first, half a line above the area.
  EXPECT_EQ(textAtOrEmpty(kX0, 3).substr(0, 42), " series length 400, Tmin=12, Tmax=40,  amp");
  EXPECT_EQ(textAtOrEmpty(kX0, 18), " pulses number 3 [9-33], length 4");
  EXPECT_EQ(textAtOrEmpty(kX0, 33), " pulses: 10 22 34");  // no letters before an answer
  EXPECT_EQ(textAtOrEmpty(kX0, kTextY), "Detected 0 (3) pulses: ");
  // Nothing found: the rebuilt series is zero and the error is the pure series' energy.
  int64_t energy = 0;
  for (int k = 0; k < kLength; ++k) energy += series->lpPureData[k] * series->lpPureData[k];
  EXPECT_EQ(textAtOrEmpty(kX0, kTextY + 15), "Restore Error " + std::to_string(energy) + ". ");
  EXPECT_EQ(textAtOrEmpty(kX0, kTextY + 30), " n  measure ");
  EXPECT_EQ(textAtOrEmpty(kX0 + 100, kTextY + 30), "  positions of etalons in series");
  // No pretender lines; the true chain after a quarter-line gap.
  EXPECT_EQ(textAt(kX0, kTextY + 46), nullptr);
  EXPECT_EQ(textAtOrEmpty(kX0 + 100, kTextY + 46 + 4), "  10  22  34");
  // Panel 3 is drawn (empty): its frame and axes.
  int frames = 0;
  for (const CanvasOp* op : canvas.ofKind(CanvasOp::kRectangle))
    frames += op->x1 == kX0 && op->x2 == kX0 + kGw + 1;
  EXPECT_EQ(frames, 3);
}

TEST_F(ResultsView, LongPulseListsAreCutInsteadOfOverflowing) {
  makeSeries(21, kSeriesFixedCutoff);
  find(10);
  rank(8, kSeriesFixedCutoff, kTaskRecognition);
  draw();
  EXPECT_EQ(textAtOrEmpty(kX0, 3),
            " recognition for series with known number of cut-off pulses ");
  EXPECT_EQ(textAtOrEmpty(kX0, 34),
            " pulses number 21 [9-33], length 4, saved energy level for making/processing 75/70");
  std::string pulsesLine = " pulses:";
  for (int i = 0; i < 19; ++i)
    pulsesLine += " " + std::to_string(10 + kPitch * i) + std::string(1, "abc"[i % 3]) + "[1..2] ";
  EXPECT_EQ(textAtOrEmpty(kX0, 49), pulsesLine + "...");

  std::string detected = "Detected 10 (21) pulses: ";
  for (int i = 0; i < 9; ++i)
    detected += " " + std::to_string(10 + kPitch * i) + std::string(1, "abc"[i % 3]) + "[1..2]";
  EXPECT_EQ(textAtOrEmpty(kX0, kTextY), detected + " ... ");

  // Six of the eight pretenders, with the etalon column of recognition.
  EXPECT_EQ(textAtOrEmpty(kX0, kTextY + 30), " n et  measure ");
  for (int r = 0; r < 6; ++r) {
    char head[64];
    std::snprintf(head, sizeof head, "%2d.  a   %7d", r + 1, -1000 + 100 * r);
    EXPECT_EQ(textAtOrEmpty(kX0, kTextY + 46 + 15 * r), head);
  }
  EXPECT_EQ(textAt(kX0, kTextY + 46 + 15 * 6), nullptr);
  EXPECT_EQ(textAtOrEmpty(kX0 + 100, kTextY + 46).substr(0, 24), "  10 [1..2]   22 [1..2] ");

  // The true chain: its cost is the match cost of the placed pulses on the noisy series.
  int64_t cost = 0;
  for (int i = 0; i < 21; ++i)
    for (int j = 1; j <= 2; ++j) {
      const int64_t s = kShapes[i % 3][j];
      cost += s * (s - 2 * series->lpNoisyData[10 + kPitch * i + j]);
    }
  char truth[64];
  std::snprintf(truth, sizeof truth, "%2d.  a   %7lld", 0, static_cast<long long>(cost));
  const int32_t trueY = kTextY + 46 + 15 * 6 + 4;
  EXPECT_EQ(textAtOrEmpty(kX0, trueY), truth);
  const std::string truePulses = textAtOrEmpty(kX0 + 100, trueY);
  EXPECT_EQ(truePulses.substr(truePulses.size() - 5), " ... ");

  // The recognised etalon's thumbnail is grey.
  int grey = 0;
  for (const CanvasOp* op : canvas.ofKind(CanvasOp::kFillRect)) grey += op->color == rgb(163, 163, 163);
  EXPECT_EQ(grey, 1);
}

TEST_F(ResultsView, OneFoundPulseIsSingularAndWholePulseSeriesShowNoRuns) {
  for (uint16_t type : {kSeriesFixedWhole, kSeriesUnfixedWhole, kSeriesFixedTuples}) {
    makeSeries(3, type);
    find(1);
    rank(1, type, kTaskJoint);
    draw();
    EXPECT_EQ(textAtOrEmpty(kX0, kTextY), "Detected 1 (3) pulse:  10a") << type;
    EXPECT_EQ(textAtOrEmpty(kX0 + 100, kTextY + 30),
              "  positions and names of etalons in series");
    const std::regex run(R"(\[-?\d+\.\.-?\d+\])");
    for (const CanvasOp* op : canvas.texts())
      EXPECT_FALSE(std::regex_search(op->text, run)) << type << ": " << op->text;
  }
}

TEST_F(ResultsView, LoudNoiseWithoutAmplitudeWidensTheScale) {
  makeSeries(3, kSeriesFixedWhole);
  series->wAmplitude = 0;
  series->wNoise = 300;
  EXPECT_EQ(resultsAmplitude(*series), 512);
  EXPECT_EQ(resultsHalfRange(*series), 900);
  series->lpNoisyData[100] = 450;
  rank(0, kSeriesFixedWhole, kTaskDetection);
  draw();
  ASSERT_NE(canvas.findText(" amplitude 512, noise level 300,"), nullptr);
  // The blue curve's line to sample 100 ends at its x and y on panel 2.
  std::vector<const CanvasOp*> curve;
  for (const CanvasOp* op : canvas.ofKind(CanvasOp::kLine))
    if (op->pen.color == kSeriesCurveColor) curve.push_back(op);
  ASSERT_EQ(curve.size(), static_cast<size_t>(kLength));
  EXPECT_EQ(curve[100]->x2, kX0 + 100 * kGw / (kLength - 1));
  EXPECT_EQ(curve[100]->y2, kTops[1] + kGh - (450 + 900) * kGh / 1800);
}

TEST_F(ResultsView, SpecialGraphSizeHasNoFramesAndSettingsSwitchTheirMarks) {
  makeSeries(6, kSeriesFixedTuples);
  find(6);
  series->wTupleInstances = 2;
  series->lpTupleFirst[0] = 1, series->lpTupleLast[0] = 3;
  series->lpTupleFirst[1] = 4, series->lpTupleLast[1] = 6;
  rank(1, kSeriesFixedTuples, kTaskTupleDetection);
  auto count = [&](CanvasOp::Kind kind, auto pred) {
    int n = 0;
    for (const CanvasOp* op : canvas.ofKind(kind)) n += pred(*op);
    return n;
  };
  auto panelFrames = [&] {
    return count(CanvasOp::kRectangle, [](const CanvasOp& op) { return op.x1 == kX0; });
  };
  auto tupleBackgrounds = [&] {
    return count(CanvasOp::kRectangle,
                 [](const CanvasOp& op) { return op.brush.color == kTupleBackgroundColor; });
  };
  draw();
  EXPECT_EQ(panelFrames(), 3);
  EXPECT_EQ(tupleBackgrounds(), 6);  // two instances in each of the three panels
  EXPECT_EQ(textAtOrEmpty(kX0, kTextY), "Detected 6 pulses:  {10a 22b 34c}  {46a 58b 70c} ");

  in.settings.specialGraphSize = true;
  in.settings.tupleHighlighting = kTupleHighlightNone;
  in.settings.highlightDetectedPulses = false;
  in.settings.shadedOriginalPulses = false;
  draw();
  EXPECT_EQ(layout.graphWidth, 618);
  EXPECT_EQ(layout.graphHeight, 112);
  EXPECT_EQ(panelFrames(), 0);
  EXPECT_EQ(tupleBackgrounds(), 0);
  EXPECT_EQ(canvas.ofKind(CanvasOp::kPixel).size(), 0u);  // no dotted frames, no hatching

  in.settings.tupleHighlighting = kTupleHighlightFrames;
  draw();
  EXPECT_GT(canvas.ofKind(CanvasOp::kPixel).size(), 0u);
}

TEST_F(ResultsView, TupleInstancesStartingAfterPulse19AreCut) {
  makeSeries(24, kSeriesUnfixedTuples);
  find(24);
  series->wTupleInstances = 8;
  for (int k = 0; k < 8; ++k) {
    series->lpTupleFirst[k] = static_cast<int16_t>(3 * k + 1);
    series->lpTupleLast[k] = static_cast<int16_t>(3 * k + 3);
  }
  rank(1, kSeriesUnfixedTuples, kTaskTupleRecognition);
  draw();
  const std::string line = textAtOrEmpty(kX0, kTextY);
  EXPECT_NE(line.find("{226a 238b 250c} "), std::string::npos);  // the instance from pulse 19
  EXPECT_EQ(line.substr(line.size() - 5), " ... ");
  EXPECT_EQ(line.find("262"), std::string::npos);

  // Counts beyond the record's arrays are read only as far as the arrays go.
  series->wFoundPulses = 60;
  series->wTupleInstances = 100;
  series->lpTupleLast[0] = 300;
  draw();
  EXPECT_EQ(textAtOrEmpty(kX0, kTextY).find("Detected 60 (24) pulses:  {10a 22b 34c 46a"), 0u);
}

TEST_F(ResultsView, PatternRowsFollowTheLayoutAndShowTheRecognisedAndTheMadeTuple) {
  makeSeries(6, kSeriesUnfixedTuples);
  find(6);
  const int32_t sizes[] = {3, 2};
  const int32_t first[] = {1, 2, 3}, second[] = {3, 1};
  const int32_t* rows[] = {first, second};
  ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, rows, 2, 10, 10, 1, kSubsetComplete,
                                                1, series.get()),
            1);
  series->wFoundTuple = 2;
  in.patternMade = 1;
  rank(1, kSeriesUnfixedTuples, kTaskTupleRecognition);
  draw();
  // Etalon box: R 2, thumbnails 50 x 71 (B 12, B2 6); pattern box: gaps 2, three cells of
  // 50, width 159, rows 80 high, right-aligned mx inside the area and 2 above its bottom.
  ASSERT_EQ(layout.pattern.rows.size(), 2u);
  EXPECT_EQ(layout.pattern.rows[0], (Rect{840, 642, 999, 724}));
  EXPECT_EQ(layout.pattern.rows[1], (Rect{840, 724, 999, 806}));
  EXPECT_EQ(layout.pattern.frame, (Rect{838, 641 - 2, 997, 807}));
  const CanvasOp* caption = canvas.findText(" pattern tuples ");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->x1, 997 - 10 - 16 * 8);
  EXPECT_EQ(caption->y1, 641 - (16 / 4 + 16 / 2));
  int red = 0, grey = 0;
  for (const CanvasOp* op : canvas.ofKind(CanvasOp::kFillRect)) {
    red += op->color == rgb(255, 0, 0);
    grey += op->color == rgb(163, 163, 163);
  }
  EXPECT_EQ(red, 3);   // the tuple the series was made with
  EXPECT_EQ(grey, 2);  // the recognised tuple
}

TEST_F(ResultsView, LinesEndInsideTheAreaBeforeTheBoxesWithWholeItems) {
  makeSeries(21, kSeriesFixedCutoff);
  find(10);
  rank(8, kSeriesFixedCutoff, kTaskRecognition);
  draw();
  std::map<std::pair<int32_t, int32_t>, std::string> whole;
  for (const CanvasOp* op : canvas.texts()) whole[{op->x1, op->y1}] = op->text;
  draw(true);
  const EtalonBoxLayout& eb = layout.etalonBox;
  int cut = 0;
  for (const CanvasOp* op : canvas.texts()) {
    if (op->x1 != kX0 && op->x1 != kX0 + 100) continue;  // labels and boxes
    const std::string& full = whole[{op->x1, op->y1}];
    EXPECT_LE(op->x2, in.area.right + 1) << op->text;
    if (op->y1 < eb.top + eb.height + 1 && op->y2 > eb.top - eb.margin) {
      EXPECT_LT(op->x2, eb.left) << op->text;
    }
    if (op->text == full) continue;
    // A cut line shows its first items whole, then " ...".
    ++cut;
    ASSERT_GE(op->text.size(), 4u);
    EXPECT_EQ(op->text.substr(op->text.size() - 4), " ...");
    const std::string shown = op->text.substr(0, op->text.size() - 4);
    EXPECT_EQ(full.substr(0, shown.size()), shown);
    EXPECT_EQ(full[shown.size()], ' ') << op->text;
  }
  EXPECT_EQ(cut, 1 + 6 + 1);  // the header's pulses, the pretenders' and the true chain's
}

TEST_F(ResultsView, PanelLabelsStandUnderTheirPulsesAndNeverOverlap) {
  // Pulses 12 samples (24 pixels) apart, labels of 10 characters (80 pixels): the labels
  // shown stand at x(p) - 5 on the panel's bottom line, a blank apart at least.
  makeSeries(21, kSeriesFixedCutoff);
  find(21);
  rank(1, kSeriesFixedCutoff, kTaskRecognition);
  draw();
  for (int panel = 0; panel < 3; ++panel) {
    std::vector<const CanvasOp*> labels;
    for (const CanvasOp* op : canvas.texts())
      if (op->y1 == kTops[panel] + kGh - 1) labels.push_back(op);
    ASSERT_GE(labels.size(), 5u) << panel;
    int32_t free = INT32_MIN;
    for (const CanvasOp* op : labels) {
      int i = 0;
      while (i < 21 && kX0 + (10 + kPitch * i) * kGw / (kLength - 1) - 5 != op->x1) ++i;
      ASSERT_LT(i, 21) << op->text;
      EXPECT_EQ(op->text, std::to_string(10 + kPitch * i) + "abc"[i % 3] + "[1..2] ");
      EXPECT_GE(op->x1, free) << op->text;
      free = op->x2;  // the trailing blank keeps them apart
    }
    EXPECT_EQ(labels.front()->text, "10a[1..2] ");
  }
}

TEST_F(ResultsView, ThePatternListLeavesTheEtalonBoxUncovered) {
  makeSeries(6, kSeriesUnfixedTuples);
  find(6);
  const int32_t sizes[] = {3, 2};
  const int32_t first[] = {1, 2, 3}, second[] = {3, 1};
  const int32_t* rows[] = {first, second};
  ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, rows, 2, 10, 10, 1, kSubsetComplete,
                                                1, series.get()),
            1);
  rank(1, kSeriesUnfixedTuples, kTaskTupleRecognition);
  // Twenty etalons in use: ten rows of thumbnails would reach the area's bottom.
  etalonList.clear();
  for (uint16_t e = 0; e < 20; ++e) etalonList.push_back(e % 3 + 1);
  draw();
  ASSERT_TRUE(layout.pattern.shown);
  ASSERT_TRUE(layout.etalonBoxShown);
  const EtalonBoxLayout& eb = layout.etalonBox;
  EXPECT_LE(eb.top + eb.height + 1, layout.pattern.captionY);
  EXPECT_GE(eb.thumbHeight, 2);
  const Rect last = etalonBoxCell(eb, 19);
  EXPECT_LE(last.bottom, eb.top + eb.height);
  // The thumbnails of the etalon box are all drawn: their letters, with the list's three.
  int letters = 0;
  for (const CanvasOp* op : canvas.texts()) letters += op->text.size() == 3 && op->text[0] == ' ';
  EXPECT_EQ(letters, 20 + 5);
}

TEST_F(ResultsView, DegenerateInputsAndSmallAreasStayInsideTheClientArea) {
  // One sample, one-sample etalons, no etalons in use, a silent series.
  alphabet = TestAlphabet({{0}, {0}, {0}});
  series = makeTestSeries({0}, 1, 1, 1);
  pulses = {alphabet.data(), alphabet.data() + 1, alphabet.data() + 2};
  series->lpPulsesList = pulses.data();
  series->wEtalons = 3;
  series->lpEtalons[0] = 1;
  series->wFoundPulses = 1;
  series->lpFoundEtalons[0] = 0;  // pretender 0 names no etalon
  chains = makeChains(10, 1);
  const int16_t none = 0;
  insertPretender(*chains, 0, 1, &none, &none, &none, &none);
  NullReporter reporter;
  addToChainsHeader(reporter, kSeriesFixedCutoff, kTaskRecognition, 75, 75, chains.get());
  etalonList.clear();
  draw();
  EXPECT_NE(canvas.findText("Restore Error 0. "), nullptr);
  EXPECT_NE(canvas.findText(" -  "), nullptr);  // the letter of etalon 0

  makeSeries(21, kSeriesUnfixedTuples);
  find(12);
  rank(3, kSeriesUnfixedTuples, kTaskTupleRecognition);
  etalonList = {1, 2, 3};
  series->lpSubset[0] = 2;
  series->wSubsetSize = series->wSubsetStored = 1;
  in.series = series.get();
  in.chains = chains.get();
  in.etalonList = etalonList.data();
  in.etalonCount = 3;
  for (bool special : {false, true}) {
    for (Rect area : {Rect{10, 10, 10, 10}, Rect{10, 10, 60, 40}, Rect{10, 10, 300, 200},
                      Rect{10, 10, 700, 420}, Rect{10, 10, 9, 9}}) {
      RecordingCanvas tiny(area.right + 12 > 12 ? area.right + 12 : 12, area.bottom + 12);
      in.area = area;
      in.settings.specialGraphSize = special;
      const ResultsViewLayout l = layoutResultsView(tiny, in);
      drawResultsView(tiny, in, l);
      std::string why;
      EXPECT_TRUE(tiny.allWithin(Rect{0, 0, tiny.width(), tiny.height()}, &why))
          << area.right << "x" << area.bottom << (special ? " special" : "") << ": " << why;
      EXPECT_EQ(tiny.pen(), Pen{});
      EXPECT_EQ(tiny.brush(), Brush{});
    }
  }
}

// With the window's own font, the widest head of a pretender line (a two-digit rank, the
// widest etalon letter, a seven-digit negative measure) ends before the positions column,
// whose opaque text would otherwise cover its last digit.
TEST(ResultsViewText, WidestChainHeadFitsBeforeThePositions) {
  RasterCanvas canvas(1, 1);
  for (int32_t etalon = 1; etalon <= 20; ++etalon) {
    const std::string head = chainHead(99, etalonLetter(etalon), -9999999);
    EXPECT_LE(canvas.textExtent(head).cx, kPositionsColumn) << head;
  }
  EXPECT_EQ(chainHead(6, 'm', -1233190), " 6.  m   -1233190");
  EXPECT_EQ(chainHead(0, 0, 42), " 0.        42");
}

}  // namespace
}  // namespace velmora::testing

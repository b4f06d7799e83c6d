// A fixed script of commands and dialog answers (every task type on every series type,
// " Create series... ", " New pulses... ", two small simulations) whose complete outputs
// are pinned in golden_run.txt. Any change of a result fails here. After a deliberate
// change, run with VELMORA_UPDATE_GOLDEN=1 to rewrite the file and review its diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "shell/pipeline.h"
#include "shell_fixture.h"

namespace velmora::testing {
namespace {

std::string goldenPath() { return std::string(VELMORA_DATA_DIR) + "/../shell/golden_run.txt"; }

template <typename T>
std::string list(const T* values, size_t count) {
  std::ostringstream out;
  for (size_t i = 0; i < count; ++i) out << (i ? " " : "") << values[i];
  return out.str();
}

// FNV-1a over 16-bit samples: pins a whole series in one line.
std::string digest(const int16_t* values, size_t count) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < count; ++i) {
    const uint16_t v = static_cast<uint16_t>(values[i]);
    for (int b = 0; b < 2; ++b) {
      h ^= (v >> (8 * b)) & 0xFF;
      h *= 1099511628211ull;
    }
  }
  std::ostringstream out;
  out << std::hex << h;
  return out.str();
}

class GoldenRun : public ShellTest {
 protected:
  void record(const std::string& label) {
    const AppState& s = state;
    out_ << "== " << label << "\n";
    out_ << "state task=" << s.problem.wTaskType << " effective=" << s.problem.wEffectiveTaskType
         << " series=" << s.problem.wSeriesType << " view=" << s.view.dwViewMode
         << " result=" << s.view.wResultKind << " noiseSeed=" << s.series.wNoiseSeed
         << " sequenceState=" << s.etalons.sequenceRandom.state
         << " length=" << s.series.dwSeriesLength << "/" << s.series.dwSeriesLengthCur
         << " tmin=" << s.series.wTmin << " tmax=" << s.series.wTmax
         << " pulses=" << s.series.wMinPulses << "/" << s.series.wMaxPulses << "/"
         << s.series.wMeanPulses << "/" << s.series.wPulseCount << " noise=" << s.series.wNoiseLevel
         << "/" << s.series.wNoiseLevelCur << " saved=" << s.series.wSavedLevelCur << "/"
         << s.series.wProcSavedLevelCur << "\n";
    out_ << "required " << list(s.etalons.lpRequiredList, s.etalons.wRequiredCount) << "\n";
    out_ << "sequence " << list(s.etalons.lpEtalonSequence, s.etalons.wEtalonSequenceSize) << "\n";
    if (const SeriesHeader* h = s.records.lpSeriesHeader) {
      const size_t q = h->wImpulseQuantity;
      const size_t f = h->wFoundPulses;
      out_ << "series size=" << h->dwSeriesSize << " quantity=" << q << " min=" << h->wMinPulses
           << " max=" << h->wMaxPulses << " noise=" << h->wNoise
           << " pure=" << digest(h->lpPureData, h->dwSeriesSize)
           << " noisy=" << digest(h->lpNoisyData, h->dwSeriesSize) << "\n";
      out_ << " positions " << list(h->lpPositions, q) << "\n";
      out_ << " etalons " << list(h->lpEtalons, q) << "\n";
      out_ << " samples " << list(h->lpFirstSamples, q) << " | " << list(h->lpLastSamples, q)
           << "\n";
      out_ << " windows " << list(h->lpMinPositions, q) << " | " << list(h->lpMaxPositions, q)
           << "\n";
      out_ << " found " << f << ": " << list(h->lpFoundPositions, f) << " | "
           << list(h->lpFoundEtalons, f) << " | " << list(h->lpFoundFirstSamples, f) << " | "
           << list(h->lpFoundLastSamples, f) << "\n";
      out_ << " subset " << list(h->lpSubset, std::min<size_t>(h->wSubsetSize, h->wMaxPulses))
           << " tuples " << h->wTupleInstances << ": "
           << list(h->lpTupleFirst, static_cast<size_t>(std::max<int16_t>(h->wTupleInstances, 0)))
           << " | "
           << list(h->lpTupleLast, static_cast<size_t>(std::max<int16_t>(h->wTupleInstances, 0)))
           << " foundTuple " << h->wFoundTuple << "\n";
    } else {
      out_ << "series none\n";
    }
    if (const ChainsHeader* c = s.records.lpChainsHeader) {
      out_ << "chains " << c->wMaxSize << "x" << c->wMaxPulses << " pretenders=" << c->wPretenders
           << " quan=" << c->wQuanPulses << " seeking=" << c->wSeekingPulsesQuantity
           << " described=" << c->wDescribed << " series=" << c->wSeriesType
           << " task=" << c->wTaskType << " levels=" << c->wSavedLevelMaking << "/"
           << c->wSavedLevelProcessing << "\n";
      for (int i = 0; i < c->wPretenders; ++i) {
        const size_t m = static_cast<size_t>(c->pulsesCount[i]);
        out_ << " " << i << ": " << c->distance[i] << " [" << m << "] "
             << list(c->pulsesList[i], m) << " | " << list(c->positionsList[i], m) << " | "
             << list(c->firstSamplesList[i], m) << " | " << list(c->lastSamplesList[i], m)
             << "\n";
      }
    }
    if (s.records.lpRestErrorHeader) out_ << restErrHeaderText(*s.records.lpRestErrorHeader);
    for (const Message& m : window.messages)
      out_ << "message [" << m.shownCaption() << "] " << m.text << "\n";
    window.clear();
  }

  std::ostringstream out_;
};

TEST_F(GoldenRun, EveryTaskAndSeriesTypeCreateSeriesAndSimulations) {
  record("start-up");

  const int series[] = {kCmdFixedWhole,     kCmdFixedCutoffs, kCmdUnfixedWhole,
                        kCmdUnfixedCutoffs, kCmdFixedTuples,  kCmdUnfixedTuples};
  const int tasks[] = {kCmdRecognition, kCmdJoint, kCmdSeriesProcessing, kCmdDetection};
  selectSubsets({{3, 5, 8}, {12, 4}, {7, 7, 1, 2}});
  for (int seriesId : series) {
    for (int taskId : tasks) {
      command(seriesId);
      command(taskId);
      command(kCmdProcessNext);
      record("next data, series command " + std::to_string(seriesId) + ", task command " +
             std::to_string(taskId));
    }
    // Detection left the single etalon as the only required one: all 20 again (the
    // missing entries take their positions).
    answer(107, kIdOk, {{kIdcRequiredCount, "20"}, {kIdcRequiredList, ""}});
    command(kCmdNewPulses);
  }
  command(kCmdProcessSame);
  record("same data");

  command(kCmdFixedWhole);
  command(kCmdRecognition);
  answer(105, kIdOk,
         {{kIdcSeriesLength, "600"}, {kIdcTmin, "30"}, {kIdcTmax, "150"},
          {kIdcEtalonNumber, "3"}, {kIdcSavedLevel, "80"}, {kIdcProcSavedLevel, "70"}});
  answer(106, kIdOk, {{kIdcPulseCount, "10"}, {kIdcSequence, "3,4,5"}, {kIdcNoiseLevel, "25"}});
  command(kCmdCreateSeries);
  record("create series");
  command(kCmdJoint);
  command(kCmdProcessNext);
  record("joint detection on the created geometry");

  answer(107, kIdOk, {{kIdcRequiredCount, "3"}, {kIdcRequiredList, "2, 4, 6"}});
  command(kCmdNewPulses);
  command(kCmdFixedCutoffs);
  command(kCmdRecognition);
  command(kCmdProcessNext);
  record("new pulses, recognition");

  answer(105, kIdOk, {{kIdcSeriesLength, "200"}, {kIdcTmin, "40"}, {kIdcTmax, "181"}});
  answer(110, kIdOk,
         {{kIdcSimFrom, "2"}, {kIdcSimTo, "4"}, {kIdcSimIncrement, "2"},
          {kIdcSimNoiseInitial, "10"}, {kIdcSimNoiseSteps, "2"}, {kIdcSimNoiseStep, "15"},
          {kIdcSimRepeats, "3"}});
  answer(114, kIdOk);
  command(kCmdSimulation);
  record("simulation, recognition");

  command(kCmdFixedTuples);
  command(kCmdDetection);
  answer(111, kIdOk);  // attaches the selected subset to the series
  command(kCmdSubsetSettings);
  answer(105, kIdOk, {{kIdcSeriesLength, "600"}});
  answer(110, kIdOk,
         {{kIdcSimFrom, "5"}, {kIdcSimTo, "6"}, {kIdcSimNoiseInitial, "0"},
          {kIdcSimNoiseSteps, "2"}, {kIdcSimNoiseStep, "30"}, {kIdcSimRepeats, "2"}});
  answer(113, kIdOk);
  command(kCmdSimulation);
  record("simulation, tuple detection");

  const std::string text = out_.str();
  if (std::getenv("VELMORA_UPDATE_GOLDEN")) {
    std::ofstream(goldenPath()) << text;
    GTEST_SKIP() << "rewrote " << goldenPath();
  }
  std::ifstream in(goldenPath());
  ASSERT_TRUE(in.good()) << "missing " << goldenPath();
  std::stringstream expected;
  expected << in.rdbuf();
  std::istringstream a(expected.str()), b(text);
  std::string lineA, lineB, section;
  for (int line = 1; std::getline(a, lineA); ++line) {
    if (lineA.rfind("== ", 0) == 0) section = lineA;
    ASSERT_TRUE(static_cast<bool>(std::getline(b, lineB))) << "output ends before line " << line;
    ASSERT_EQ(lineB, lineA) << "line " << line << " in " << section;
  }
  EXPECT_FALSE(static_cast<bool>(std::getline(b, lineB))) << "output goes on: " << lineB;
}

}  // namespace
}  // namespace velmora::testing

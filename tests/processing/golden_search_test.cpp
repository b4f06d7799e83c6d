// Pins the complete output of every search on a fixed set of synthesised series: the
// answers written into the series record and the whole chains record. Any change of a
// single position, run, score or ranking fails here. After an intended change, rerun
// with VELMORA_UPDATE_GOLDEN=1 to rewrite the file, and review the diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/report.h"
#include "model/alphabet.h"
#include "model/problem_types.h"
#include "model/random.h"
#include "model/series.h"
#include "model/subset_modes.h"
#include "model/subsets.h"
#include "processing/chains.h"
#include "processing/fixed_search.h"
#include "processing/tuple_search.h"
#include "processing/unfixed_recognition.h"
#include "processing/unfixed_search.h"
#include "processing/unfixed_tuple_search.h"
#include "support/fake_window.h"
#include "support/search_helpers.h"

namespace velmora::testing {
namespace {

struct Geometry {
  uint32_t length;
  uint16_t tmin;
  uint16_t tmax;
};

void writeList(std::ostream& out, const char* name, const int16_t* values, int count) {
  out << name << ":";
  for (int i = 0; i < count; ++i) out << ' ' << values[i];
  out << '\n';
}

void dumpAnswer(std::ostream& out, int result, const SeriesHeader& s, const ChainsHeader& c) {
  out << "result: " << result << '\n';
  out << "found: " << s.wFoundPulses << '\n';
  writeList(out, "positions", s.lpFoundPositions, s.wFoundPulses);
  writeList(out, "etalons", s.lpFoundEtalons, s.wFoundPulses);
  writeList(out, "first", s.lpFoundFirstSamples, s.wFoundPulses);
  writeList(out, "last", s.lpFoundLastSamples, s.wFoundPulses);
  out << "tuples: " << s.wTupleInstances;
  for (int i = 0; i < s.wTupleInstances; ++i)
    out << " [" << s.lpTupleFirst[i] << ' ' << s.lpTupleLast[i] << ']';
  out << "\nfoundTuple: " << s.wFoundTuple << '\n';
  out << "chains: pretenders " << c.wPretenders << " quan " << c.wQuanPulses << " seeking "
      << c.wSeekingPulsesQuantity << '\n';
  for (int i = 0; i < c.wPretenders; ++i) {
    out << ' ' << i + 1 << ". " << c.distance[i] << " #" << c.pulsesCount[i] << ':';
    for (int k = 0; k < c.pulsesCount[i]; ++k)
      out << ' ' << c.positionsList[i][k] << '(' << c.pulsesList[i][k] << ")["
          << c.firstSamplesList[i][k] << ' ' << c.lastSamplesList[i][k] << ']';
    out << '\n';
  }
}

class GoldenSearches {
 public:
  GoldenSearches() {
    resetRandomStates();
    EXPECT_EQ(makeAlphabet(window_, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet_), 1);
    NullReporter reporter;
    chains_ = getChainsHeader(reporter, 10, 400, nullptr);
  }
  ~GoldenSearches() {
    freeSeriesHeader(series_);
    freeChainsHeader(chains_);
  }

  // Synthesises a series (fixed or unfixed count) with an optional subset, adds noise.
  bool synthesise(const Geometry& g, bool unfixed, uint16_t quantity,
                  std::vector<uint16_t> sequence, uint16_t savedLevel, int16_t noise,
                  const std::vector<int32_t>& subset) {
    const uint16_t pmax = maxPulseCount(g.length, kPulseLength, g.tmin);
    sequence.resize(pmax, sequence.empty() ? 1 : sequence.back());
    series_ = getCutOffSeriesHeader(window_, kAlphabetSize, kPulseLength, g.tmin, g.tmax,
                                    g.length, series_);
    if (!series_) return false;
    series_->wSubsetSize = 0;
    if (!subset.empty())
      addSubsetToSeriesHeader(subset.data(), int32_t(subset.size()), kSubsetComplete, 1,
                              series_);
    if (unfixed)
      series_ = getRandomCountSeries(window_, kAlphabetSize, alphabet_, kPulseLength, g.tmin,
                                     g.tmax, g.length, 0, sequence.data(), kPulseAmplitude,
                                     savedLevel, series_);
    else
      series_ = getCutOffSeries(window_, kAlphabetSize, alphabet_, kPulseLength, g.tmin, g.tmax,
                                g.length, quantity, sequence.data(), kPulseAmplitude,
                                savedLevel, series_);
    if (!series_) return false;
    addNoise(noise, kPulseAmplitude, series_, noiseSeed_);
    return true;
  }

  void run(std::ostream& out, const std::string& name, const std::function<int()>& search) {
    out << "== " << name << '\n';
    out << "series: L " << series_->dwSeriesSize << " M " << series_->wImpulseQuantity
        << " Tmin " << series_->wTmin << " Tmax " << series_->wTmax << " noise "
        << series_->wNoise << '\n';
    writeList(out, "true", series_->lpPositions, series_->wImpulseQuantity);
    const int result = search();
    dumpAnswer(out, result, *series_, *chains_);
    for (const auto& m : window_.messages)
      out << "message: " << m.shownCaption() << " | " << m.text << '\n';
    window_.clear();
  }

  FakeWindow window_;
  PulseHeader alphabet_[kAlphabetSize];
  SeriesHeader* series_ = nullptr;
  ChainsHeader* chains_ = nullptr;
  uint16_t noiseSeed_ = kInitialNoiseSeed;
};

void goldenText(std::string& result) {
  GoldenSearches g;
  std::ostringstream out;
  const Geometry geometries[] = {{300, 20, 60}, {600, 40, 181}};
  std::vector<uint16_t> all;
  for (uint16_t e = 1; e <= kAlphabetSize; ++e) all.push_back(e);
  const std::vector<uint16_t> few = {3, 5, 9, 11};
  const std::vector<uint16_t> single = {5};
  const std::vector<int32_t> tupleA = {3, 9, 11};
  const std::vector<int32_t> tupleB = {5, 7};
  const std::vector<int32_t> tupleC = {11, 3, 9, 14};
  const int32_t sizes[] = {3, 2, 4};
  const int32_t* rows[] = {tupleA.data(), tupleB.data(), tupleC.data()};
  auto& w = g.window_;
  const PulseHeader* a = g.alphabet_;

  for (const Geometry& geo : geometries) {
    const std::string where = "L" + std::to_string(geo.length) + " ";
    for (uint16_t making : {uint16_t(100), uint16_t(75), uint16_t(50)}) {
      for (uint16_t proc : {uint16_t(100), uint16_t(75), uint16_t(50), uint16_t(0)}) {
        if (proc == 0 && (geo.length > 300 || making != 50)) continue;
        const std::string tag = where + "make " + std::to_string(making) + " proc " +
                                std::to_string(proc) + " ";
        const uint16_t m = minPulseCount(geo.length, kPulseLength, geo.tmax) + 3;
        auto& s = g.series_;
        auto& c = g.chains_;
        // Single pulses, fixed count: detection, identification, recognition.
        ASSERT_TRUE(g.synthesise(geo, false, m, {5}, making, 20, {}));
        g.run(out, tag + "detection", [&] {
          return fastSearch(w, kTaskDetection, kSeriesFixedCutoff,
                            listInputs(a, 1, single.data(), geo.tmin, geo.tmax, proc), c, s);
        });
        ASSERT_TRUE(g.synthesise(geo, false, m, {3, 9, 5, 11, 9, 3}, making, 35, {}));
        g.run(out, tag + "identification", [&] {
          return fastSearch(
              w, kTaskDetection, kSeriesFixedCutoff,
              listInputs(a, uint16_t(few.size()), few.data(), geo.tmin, geo.tmax, proc), c, s);
        });
        ASSERT_TRUE(g.synthesise(geo, false, m, {11}, making, 50, {}));
        g.run(out, tag + "recognition", [&] {
          return fastSearch(
              w, kTaskRecognition, kSeriesFixedCutoff,
              listInputs(a, uint16_t(all.size()), all.data(), geo.tmin, geo.tmax, proc), c, s);
        });
        // Single pulses, unfixed count.
        ASSERT_TRUE(g.synthesise(geo, true, 0, {9, 3, 11, 5}, making, 20, {}));
        g.run(out, tag + "unfixed identification", [&] {
          return fastSearch(
              w, kTaskDetection, kSeriesUnfixedCutoff,
              listInputs(a, uint16_t(few.size()), few.data(), geo.tmin, geo.tmax, proc), c, s);
        });
        ASSERT_TRUE(g.synthesise(geo, true, 0, {9}, making, 35, {}));
        g.run(out, tag + "unfixed recognition", [&] {
          return fastSearch(
              w, kTaskRecognition, kSeriesUnfixedCutoff,
              listInputs(a, uint16_t(few.size()), few.data(), geo.tmin, geo.tmax, proc), c, s);
        });
        if (making != 100 || proc == 0) continue;  // tuples are whole pulses
        // Tuples, fixed and unfixed count, both proceeding modes.
        for (uint16_t proceeding : {uint16_t(1), uint16_t(2)}) {
          const std::string t = tag + "proceeding " + std::to_string(proceeding) + " ";
          ASSERT_TRUE(g.synthesise(geo, false, m, {1}, 100, 20, tupleA));
          g.run(out, t + "tuple detection", [&] {
            return fastSearch(
                w, kTaskTupleDetection, kSeriesFixedTuples,
                tupleInputs(a, 3, tupleA.data(), proceeding, geo.tmin, geo.tmax, proc), c, s);
          });
          ASSERT_TRUE(g.synthesise(geo, false, m, {1}, 100, 35, tupleC));
          g.run(out, t + "tuple recognition", [&] {
            return fastSearch(
                w, kTaskTupleRecognition, kSeriesFixedTuples,
                tupleListInputs(a, sizes, rows, 3, proceeding, geo.tmin, geo.tmax, proc), c, s);
          });
          ASSERT_TRUE(g.synthesise(geo, true, 0, {1}, 100, 20, tupleA));
          g.run(out, t + "unfixed tuple detection", [&] {
            return fastSearch(
                w, kTaskTupleDetection, kSeriesUnfixedTuples,
                tupleInputs(a, 3, tupleA.data(), proceeding, geo.tmin, geo.tmax, proc), c, s);
          });
          ASSERT_TRUE(g.synthesise(geo, true, 0, {1}, 100, 35, tupleB));
          g.run(out, t + "unfixed tuple recognition", [&] {
            return fastSearch(
                w, kTaskTupleRecognition, kSeriesUnfixedTuples,
                tupleListInputs(a, sizes, rows, 3, proceeding, geo.tmin, geo.tmax, proc), c, s);
          });
        }
      }
    }
  }
  result = out.str();
}

TEST(GoldenSearches, EverySearchMatchesThePinnedOutput) {
  const std::string path = std::string(VELMORA_GOLDEN_DIR) + "/searches.txt";
  std::string text;
  goldenText(text);
  ASSERT_FALSE(HasFatalFailure());
  if (std::getenv("VELMORA_UPDATE_GOLDEN")) {
    std::ofstream(path) << text;
    GTEST_SKIP() << "rewrote " << path;
  }
  std::ifstream in(path);
  ASSERT_TRUE(in.good()) << "missing " << path;
  std::stringstream pinned;
  pinned << in.rdbuf();
  // Compare line by line so that a failure names the first case that changed.
  std::istringstream got(text), want(pinned.str());
  std::string a, b, section;
  int line = 0;
  while (true) {
    const bool ga = bool(std::getline(got, a));
    const bool gb = bool(std::getline(want, b));
    ++line;
    if (!ga || !gb) {
      EXPECT_EQ(ga, gb) << "output length differs at line " << line << " in " << section;
      break;
    }
    if (a.rfind("== ", 0) == 0) section = a;
    ASSERT_EQ(a, b) << "line " << line << " in " << section;
  }
}

}  // namespace
}  // namespace velmora::testing

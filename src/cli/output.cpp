#include "cli/output.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "model/alphabet.h"
#include "model/problem_types.h"
#include "processing/chains.h"
#include "simulation/answer_measures.h"
#include "simulation/rest_error.h"
#include "simulation/simulation.h"

namespace velmora::cli {

namespace {

template <typename T>
Json array(const T* values, size_t count) {
  Json a = Json::array();
  for (size_t k = 0; values != nullptr && k < count; ++k) a.push_back(values[k]);
  return a;
}

// How many true and found pulses the per-pulse arrays of a series hold.
size_t truePulses(const SeriesHeader& s) {
  return std::min<size_t>(s.wImpulseQuantity, s.wReservedImpulses);
}
size_t foundPulses(const SeriesHeader& s) {
  return std::min<size_t>(s.wFoundPulses, s.wReservedImpulses);
}

Json seriesJson(const SeriesHeader& s) {
  const size_t q = truePulses(s);
  const size_t f = foundPulses(s);
  Json j;
  j["seriesSize"] = s.dwSeriesSize;
  j["tmin"] = s.wTmin;
  j["tmax"] = s.wTmax;
  j["impulseSize"] = s.wImpulseSize;
  j["impulseQuantity"] = s.wImpulseQuantity;
  j["minPulses"] = s.wMinPulses;
  j["maxPulses"] = s.wMaxPulses;
  j["noise"] = s.wNoise;
  j["amplitude"] = s.wAmplitude;
  j["pureData"] = array(s.lpPureData, s.dwSeriesSize);
  j["noisyData"] = array(s.lpNoisyData, s.dwSeriesSize);
  j["positions"] = array(s.lpPositions, q);
  j["etalons"] = array(s.lpEtalons, q);
  j["firstSamples"] = array(s.lpFirstSamples, q);
  j["lastSamples"] = array(s.lpLastSamples, q);
  j["minPositions"] = array(s.lpMinPositions, q);
  j["maxPositions"] = array(s.lpMaxPositions, q);
  j["foundPulses"] = s.wFoundPulses;
  j["foundPositions"] = array(s.lpFoundPositions, f);
  j["foundEtalons"] = array(s.lpFoundEtalons, f);
  j["foundFirstSamples"] = array(s.lpFoundFirstSamples, f);
  j["foundLastSamples"] = array(s.lpFoundLastSamples, f);
  j["subset"] = array(s.lpSubset, s.wSubsetStored);
  Json instances = Json::array();
  for (int k = 0; k < s.wTupleInstances && s.lpTupleFirst && s.lpTupleLast; ++k)
    instances.push_back(Json::array({s.lpTupleFirst[k], s.lpTupleLast[k]}));
  j["tupleInstances"] = instances;
  j["foundTuple"] = s.wFoundTuple;
  return j;
}

int pretenderPulses(const ChainsHeader& c, int i) {
  return std::clamp<int32_t>(c.pulsesCount[i], 0, c.wMaxPulses);
}
int pretenderCount(const ChainsHeader& c) { return std::min(c.wPretenders, c.wMaxSize); }

// " 56 (6) [4..18]" per pulse; the visible samples only for cut-off series.
std::string pulseList(const int16_t* positions, const int16_t* etalons, const int16_t* first,
                      const int16_t* last, size_t count, bool samples) {
  std::string out;
  for (size_t k = 0; k < count; ++k) {
    out += " " + std::to_string(positions[k]) + " (" + std::to_string(etalons[k]) + ")";
    if (samples)
      out += " [" + std::to_string(first[k]) + ".." + std::to_string(last[k]) + "]";
  }
  return out;
}


Json tableJson(const RestErrorHeader& e, int t) {
  Json rows = Json::array();
  for (uint16_t i = 0; i < e.wNoiseLevels; ++i) rows.push_back(array(e.lpErrors[t][i], e.wVariousPulses));
  return rows;
}

}  // namespace

Json chainsJson(const ChainsHeader& c) {
  Json j;
  j["maxSize"] = c.wMaxSize;
  j["maxPulses"] = c.wMaxPulses;
  j["quanPulses"] = c.wQuanPulses;
  j["seekingPulsesQuantity"] = c.wSeekingPulsesQuantity;
  Json pretenders = Json::array();
  for (int i = 0; i < pretenderCount(c); ++i) {
    const size_t n = static_cast<size_t>(pretenderPulses(c, i));
    Json p;
    p["distance"] = c.distance[i];
    p["etalons"] = array(c.pulsesList[i], n);
    p["positions"] = array(c.positionsList[i], n);
    p["firstSamples"] = array(c.firstSamplesList[i], n);
    p["lastSamples"] = array(c.lastSamplesList[i], n);
    pretenders.push_back(std::move(p));
  }
  j["pretenders"] = pretenders;
  return j;
}

std::string dumpJson(const Json& document) {
  return document.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

Json alphabetJson(const AppState& s) {
  Json etalons = Json::array();
  for (uint16_t e = 0; e < std::min<uint16_t>(s.etalons.wEtalonCount, kMaxEtalons); ++e) {
    const PulseHeader& p = s.etalons.alphabet[e];
    Json j;
    j["number"] = p.wNumber;
    j["energy"] = pulseEnergy(p);
    j["samples"] = array(p.lpData, p.wSize);
    etalons.push_back(std::move(j));
  }
  Json doc;
  doc["format"] = kAlphabetFormat;
  doc["etalons"] = etalons;
  return doc;
}

std::string alphabetText(const AppState& s) {
  std::string out = "etalon  energy  samples\n";
  for (uint16_t e = 0; e < std::min<uint16_t>(s.etalons.wEtalonCount, kMaxEtalons); ++e) {
    const PulseHeader& p = s.etalons.alphabet[e];
    char head[32];
    std::snprintf(head, sizeof head, "%6d  %6d ", p.wNumber, pulseEnergy(p));
    out += head;
    for (uint16_t k = 0; p.lpData && k < p.wSize; ++k) out += " " + std::to_string(p.lpData[k]);
    out += "\n";
  }
  return out;
}

Json runJson(const AppState& s, const std::vector<Message>& messages) {
  Json j;
  j["taskType"] = s.problem.wTaskType;
  j["effectiveTaskType"] = s.problem.wEffectiveTaskType;
  j["seriesType"] = s.problem.wSeriesType;
  j["requiredList"] = array(s.etalons.lpRequiredList, s.etalons.wRequiredCount);
  j["etalonSequence"] = array(s.etalons.lpEtalonSequence,
                              std::min<size_t>(s.series.wMaxPulses, s.etalons.wEtalonSequenceSize));
  j["series"] = s.records.lpSeriesHeader ? seriesJson(*s.records.lpSeriesHeader) : Json();
  j["chains"] = s.records.lpChainsHeader ? chainsJson(*s.records.lpChainsHeader) : Json();
  j["trueChainCost"] =
      s.records.lpSeriesHeader ? Json(trueChainCost(*s.records.lpSeriesHeader)) : Json();
  Json shown = Json::array();
  for (const Message& m : messages) {
    Json one;
    one["caption"] = m.shownCaption();
    one["text"] = m.text;
    shown.push_back(std::move(one));
  }
  j["messages"] = shown;
  return j;
}

std::string runText(const AppState& s, int number, const std::string& command) {
  std::string out = "run " + std::to_string(number) + ": " + command + "\n";
  const ChainsHeader* c = s.records.lpChainsHeader;
  if (c && c->wDescribed > 1) {
    // Codes without a name are shown as their numbers.
    const std::string task =
        c->lpTaskName ? c->lpTaskName : "task type " + std::to_string(c->wTaskType);
    const std::string series = c->lpSeriesTypeName
                                   ? c->lpSeriesTypeName
                                   : "series type " + std::to_string(c->wSeriesType);
    out += " " + task + " for series with " + series + "\n";
  }
  if (const SeriesHeader* h = s.records.lpSeriesHeader) {
    const bool samples = isCutoffSeries(s.problem.wSeriesType);
    out += "series: length " + std::to_string(h->dwSeriesSize) + ", Tmin " +
           std::to_string(h->wTmin) + ", Tmax " + std::to_string(h->wTmax) + ", amplitude " +
           std::to_string(h->wAmplitude) + ", noise " + std::to_string(h->wNoise) + "\n";
    out += "true pulses (" + std::to_string(h->wImpulseQuantity) + "):" +
           pulseList(h->lpPositions, h->lpEtalons, h->lpFirstSamples, h->lpLastSamples,
                     truePulses(*h), samples) +
           "\n";
    out += "detected pulses (" + std::to_string(h->wFoundPulses) + "):" +
           pulseList(h->lpFoundPositions, h->lpFoundEtalons, h->lpFoundFirstSamples,
                     h->lpFoundLastSamples, foundPulses(*h), samples) +
           "\n";
    if (isTupleSeries(s.problem.wSeriesType)) {
      out += "pattern tuple:";
      for (uint16_t k = 0; k < h->wSubsetStored; ++k) out += " " + std::to_string(h->lpSubset[k]);
      out += "\ntuple instances (" + std::to_string(h->wTupleInstances) + "), pulses:";
      for (int k = 0; k < h->wTupleInstances && h->lpTupleFirst && h->lpTupleLast; ++k)
        out += " " + std::to_string(h->lpTupleFirst[k]) + ".." + std::to_string(h->lpTupleLast[k]);
      out += "\nfound tuple: " + std::to_string(h->wFoundTuple) + "\n";
    }
    out += "restoration error: " + std::to_string(getRestorationError(h)) + "\n";
    out += "true chain cost: " + std::to_string(trueChainCost(*h)) + "\n";
  }
  if (c) out += chainsHeaderText(*c);
  if (out.back() != '\n') out += "\n";
  return out;
}

std::string utcTime(int32_t seconds) {
  const std::time_t t = seconds;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

Json simulationJson(const AppState& s, const Json& options) {
  const RestErrorHeader& e = *s.records.lpRestErrorHeader;
  Json doc;
  doc["format"] = kSimulationFormat;
  doc["options"] = options;
  doc["pulseValues"] = array(e.wPulseValues, e.wVariousPulses);
  doc["noiseLevels"] = array(e.lpNoiseLevels, e.wNoiseLevels);
  doc["repeats"] = e.repeats;
  doc["taskType"] = e.wTaskType;
  doc["seriesType"] = e.wSeriesType;
  Json tables;
  tables["restoring"] = tableJson(e, kRestoringErrors);
  tables["detection"] = tableJson(e, kDetectionErrors);
  tables["tupleRecognition"] = tableJson(e, kTupleRecognitionErrors);
  doc["tables"] = tables;
  doc["complete"] = e.ifComplete;
  doc["startTime"] = utcTime(s.simulation.simStartTime);
  doc["endTime"] = utcTime(s.simulation.simEndTime);
  doc["elapsedSeconds"] = int64_t{s.simulation.simEndTime} - int64_t{s.simulation.simStartTime};
  return doc;
}

std::string simulationCsv(const RestErrorHeader& e) {
  std::string out = std::string(kCsvHeader) + "\n";
  for (uint16_t j = 0; j < e.wVariousPulses; ++j)
    for (uint16_t i = 0; i < e.wNoiseLevels; ++i)
      out += std::to_string(e.wPulseValues[j]) + "," + std::to_string(e.lpNoiseLevels[i]) + "," +
             std::to_string(e.lpErrors[kRestoringErrors][i][j]) + "," +
             std::to_string(e.lpErrors[kDetectionErrors][i][j]) + "," +
             std::to_string(e.lpErrors[kTupleRecognitionErrors][i][j]) + "\n";
  return out;
}

}  // namespace velmora::cli

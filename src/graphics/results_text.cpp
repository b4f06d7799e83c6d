#include "graphics/results_text.h"

#include <algorithm>
#include <cinttypes>

#include "common/format.h"
#include "graphics/results_view_internal.h"
#include "simulation/answer_measures.h"

namespace velmora {

std::string chainHead(int32_t rank, char letter, int64_t measure) {
  std::string head = formatText("%2d. ", rank);
  if (letter != 0) head += formatText(" %c ", letter);
  return head + formatText("  %7" PRId64, measure);
}

int32_t resultsPulseLineWidth(int32_t aveCharWidth) {
  return kPositionsColumn + results_internal::kPretenderPulses * 6 * aveCharWidth;
}

namespace results_internal {

// " %d", the letter and the visible run of pulse i, in the header's and labels' forms.
std::string pulseText(const View& v, const PulseList& list, int32_t i, const char* position,
                      const char* run, bool letter) {
  std::string t = formatText(position, list.positions[i]);
  if (letter && list.etalons) t += letterOf(list.etalons[i]);
  if (v.samples && list.first && list.last) t += formatText(run, list.first[i], list.last[i]);
  return t;
}

void drawHeader(Canvas& canvas, const View& v) {
  const int32_t h = v.lineHeight;
  const int32_t x = v.lay.x0;
  int32_t y = v.lay.headerY;
  if (v.described > 1) {
    // Codes without a name (series processing has none) show as their numbers.
    const std::string task =
        v.c->lpTaskName ? v.c->lpTaskName : formatText("task type %d", v.c->wTaskType);
    const std::string series = v.c->lpSeriesTypeName
                                   ? v.c->lpSeriesTypeName
                                   : formatText("series type %d", v.c->wSeriesType);
    textLine(canvas, v, x, y, formatText(" %s for series with %s ", task.c_str(), series.c_str()));
    y += h + 1;
  }

  // Energies of the pure series, of all the noise and of the noise under the pulses.
  const SeriesHeader& s = v.s;
  int64_t signal = 0, noiseAll = 0, noisePulses = 0;
  if (s.lpPureData && s.lpNoisyData) {
    for (int32_t k = 0; k < v.length; ++k) {
      const int64_t pure = s.lpPureData[k];
      const int64_t noise = int64_t{s.lpNoisyData[k]} - pure;
      signal += pure * pure;
      noiseAll += noise * noise;
    }
    for (int32_t i = 0; i < v.truePulses; ++i) {
      for (int32_t j = 0; j < v.pulseSize; ++j) {
        const int64_t k = int64_t{s.lpPositions[i]} + j;
        if (k < 0 || k >= v.length) continue;
        const int64_t noise = int64_t{s.lpNoisyData[k]} - s.lpPureData[k];
        noisePulses += noise * noise;
      }
    }
  }
  const double allNS = signal < 1 ? 0.0 : static_cast<double>(noiseAll) / signal;
  const double pulseNS = signal < 1 ? 0.0 : static_cast<double>(noisePulses) / signal;
  textLine(canvas, v, x, y,
             formatText(" series length %d, ", v.length) +
                 formatText("Tmin=%d, Tmax=%d, ", s.wTmin, s.wTmax) +
                 formatText(" amplitude %d, noise level %d, allN/S %.3g,  N/S %.3g",
                           v.lay.amplitude, s.wNoise, allNS, pulseNS));
  y += h;

  std::string line = formatText(" pulses number %d [%d-%d], length %d", s.wImpulseQuantity,
                               s.wMinPulses, s.wMaxPulses, v.pulseSize);
  if (v.described > 1 && v.samples)
    line += formatText(", saved energy level for making/processing %d/%d", v.c->wSavedLevelMaking,
                      v.c->wSavedLevelProcessing);
  textLine(canvas, v, x, y, line);
  y += h;

  line = " pulses:";
  const PulseList list = truePulses(v);
  for (int32_t i = 0; i < list.count; ++i) {
    if (i == kHeaderPulses) {
      line += "...";
      break;
    }
    line += pulseText(v, list, i, " %d", "[%d..%d] ", v.letters);
  }
  textLine(canvas, v, x, y, line);
}

namespace {

std::string detectedLine(const View& v) {
  const SeriesHeader& s = v.s;
  std::string t = formatText("Detected %d", s.wFoundPulses);
  if (s.wImpulseQuantity != s.wFoundPulses) t += formatText(" (%d)", s.wImpulseQuantity);
  t += s.wFoundPulses == 1 ? " pulse" : " pulses";
  t += ": ";
  const PulseList list = foundPulses(v);
  if (!(isTupleCode(v.taskType) && isTupleSeries(v.seriesType))) {
    for (int32_t i = 0; i < list.count; ++i) {
      if (i == kDetectedPulses) {
        t += " ... ";
        break;
      }
      t += pulseText(v, list, i, " %d", "[%d..%d]", v.letters);
    }
    return t;
  }
  if (s.lpTupleFirst == nullptr || s.lpTupleLast == nullptr) return t;
  const int32_t instances = std::min<int32_t>(s.wTupleInstances, s.wReservedImpulses);
  for (int32_t k = 0; k < instances; ++k) {
    if (s.lpTupleFirst[k] > kLastTupleStart) {
      t += " ... ";
      break;
    }
    t += " {";
    const int32_t first = std::max(s.lpTupleFirst[k] - 1, 0);
    const int32_t last = std::min<int32_t>(s.lpTupleLast[k] - 1, list.count - 1);
    for (int32_t i = first; i <= last; ++i)
      t += pulseText(v, list, i, "%d", "[%d..%d]", v.letters) + " ";
    if (t.back() == ' ') t.pop_back();
    t += "} ";
  }
  return t;
}

// A chain's pulses in the pretender lines' form.
std::string chainPulses(const View& v, const PulseList& list, bool names) {
  std::string t;
  for (int32_t i = 0; i < list.count; ++i) {
    if (i == kPretenderPulses) {
      t += " ... ";
      break;
    }
    t += pulseText(v, list, i, "  %d", " [%d..%d] ", names);
  }
  return t;
}

}  // namespace

void drawTextBlock(Canvas& canvas, const View& v) {
  const int32_t h = v.lineHeight;
  const int32_t x = v.lay.x0;
  int32_t y = v.lay.textY;
  textLine(canvas, v, x, y, detectedLine(v));
  y += h;
  textLine(canvas, v, x, y,
             formatText("Restore Error %" PRId64 ". ", restoreError(v.s, v.c)));
  y += h;

  const bool etalonColumn = v.described > 1 && v.taskType == kTaskRecognition;
  const bool names = (v.described < 2 && v.letters) ||
                     (v.described >= 2 && v.taskType == kTaskJoint);
  if (v.c != nullptr) {
    textLine(canvas, v, x, y, std::string(" n ") + (etalonColumn ? "et " : "") + " measure ");
    textLine(canvas, v, x + kPositionsColumn, y,
               std::string("  positions") + (names ? " and names" : "") + " of etalons in series");
    y += h + 1;
    const int32_t pretenders =
        std::min<int32_t>({v.c->wPretenders, v.c->wMaxSize, kPretenderLines});
    for (int32_t r = 0; r < pretenders; ++r) {
      const int32_t count = std::clamp<int32_t>(v.c->pulsesCount[r], 0, v.c->wMaxPulses);
      textLine(canvas, v, x, y,
               chainHead(r + 1, etalonColumn ? letterOf(count > 0 ? v.c->pulsesList[r][0] : 0) : 0,
                         v.c->distance[r]));
      const PulseList chain{v.c->positionsList[r], v.c->pulsesList[r], v.c->firstSamplesList[r],
                            v.c->lastSamplesList[r], count};
      textLine(canvas, v, x + kPositionsColumn, y, chainPulses(v, chain, names));
      y += h;
    }
  }
  y += (h + 3) / 4;
  const PulseList placed = truePulses(v);
  textLine(canvas, v, x, y,
           chainHead(0, etalonColumn ? letterOf(placed.count > 0 ? placed.etalons[0] : 0) : 0,
                     trueChainCost(v.s)));
  textLine(canvas, v, x + kPositionsColumn, y, chainPulses(v, placed, names));
}

}  // namespace results_internal

}  // namespace velmora

#include "processing/unfixed_recognition.h"

#include <new>

#include "processing/match.h"
#include "processing/search_kernels.h"
#include "processing/search_workspace.h"
#include "processing/unfixed_search.h"

namespace velmora {

template <typename Kernels>
SearchOutcome recognizeUnfixedCountWith(Kernels& kernels, const SearchInputs& in,
                                        ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return {0};
  const PulseHeader* const alphabet = in.alphabet;
  const uint16_t etalonCount = in.requiredCount;
  const uint16_t* const etalons = in.requiredList;
  const uint16_t tmin = in.tmin, tmax = in.tmax, savedLevel = in.procSavedLevel;
  SearchWorkspace* const workspace = in.workspace;
  const int32_t L = series->lpNoisyData ? static_cast<int32_t>(series->dwSeriesSize) : 0;
  const uint16_t n = series->wImpulseSize;
  SearchWorkspace own;
  SearchWorkspace& ws = workspace ? *workspace : own;
  UnfixedSearchWork& work = ws.unfixed;

  try {
    if (work.candidates.empty()) work.candidates.resize(1);
    MatchEtalon& e = work.candidates[0];
    e.energy.reserve(static_cast<size_t>(n) + 1);
    e.runStarts.reserve(n);
    e.runEnds.reserve(n);
  } catch (const std::bad_alloc&) {
    return {0, kNoMemoryIndexes};
  }
  MatchEtalon& candidate = work.candidates[0];

  if (chains != nullptr) {
    chains->wPretenders = 0;
    chains->wSeekingPulsesQuantity = 0;
    chains->wQuanPulses = series->wImpulseQuantity;
  }

  uint16_t recognised = kNoEtalonRecognised;
  MatchCost bestScore = kSevenNines;
  // The answer is the best-ranked pretender: the first chain whose stored score is
  // strictly lowest. It is kept here too, so that the answer does not depend on the
  // header's capacity or presence.
  FoundChain& answer = work.answer;
  answer.clear();
  bool haveAnswer = false;
  int32_t answerDistance = 0;
  const char* failure = nullptr;

  try {
    // Without the sets or the tables no candidate can be tried: the answer stays empty.
    const PositionSets* sets =
        ws.positionSets.get(L, n, series->wMinPulses, series->wMaxPulses, tmin, tmax);
    if (sets == nullptr) throw std::bad_alloc();
    reserveUnfixedWork(work, 1, L, n, series->wReservedImpulses);
    UnfixedTables& tables = work.tables;
    FoundChain& chain = work.chain;
    for (uint16_t i = 0; i < etalonCount && etalons != nullptr; ++i) {
      const uint16_t number = etalons[i];
      if (!isAlphabetEtalon(number) ||
          !prepareMatchEtalon(alphabet, number, n, savedLevel, candidate)) {
        continue;
      }
      resetUnfixedTables(tables, L, n);
      kernels.match(work, *sets, &candidate, 1, series->lpNoisyData);
      kernels.chain(work, *sets, tmin, tmax);

      MatchCost score = 0;
      if (chooseUnfixedEnd(tables, *sets, kEightNines, score) >= 0 && score < bestScore) {
        bestScore = score;
        recognised = number;
      }

      // The pretender's end is chosen from nine nines, so that a chain carrying the
      // absence mark of a missing predecessor still yields a pretender.
      MatchCost distance = 0;
      const int32_t end = chooseUnfixedEnd(tables, *sets, kNineNines, distance);
      if (end < 0 || !traceUnfixedChain(tables, end, series->wReservedImpulses, chain)) {
        chain.clear();
        distance = kNineNines;
      }
      const int32_t stored = storedScore(distance);
      if (chains != nullptr) {
        insertPretender(*chains, stored, chain.count(), chain.etalons.data(),
                        chain.positions.data(), chain.firstSamples.data(),
                        chain.lastSamples.data());
      }
      if (!haveAnswer || stored < answerDistance) {
        haveAnswer = true;
        answerDistance = stored;
        answer = chain;
      }
      if (chains != nullptr) {
        chains->wSeekingPulsesQuantity = chains->wPretenders > 0
                                             ? static_cast<uint16_t>(chains->pulsesCount[0])
                                             : static_cast<uint16_t>(answer.count());
      }
    }
  } catch (const std::bad_alloc&) {
    // The answer keeps what the candidates tried gave (nothing when the sets or the tables
    // could not be had), and the search reports that it could not finish.
    failure = kNoMemoryIndexes;
  }

  writeFoundChain(*series, answer);
  return {recognised, failure};
}

template SearchOutcome recognizeUnfixedCountWith<FastUnfixedKernels>(FastUnfixedKernels&,
                                                                      const SearchInputs&,
                                                                      ChainsHeader*,
                                                                      SeriesHeader*);
template SearchOutcome recognizeUnfixedCountWith<PlainUnfixedKernels>(PlainUnfixedKernels&,
                                                                       const SearchInputs&,
                                                                       ChainsHeader*,
                                                                       SeriesHeader*);

}  // namespace velmora

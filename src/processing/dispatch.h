// The choice of search by effective task type and series type, shared by the
// processing pipeline and the statistical simulation.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/search_outcome.h"

namespace velmora {

struct SearchWorkspace;

// What the searches may need besides the two records. The required list serves the
// single-pulse tasks; the selected subset serves tuple detection; the subset list serves
// tuple recognition.
struct SearchInputs {
  const PulseHeader* alphabet = nullptr;
  uint16_t requiredCount = 0;
  const uint16_t* requiredList = nullptr;
  uint16_t tmin = 0;
  uint16_t tmax = 0;
  uint16_t procSavedLevel = 100;

  int32_t selectedSubsetSize = 0;
  const int32_t* selectedSubset = nullptr;
  int32_t subsetProceedingMode = 0;

  int32_t subsetCount = 0;
  const int32_t* subsetSizes = nullptr;
  const int32_t* const* subsetRows = nullptr;

  // The diagnostic flag of " Debugging repeat ", read and cleared by the unfixed-count
  // tuple searches; null: no diagnostics.
  uint32_t* diagnosticFlag = nullptr;

  // Storage the search may reuse across calls (search_workspace.h); null: its own.
  SearchWorkspace* workspace = nullptr;
};

// Runs the search that the effective task type and the series type select and reports
// how it ended, its result being that search's result:
//   detection, joint detection, series processing - the unfixed-count search on series
//       of an unfixed number of whole or cut-off pulses, else identification;
//   recognition - unfixed-count recognition on those series, else recognition;
//   tuple detection - unfixed-count tuple detection on those series and on unfixed tuple
//       series, else tuple detection of the fixed-count search (the selected subset);
//   tuple recognition - the same pair for tuple recognition (the subset list).
// Any other task type runs nothing and gives 0, as does a null series. Nothing is shown
// when a search runs out of memory: the caller decides what to do with the outcome.
SearchOutcome runSearch(Window& window, uint16_t effectiveTaskType, uint16_t seriesType,
                        const SearchInputs& inputs, ChainsHeader* chains, SeriesHeader* series);

// True when runSearch answers this effective task type and series type with the
// fixed-count chain pass (identification, recognition or the tuple chain search), whose
// chain table grows with the pulse count times the window widths.
bool searchUsesChainPass(uint16_t effectiveTaskType, uint16_t seriesType);

}  // namespace velmora

// The choice of search by effective task type and series type, shared by the
// processing pipeline and the statistical simulation.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"

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

// Runs the search that the effective task type and the series type select and returns
// that search's result:
//   1, 4, 64 - unfixed-count search on series types 4 and 8, else identification;
//   2        - unfixed-count recognition on series types 4 and 8, else recognition;
//   36       - unfixed-count tuple detection on series types 4, 8 and 40, else tuple
//              detection of the fixed-count chain search (the selected subset);
//   40       - the same pair for tuple recognition (the subset list).
// Any other task type runs nothing and gives 0, as does a null series.
int runSearch(Window& window, uint16_t effectiveTaskType, uint16_t seriesType,
              const SearchInputs& inputs, ChainsHeader* chains, SeriesHeader* series);

}  // namespace velmora

// What a search may need besides the two records it answers into, in one struct for the
// one search entry (dispatch.h): the required list serves the single-pulse tasks, the
// selected subset tuple detection, the subset list tuple recognition.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "model/alphabet.h"

namespace velmora {

struct SearchWorkspace;

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
  // tuple searches; null: no diagnostics. The dumps it asks for go to `reporter` (null:
  // nowhere).
  uint32_t* diagnosticFlag = nullptr;
  Reporter* reporter = nullptr;

  // Storage the search may reuse across calls (search_workspace.h); null: its own.
  SearchWorkspace* workspace = nullptr;
};

}  // namespace velmora

// The one search entry: the search that the effective task type and the series type
// select, on the fast kernels (the application's searches) or on the plain kernels (the
// reference the fast ones are checked against), shared by the processing pipeline, the
// statistical simulation, the command-line tool, the Python module and the tests.
#pragma once

#include <cstdint>

#include "model/series.h"
#include "processing/chains.h"
#include "processing/search_inputs.h"
#include "processing/search_outcome.h"

namespace velmora {

// The kernel kinds runSearch is instantiated for (search_kernels.h).
struct FastKernels;
struct PlainKernels;

// Runs the search that the effective task type and the series type select and reports
// how it ended, its result being that search's result:
//   detection, joint detection, series processing - the unfixed-count search on series
//       of an unfixed number of whole or cut-off pulses, else identification;
//   recognition - unfixed-count recognition on those series, else recognition;
//   tuple detection - unfixed-count tuple detection on those series and on unfixed tuple
//       series, else tuple detection of the fixed-count search (the selected subset);
//   tuple recognition - the same pair for tuple recognition (the subset list).
// Any other task type runs nothing and gives 0, as does a null series. Nothing is shown
// when a search runs out of memory: the caller decides what to do with the outcome. The
// plain kernels give bit for bit the answers (and the dumps) of the fast ones, much more
// slowly; the application never runs them.
template <typename Kernels>
SearchOutcome runSearch(uint16_t effectiveTaskType, uint16_t seriesType,
                        const SearchInputs& inputs, ChainsHeader* chains, SeriesHeader* series);

extern template SearchOutcome runSearch<FastKernels>(uint16_t, uint16_t, const SearchInputs&,
                                                     ChainsHeader*, SeriesHeader*);
extern template SearchOutcome runSearch<PlainKernels>(uint16_t, uint16_t, const SearchInputs&,
                                                      ChainsHeader*, SeriesHeader*);

// True when runSearch answers this effective task type and series type with the
// fixed-count chain pass (identification, recognition or the tuple chain search), whose
// chain table grows with the pulse count times the window widths.
bool searchUsesChainPass(uint16_t effectiveTaskType, uint16_t seriesType);

}  // namespace velmora

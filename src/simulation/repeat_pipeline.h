// The ordered parallel pipeline that carries a run's repeats: the driver's thread
// synthesises them in run order (the random sources are sequential) into a ring of slots,
// every thread processes them, each on its slot's own copy of the series and its own
// chains record, and the driver's thread accumulates them, reports their messages and
// calls the observer in run order again. So a run gives the same tables, messages and
// records on any number of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/report.h"
#include "model/series.h"
#include "processing/chains.h"

namespace velmora {

// Pretenders of the chains record of every repeat in flight.
inline constexpr uint16_t kChainsPretenders = 10;
// Repeats in flight per processing thread: synthesised ahead, processed, or waiting to be
// accumulated.
inline constexpr size_t kSlotsPerThread = 4;

// The errors one processed repeat adds to its grid point, or the text of a search that
// ran out of memory (the repeat then has no answer and ends the run).
struct RepeatErrors {
  int64_t restoring = 0;
  int64_t detection = 0;
  int32_t tupleMisses = 0;
  const char* noMemory = nullptr;
};

// One repeat in flight: a copy of its series, its own chains record, the messages of its
// synthesis and processing, and the errors it yields.
struct RepeatSlot {
  std::unique_ptr<SeriesHeader> series = std::make_unique<SeriesHeader>();
  ChainsHeader* chains = nullptr;
  RecordingReporter messages;
  int64_t repeat = 0;  // in run order; differs from the slot's turn in a shared run
  int32_t pulses = 0;
  int32_t expectedTuple = 0;
  RepeatErrors errors;
  bool done = false;
};

}  // namespace velmora

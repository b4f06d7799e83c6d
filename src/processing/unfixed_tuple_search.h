// Detection and recognition of pattern tuples on a series whose number of pulses is not
// known in advance: a chain search on a layered graph, one layer per pattern element.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/fast_match.h"
#include "processing/unfixed_search.h"

namespace velmora {

struct SearchWorkspace;

// Value that marks the absence of a chain in detection and in recognition.
inline constexpr int32_t kTupleDetectionNoChain = 99999999;
inline constexpr int32_t kTupleRecognitionNoChain = 999999999;

inline constexpr const char* kNoMemoryLayers = "Нет памяти для G_on_layers!";
inline constexpr const char* kTuplesDumpCaption = " About TuplesDetection ";
// Size of the text the diagnostic dumps are built in; longer dumps are cut.
inline constexpr size_t kTuplesDumpLimit = 5000;

// One layer of the graph: for every position the cheapest chain ending there with a pulse
// of the layer's pattern element, its predecessor position in the previous layer (-1: the
// chain starts here as a first pulse, -2: no chain continues into it), the local match
// of the element there and the run used.
struct Layer {
  std::vector<MatchCost> value;
  std::vector<int32_t> predecessor;
  std::vector<MatchCost> local;
  std::vector<uint16_t> etalon;
  std::vector<int16_t> first;
  std::vector<int16_t> last;
};

// A layered search's chain with its tuple instances.
struct LayeredAnswer {
  FoundChain chain;
  std::vector<int16_t> instanceFirst;
  std::vector<int16_t> instanceLast;

  void clear() {
    chain.clear();
    instanceFirst.clear();
    instanceLast.clear();
  }
};

// What the layered searches reuse from one call to the next.
struct LayeredSearchWork {
  std::vector<MatchEtalon> elements;
  std::vector<Layer> layers;
  std::vector<SlidingMinimum> queues;  // per layer, over its chain costs
  LayeredAnswer answer;
  LayeredAnswer best;
  LocalMatcher matcher;
  std::vector<std::pair<int32_t, int>> cells;  // the trace-back, last pulse first
};

}  // namespace velmora

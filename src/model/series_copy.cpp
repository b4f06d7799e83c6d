#include "model/series_copy.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace velmora {

namespace {

// The pointer fields of a series record that point into its data block.
int16_t* SeriesHeader::*const kBlockFields[] = {
    &SeriesHeader::lpPureData,          &SeriesHeader::lpNoisyData,
    &SeriesHeader::lpPositions,         &SeriesHeader::lpFoundPositions,
    &SeriesHeader::lpMinPositions,      &SeriesHeader::lpMaxPositions,
    &SeriesHeader::lpEtalons,           &SeriesHeader::lpFoundEtalons,
    &SeriesHeader::lpFirstSamples,      &SeriesHeader::lpLastSamples,
    &SeriesHeader::lpFoundFirstSamples, &SeriesHeader::lpFoundLastSamples,
    &SeriesHeader::lpSubset,            &SeriesHeader::lpTupleFirst,
    &SeriesHeader::lpTupleLast};

}  // namespace

static_assert(sizeof(SeriesHeader) == 320, "copySeriesState must copy every field");
void copySeriesState(const SeriesHeader& from, SeriesHeader& to) {
  std::copy(from.block.begin(), from.block.end(), to.block.begin());
  std::copy(from.pulsesListBlock.begin(), from.pulsesListBlock.end(), to.pulsesListBlock.begin());
  to.dwSeriesSize = from.dwSeriesSize;
  to.wTmin = from.wTmin;
  to.wTmax = from.wTmax;
  to.wImpulseSize = from.wImpulseSize;
  to.wImpulseQuantity = from.wImpulseQuantity;
  to.wMaxPulses = from.wMaxPulses;
  to.wMinPulses = from.wMinPulses;
  to.wNoise = from.wNoise;
  to.wAmplitude = from.wAmplitude;
  to.lpFirstPulse = from.lpFirstPulse;
  to.wEtalons = from.wEtalons;
  to.wFoundPulses = from.wFoundPulses;
  to.wFirstSample = from.wFirstSample;
  to.wLastSample = from.wLastSample;
  to.wSubsetSize = from.wSubsetSize;
  to.wSubsetMode = from.wSubsetMode;
  to.wSubsetPosition = from.wSubsetPosition;
  to.wTupleInstances = from.wTupleInstances;
  to.wFoundTuple = from.wFoundTuple;
  to.wSubsetStored = from.wSubsetStored;
  to.lpPulsesList = from.lpPulsesList == from.pulsesListBlock.data() ? to.pulsesListBlock.data()
                                                                      : from.lpPulsesList;
}

bool sameLayout(const SeriesHeader& a, const SeriesHeader& b) {
  if (a.block.size() != b.block.size() || a.pulsesListBlock.size() != b.pulsesListBlock.size())
    return false;
  for (int16_t* SeriesHeader::*field : kBlockFields)
    if ((a.*field == nullptr) != (b.*field == nullptr) ||
        (a.*field && a.*field - a.block.data() != b.*field - b.block.data()))
      return false;
  return true;
}

void cloneSeriesLayout(const SeriesHeader& from, SeriesHeader& to) {
  if (sameLayout(from, to)) return;
  to.block.assign(from.block.size(), 0);
  to.pulsesListBlock.assign(from.pulsesListBlock.size(), nullptr);
  for (int16_t* SeriesHeader::*field : kBlockFields)
    to.*field = from.*field ? to.block.data() + (from.*field - from.block.data()) : nullptr;
  to.dwReservedSize = from.dwReservedSize;
  to.wReservedImpulses = from.wReservedImpulses;
  to.wReservedEtalons = from.wReservedEtalons;
}

namespace {

// The address in `to` of what `p` addresses in `from`; pointers outside `from` stay.
template <typename T, typename U>
T* rebased(T* p, const std::vector<U>& from, std::vector<U>& to) {
  const auto* first = reinterpret_cast<const T*>(from.data());
  if (p == nullptr || from.empty() || p < first || p >= first + from.size()) return p;
  return reinterpret_cast<T*>(to.data()) + (p - first);
}

}  // namespace

static_assert(sizeof(SeriesHeader) == 320, "copySeriesHeader must copy every field");
SeriesHeader* copySeriesHeader(const SeriesHeader& from) {
  std::unique_ptr<SeriesHeader> to = std::make_unique<SeriesHeader>();
  to->block = from.block;
  to->pulsesListBlock = from.pulsesListBlock;
  to->subsetSizeBlock = from.subsetSizeBlock;
  to->subsetRowsBlock = from.subsetRowsBlock;
  to->dwReservedSize = from.dwReservedSize;
  to->dwSeriesSize = from.dwSeriesSize;
  to->wTmin = from.wTmin;
  to->wTmax = from.wTmax;
  to->wImpulseSize = from.wImpulseSize;
  to->wImpulseQuantity = from.wImpulseQuantity;
  to->wMaxPulses = from.wMaxPulses;
  to->wMinPulses = from.wMinPulses;
  to->wNoise = from.wNoise;
  to->wAmplitude = from.wAmplitude;
  to->lpFirstPulse = from.lpFirstPulse;
  to->wReservedEtalons = from.wReservedEtalons;
  to->wEtalons = from.wEtalons;
  to->wReservedImpulses = from.wReservedImpulses;
  to->wFoundPulses = from.wFoundPulses;
  to->wFirstSample = from.wFirstSample;
  to->wLastSample = from.wLastSample;
  to->wSubsetSize = from.wSubsetSize;
  to->wSubsetMode = from.wSubsetMode;
  to->wSubsetPosition = from.wSubsetPosition;
  to->wTupleInstances = from.wTupleInstances;
  to->wReservedSubsets = from.wReservedSubsets;
  to->wSubsets = from.wSubsets;
  to->wReservedSubsetSize = from.wReservedSubsetSize;
  to->wFoundTuple = from.wFoundTuple;
  to->wSubsetStored = from.wSubsetStored;
  for (int16_t* SeriesHeader::*field :
       {&SeriesHeader::lpPureData, &SeriesHeader::lpNoisyData, &SeriesHeader::lpPositions,
        &SeriesHeader::lpFoundPositions, &SeriesHeader::lpMinPositions,
        &SeriesHeader::lpMaxPositions, &SeriesHeader::lpEtalons, &SeriesHeader::lpFoundEtalons,
        &SeriesHeader::lpFirstSamples, &SeriesHeader::lpLastSamples,
        &SeriesHeader::lpFoundFirstSamples, &SeriesHeader::lpFoundLastSamples,
        &SeriesHeader::lpSubset, &SeriesHeader::lpTupleFirst, &SeriesHeader::lpTupleLast})
    to.get()->*field = rebased(from.*field, from.block, to->block);
  to->lpPulsesList = rebased(from.lpPulsesList, from.pulsesListBlock, to->pulsesListBlock);
  to->selectedSubsetSize = rebased(from.selectedSubsetSize, from.subsetSizeBlock,
                                   to->subsetSizeBlock);
  to->selectedSubsetList = rebased(from.selectedSubsetList, from.subsetRowsBlock,
                                   to->subsetRowsBlock);
  for (int16_t*& row : to->subsetRowsBlock)
    row = rebased(row, from.subsetSizeBlock, to->subsetSizeBlock);
  return to.release();
}

}  // namespace velmora

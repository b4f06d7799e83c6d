#include "processing/chains.h"

#include <algorithm>
#include <new>

#include "common/format.h"
#include "model/problem_types.h"

namespace velmora {

namespace {

// Points the two halves of the distance block and the four quarters of the row table at
// their storage.
void layOut(ChainsHeader& h) {
  const size_t size = h.wMaxSize;
  const size_t pulses = h.wMaxPulses;
  h.distance = h.distanceBlock.data();
  h.pulsesCount = h.distance ? h.distance + size : nullptr;
  for (size_t row = 0; row < 4 * size; ++row) h.rowBlock[row] = h.sampleBlock.data() + row * pulses;
  int16_t** rows = h.rowBlock.data();
  h.pulsesList = rows;
  h.positionsList = rows ? rows + size : nullptr;
  h.firstSamplesList = rows ? rows + 2 * size : nullptr;
  h.lastSamplesList = rows ? rows + 3 * size : nullptr;
}

void fail(Reporter& reporter, const char* text, ChainsHeader* header) {
  reporter.report(text, kGetChainsHeaderCaption);
  delete header;
}

// Copies pretender `from` into slot `to`, with every entry it holds.
void movePretender(ChainsHeader& h, int from, int to) {
  h.distance[to] = h.distance[from];
  h.pulsesCount[to] = h.pulsesCount[from];
  const int entries = std::clamp<int32_t>(h.pulsesCount[from], 0, h.wMaxPulses);
  int16_t** tables[4] = {h.pulsesList, h.positionsList, h.firstSamplesList, h.lastSamplesList};
  for (int16_t** table : tables) std::copy_n(table[from], entries, table[to]);
}

}  // namespace

const char* seriesTypeName(uint16_t seriesType) {
  switch (seriesType) {
    case kSeriesFixedWhole: return "known number of whole pulses";
    case kSeriesFixedCutoff: return "known number of cut-off pulses";
    case kSeriesUnfixedWhole: return "unknown number of whole pulses";
    case kSeriesUnfixedCutoff: return "unknown number of cut-off pulses";
    case kSeriesFixedTuples: return "known number of whole pulses tuples";
    case kSeriesUnfixedTuples: return "unknown number of whole pulses tuples";
    default: return nullptr;
  }
}

const char* taskTypeName(uint16_t taskType) {
  switch (taskType) {
    case kTaskDetection:
    case kTaskBlindDetection:
    case kTaskTupleDetection: return "detection";
    case kTaskRecognition:
    case kTaskTupleRecognition: return "recognition";
    case kTaskJoint: return "joint detection and identification";
    default: return nullptr;
  }
}

ChainsHeader* getChainsHeader(Reporter& reporter, uint16_t maxSize, uint16_t maxPulses,
                              ChainsHeader* header) {
  if (!header) {
    try {
      header = new ChainsHeader();
    } catch (const std::bad_alloc&) {
      reporter.report(kNoMemoryNewChainsHeader, kGetChainsHeaderCaption);
      return nullptr;
    }
  }
  if (header->wMaxSize < maxSize || header->wMaxPulses < maxPulses) {
    // The old arrays go first, then the new ones are made at exactly the asked sizes.
    header->sampleBlock = std::vector<int16_t>();
    header->rowBlock = std::vector<int16_t*>();
    header->distanceBlock = std::vector<int32_t>();
    try {
      header->distanceBlock.resize(2 * size_t{maxSize});
    } catch (const std::bad_alloc&) {
      fail(reporter, kNoMemoryChainsDistance, header);
      return nullptr;
    }
    try {
      header->rowBlock.resize(4 * size_t{maxSize});
    } catch (const std::bad_alloc&) {
      fail(reporter, kNoMemoryChainsRows, header);
      return nullptr;
    }
    try {
      header->sampleBlock.resize(4 * size_t{maxSize} * size_t{maxPulses});
    } catch (const std::bad_alloc&) {
      fail(reporter, kNoMemoryChainsSamples, header);
      return nullptr;
    }
    header->wMaxSize = maxSize;
    header->wMaxPulses = maxPulses;
    layOut(*header);
  }
  header->wPretenders = 0;
  header->wQuanPulses = 0;
  header->wSeekingPulsesQuantity = 0;
  std::fill(header->distanceBlock.begin(), header->distanceBlock.end(), 0);
  std::fill(header->sampleBlock.begin(), header->sampleBlock.end(), 0);
  return header;
}

int addToChainsHeader(Reporter& reporter, uint16_t seriesType, uint16_t taskType,
                      uint16_t savedLevelMaking, uint16_t savedLevelProcessing,
                      ChainsHeader* header) {
  if (!header) {
    reporter.report(kChainsHeaderUndefined, kAddToChainsHeaderCaption);
    return 0;
  }
  header->wDescribed = 2;
  header->wSeriesType = seriesType;
  header->lpSeriesTypeName = seriesTypeName(seriesType);
  header->wTaskType = taskType;
  header->lpTaskName = taskTypeName(taskType);
  header->wSavedLevelMaking = savedLevelMaking;
  header->wSavedLevelProcessing = savedLevelProcessing;
  return 1;
}

void insertPretender(ChainsHeader& header, int32_t score, int pulses, const int16_t* etalons,
                     const int16_t* positions, const int16_t* firstSamples,
                     const int16_t* lastSamples) {
  // A chain the rows cannot hold would spill into the next pretender's row.
  if (pulses < 0 || pulses > header.wMaxPulses || header.wMaxSize == 0) return;
  const int capacity = header.wMaxSize;
  const int count = std::min<int>(header.wPretenders, capacity);
  int rank = 0;
  while (rank < count && header.distance[rank] <= score) ++rank;
  if (rank >= capacity) return;
  // From the back; the last pretender of a full list is overwritten (dropped).
  for (int slot = std::min(count, capacity - 1); slot > rank; --slot) movePretender(header, slot - 1, slot);
  header.distance[rank] = score;
  header.pulsesCount[rank] = pulses;
  if (pulses > 0) {
    std::copy_n(etalons, pulses, header.pulsesList[rank]);
    std::copy_n(positions, pulses, header.positionsList[rank]);
    std::copy_n(firstSamples, pulses, header.firstSamplesList[rank]);
    std::copy_n(lastSamples, pulses, header.lastSamplesList[rank]);
  }
  if (count < capacity) header.wPretenders = static_cast<uint16_t>(count + 1);
}

void emptyChainsHeader(ChainsHeader& header, uint16_t quanPulses, uint16_t seekingPulses,
                       int entries) {
  header.wPretenders = 0;
  header.wQuanPulses = quanPulses;
  header.wSeekingPulsesQuantity = seekingPulses;
  const int n = std::clamp<int>(entries, 0, header.wMaxPulses);
  for (int slot = 0; slot < header.wMaxSize; ++slot) {
    header.distance[slot] = 0;
    std::fill_n(header.pulsesList[slot], n, 0);
    std::fill_n(header.positionsList[slot], n, 0);
    std::fill_n(header.firstSamplesList[slot], n, 0);
    std::fill_n(header.lastSamplesList[slot], n, 0);
  }
}

int freeChainsHeader(ChainsHeader* header) {
  delete header;
  return 1;
}

std::string chainsHeaderText(const ChainsHeader& header) {
  std::string text;
  bool full = false;
  // Pieces are appended whole while they fit; the first that does not ends the text.
  auto add = [&](const std::string& piece) {
    if (full) return;
    if (text.size() + piece.size() > kChainsDumpLimit) {
      full = true;
      return;
    }
    text += piece;
  };
  add("ChainsHeader:\n");
  add(formatText("wMaxSize: %d\n", header.wMaxSize));
  add(formatText("wPretenders: %d\n", header.wPretenders));
  add(formatText("wMaxPulses: %d\n", header.wMaxPulses));
  add(formatText("wQuanPulses: %d\n", header.wQuanPulses));
  add(formatText("wSeekingPulsesQuantity: %d\n", header.wSeekingPulsesQuantity));
  const int pretenders = std::min(header.wPretenders, header.wMaxSize);
  for (int i = 0; i < pretenders && !full; ++i) {
    add(formatText(" %d.", i + 1));
    add(formatText(" %d", header.distance[i]));
    const int pulses = std::clamp<int32_t>(header.pulsesCount[i], 0, header.wMaxPulses);
    for (int k = 0; k < pulses && !full; ++k) {
      add(formatText(" %d (%d) [%d %d]", header.positionsList[i][k], header.pulsesList[i][k],
                     header.firstSamplesList[i][k], header.lastSamplesList[i][k]));
    }
    add("\n");
  }
  return text;
}

Message aboutChainsHeader(const ChainsHeader& header) {
  return Message{chainsHeaderText(header), std::string(kAboutChainsHeaderCaption),
                 MessageKind::kPlain};
}

}  // namespace velmora

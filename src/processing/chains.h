// The ranked list of candidate chains a search fills, with the description of the
// problem it solved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/report.h"

namespace velmora {

// Texts of the record's messages.
inline constexpr const char* kGetChainsHeaderCaption = " getChainsHeader ";
inline constexpr const char* kNoMemoryNewChainsHeader = "Нет памяти для newChainsHeader!";
inline constexpr const char* kNoMemoryChainsDistance = "Нет памяти для newChainsHeader->distance!";
inline constexpr const char* kNoMemoryChainsRows = "Нет памяти для newChainsHeader->pulsesList!";
inline constexpr const char* kNoMemoryChainsSamples =
    "Нет памяти для newChainsHeader->pulsesList[0]!";
inline constexpr const char* kAddToChainsHeaderCaption = " addToChainsHeader ";
inline constexpr const char* kChainsHeaderUndefined = "Не определен lpChainsHeader!";
inline constexpr const char* kAboutChainsHeaderCaption = "aboutChainsHeader Info";
// The dump is at most this many characters; a longer one is cut.
inline constexpr size_t kChainsDumpLimit = 2500;

// Names that addToChainsHeader assigns by code (other codes get null).
const char* seriesTypeName(uint16_t seriesType);
const char* taskTypeName(uint16_t taskType);

// Pretender rows live one behind the other in `sampleBlock`; the four row tables are
// the quarters of `rowBlock`; `distance` and `pulsesCount` are the halves of
// `distanceBlock`.
struct ChainsHeader {
  uint16_t wMaxSize = 0;
  uint16_t wPretenders = 0;
  uint16_t wMaxPulses = 0;
  uint16_t wQuanPulses = 0;
  uint16_t wSeekingPulsesQuantity = 0;
  int32_t* distance = nullptr;
  int32_t* pulsesCount = nullptr;
  int16_t** pulsesList = nullptr;
  int16_t** positionsList = nullptr;
  int16_t** firstSamplesList = nullptr;
  int16_t** lastSamplesList = nullptr;
  uint16_t wDescribed = 0;
  uint16_t wSeriesType = 0;
  uint16_t wTaskType = 0;
  const char* lpTaskName = nullptr;
  const char* lpSeriesTypeName = nullptr;
  uint16_t wSavedLevelMaking = 0;
  uint16_t wSavedLevelProcessing = 0;

  std::vector<int32_t> distanceBlock;
  std::vector<int16_t*> rowBlock;
  std::vector<int16_t> sampleBlock;

  ChainsHeader() = default;
  ChainsHeader(const ChainsHeader&) = delete;
  ChainsHeader& operator=(const ChainsHeader&) = delete;
};

// Creates (header null) or reuses a record able to hold maxSize pretenders of maxPulses
// pulses, and empties it. On failure the record passed in is freed, the failure reported
// and null returned.
ChainsHeader* getChainsHeader(Reporter& reporter, uint16_t maxSize, uint16_t maxPulses,
                              ChainsHeader* header);

// Describes the problem solved. 1, or 0 (with a message) when header is null.
int addToChainsHeader(Reporter& reporter, uint16_t seriesType, uint16_t taskType,
                      uint16_t savedLevelMaking, uint16_t savedLevelProcessing,
                      ChainsHeader* header);

// Ranked insertion of a chain of `pulses` pulses with score `score`: behind every
// pretender with an equal or lower score; the last pretender drops out of a full list.
// Pretenders moved down keep all of their own entries. A chain with a negative pulse
// count or more pulses than the rows hold is not stored.
void insertPretender(ChainsHeader& header, int32_t score, int pulses, const int16_t* etalons,
                     const int16_t* positions, const int16_t* firstSamples,
                     const int16_t* lastSamples);

// The emptying a search does before it ranks chains: no pretenders, the two pulse
// counts set, every slot's distance and its first `entries` list entries zeroed (at most
// wMaxPulses of them). pulsesCount is left as it was.
void emptyChainsHeader(ChainsHeader& header, uint16_t quanPulses, uint16_t seekingPulses,
                       int entries);

// Frees the record; null is accepted. Returns 1.
int freeChainsHeader(ChainsHeader* header);

// The diagnostic dump (at most 2500 characters), and the message that shows it.
std::string chainsHeaderText(const ChainsHeader& header);
Message aboutChainsHeader(const ChainsHeader& header);

}  // namespace velmora

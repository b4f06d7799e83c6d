// The result of one statistical simulation: the grid of pulse counts and noise levels
// that was simulated, six tables of error values over that grid and the description of
// the problem that was solved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/report.h"

namespace velmora {

inline constexpr int kRestErrorTables = 6;

// Table indices. Tables 2, 4 and 5 are always zero.
inline constexpr int kRestoringErrors = 0;
inline constexpr int kDetectionErrors = 1;
inline constexpr int kTupleRecognitionErrors = 3;

// Names of the series types and task types kept in the record.
inline constexpr const char* kRestErrSeriesKnownWhole = "known number of whole pulses";
inline constexpr const char* kRestErrSeriesKnownCutOff = "known number of cut-off pulses";
inline constexpr const char* kRestErrSeriesUnknownWhole = "unknown number of whole pulses";
inline constexpr const char* kRestErrSeriesUnknownCutOff = "unknown number of cut-off pulses";
inline constexpr const char* kRestErrSeriesKnownTuples = "known number of whole pulses tuples";
inline constexpr const char* kRestErrSeriesUnknownTuples =
    "unknown number of whole pulses tuples";
inline constexpr const char* kRestErrTaskDetection = "detection";
inline constexpr const char* kRestErrTaskRecognition = "recognition";
inline constexpr const char* kRestErrTaskJointIdentification =
    "joint detection and identification";
inline constexpr const char* kRestErrTaskJointEstimation = "joint detection and estimation";
inline constexpr const char* kRestErrTaskBlindDetection = "blind detection";

// Messages and captions.
inline constexpr const char* kGetRestErrCaption = " getRestErrHeader ";
inline constexpr const char* kInitRestErrCaption = " initRestErrHeader ";
inline constexpr const char* kAddInitRestErrCaption = " addInitRestErrHeader ";
inline constexpr const char* kAboutRestErrCaption = "aboutRestErrHeader Info";
inline constexpr const char* kNoMemoryRestErrRecord = "Нет памяти для newRestErrorHeader!";
inline constexpr const char* kNoMemoryRestErrAxes =
    "Нет памяти для newRestErrorHeader->lpNoiseLevel!";
inline constexpr const char* kNoMemoryRestErrRows = "Нет памяти для newRestErrorHeader->lpErrors!";
inline constexpr const char* kNoMemoryRestErrValues =
    "Нет памяти для newRestErrorHeader->lpErrors[]!";
inline constexpr const char* kRestErrUndefined = "Не определен lpErrorHeader!";
inline constexpr const char* kRestErrBadPulses = "Неверно задан wVariousPulsesNumber!";
inline constexpr const char* kRestErrBadLevels = "Неверно задан wNoiseLevels!";

// The dump of aboutRestErrHeader is cut to this many characters.
inline constexpr size_t kRestErrAboutLimit = 4000;

// lpErrors[t][i][j]: error of kind t at noise level i and pulse count j.
//
// The blocks behind the pointers each keep their own capacity, so a block that is big
// enough is reused whatever happened to the others, and every capacity only grows:
// - axesBlock: wReservedLevels noise levels followed by wReservedPulses pulse counts;
// - rowBlock: 6 row arrays of wReservedLevels row pointers each;
// - valuesBlock: 6 tables of reservedValues values each.
// The row pointers are laid out for the grid of the last get or init call (table t at
// t * reservedValues values, row i at i * P values further on).
struct RestErrorHeader {
  uint16_t wReservedPulses = 0;
  uint16_t wVariousPulses = 0;
  uint16_t wReservedLevels = 0;
  uint16_t wNoiseLevels = 0;
  int32_t repeats = 0;
  int16_t* wPulseValues = nullptr;
  int16_t* lpNoiseLevels = nullptr;
  int32_t** lpErrors[kRestErrorTables] = {};
  uint16_t wDescribed = 0;
  uint16_t wSeriesType = 0;
  uint16_t wTaskType = 0;
  const char* lpTaskName = nullptr;
  const char* lpSeriesTypeName = nullptr;
  uint16_t wSavedLevelMaking = 0;
  uint16_t wSavedLevelProcessing = 0;
  uint16_t ifComplete = 0;

  size_t reservedValues = 0;  // values per table the values block holds
  std::vector<int16_t> axesBlock;
  std::vector<int32_t*> rowBlock;
  std::vector<int32_t> valuesBlock;

  RestErrorHeader() = default;
  RestErrorHeader(const RestErrorHeader&) = delete;
  RestErrorHeader& operator=(const RestErrorHeader&) = delete;
};

// Creates (old null) or resizes a record for `pulses` pulse counts and `levels` noise
// levels, then zeroes the axes and the tables. Blocks grow only when too small. On failure
// the message is shown, the record passed in is freed and null returned.
RestErrorHeader* getRestErrHeader(Reporter& reporter, uint16_t pulses, uint16_t levels,
                                  int32_t repeats, RestErrorHeader* old);

// Sets the grid: pulse count j = firstPulses + j * pulsesStep, noise level i = firstLevel +
// i * levelStep (both in 16 bits), clears ifComplete and zeroes table 0's grid. 1, or 0
// with a message when the record is null or the grid exceeds its capacity.
int initRestErrHeader(Reporter& reporter, uint16_t pulses, int16_t firstPulses, int16_t pulsesStep,
                      uint16_t levels, int16_t firstLevel, int16_t levelStep, int32_t repeats,
                      RestErrorHeader* header);

// Describes the problem solved. 1, or 0 with a message when the record is null.
int addInitRestErrHeader(Reporter& reporter, uint16_t seriesType, uint16_t taskType,
                         uint16_t savedLevelMaking, uint16_t savedLevelProcessing,
                         RestErrorHeader* header);

// A record of its own with the grid, the tables and the description `from` holds.
// Throws std::bad_alloc.
RestErrorHeader* copyRestErrHeader(const RestErrorHeader& from);

// Frees the record and its blocks; accepts null; returns 1.
int freeRestErrHeader(RestErrorHeader* header);

// The names kept in the record; null for a value without a name.
const char* restErrSeriesTypeName(uint16_t seriesType);
const char* restErrTaskName(uint16_t taskType);

// The diagnostic dump, cut to kRestErrAboutLimit characters, and the message that shows
// it.
std::string restErrHeaderText(const RestErrorHeader& header);
Message aboutRestErrHeader(const RestErrorHeader& header);

}  // namespace velmora

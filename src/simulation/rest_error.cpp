#include "simulation/rest_error.h"

#include <algorithm>
#include <memory>
#include <new>

#include "common/format.h"
#include "model/problem_types.h"

namespace velmora {

namespace {

// Points the six tables' row arrays at their rows for a grid of `pulses` columns and
// `levels` rows. The caller has made sure the blocks hold that grid.
void layOutTables(RestErrorHeader& header, uint16_t pulses, uint16_t levels) {
  for (int t = 0; t < kRestErrorTables; ++t) {
    int32_t** rows = header.rowBlock.data() + static_cast<size_t>(t) * header.wReservedLevels;
    header.lpErrors[t] = rows;
    int32_t* table = header.valuesBlock.data() + static_cast<size_t>(t) * header.reservedValues;
    for (uint16_t i = 0; i < levels; ++i) rows[i] = table + static_cast<size_t>(i) * pulses;
  }
}

void appendf(std::string& out, const char* format, int value) {
  out += formatText(format, value);
}

}  // namespace

const char* restErrSeriesTypeName(uint16_t seriesType) {
  switch (seriesType) {
    case kSeriesFixedWhole: return kRestErrSeriesKnownWhole;
    case kSeriesFixedCutoff: return kRestErrSeriesKnownCutOff;
    case kSeriesUnfixedWhole: return kRestErrSeriesUnknownWhole;
    case kSeriesUnfixedCutoff: return kRestErrSeriesUnknownCutOff;
    case kSeriesFixedTuples: return kRestErrSeriesKnownTuples;
    case kSeriesUnfixedTuples: return kRestErrSeriesUnknownTuples;
    default: return nullptr;
  }
}

const char* restErrTaskName(uint16_t taskType) {
  switch (taskType) {
    case kTaskDetection:
    case kTaskTupleDetection: return kRestErrTaskDetection;
    case kTaskRecognition:
    case kTaskTupleRecognition: return kRestErrTaskRecognition;
    case kTaskJoint: return kRestErrTaskJointIdentification;
    case kTaskJointEstimation:
    case kTaskJointEstimationVariant: return kRestErrTaskJointEstimation;
    case kTaskBlindDetection: return kRestErrTaskBlindDetection;
    default: return nullptr;
  }
}

RestErrorHeader* getRestErrHeader(Reporter& reporter, uint16_t pulses, uint16_t levels,
                                  int32_t repeats, RestErrorHeader* old) {
  RestErrorHeader* header = old;
  if (header == nullptr) {
    try {
      header = new RestErrorHeader;
    } catch (const std::bad_alloc&) {
      reporter.report(kNoMemoryRestErrRecord, kGetRestErrCaption);
      return nullptr;
    }
  }

  // Each block grows on its own when it is too small for the requested grid; the blocks
  // that are big enough stay where they are.
  const char* failure = kNoMemoryRestErrAxes;
  try {
    const uint16_t reservedLevels = std::max(header->wReservedLevels, levels);
    const uint16_t reservedPulses = std::max(header->wReservedPulses, pulses);
    if (reservedLevels != header->wReservedLevels || reservedPulses != header->wReservedPulses ||
        header->axesBlock.empty()) {
      std::vector<int16_t> axes(static_cast<size_t>(reservedLevels) + reservedPulses + 1);
      header->axesBlock.swap(axes);
    }
    failure = kNoMemoryRestErrRows;
    if (reservedLevels != header->wReservedLevels || header->rowBlock.empty()) {
      std::vector<int32_t*> rows(static_cast<size_t>(kRestErrorTables) * reservedLevels + 1,
                                 nullptr);
      header->rowBlock.swap(rows);
    }
    header->wReservedLevels = reservedLevels;
    header->wReservedPulses = reservedPulses;
    failure = kNoMemoryRestErrValues;
    // 6 * P * V can exceed 32 bits for a large grid: sized in size_t.
    const size_t values = static_cast<size_t>(pulses) * levels;
    if (values > header->reservedValues || header->valuesBlock.empty()) {
      const size_t reserved = std::max(values, header->reservedValues);
      std::vector<int32_t> block(static_cast<size_t>(kRestErrorTables) * reserved + 1);
      header->valuesBlock.swap(block);
      header->reservedValues = reserved;
    }
  } catch (const std::bad_alloc&) {
    reporter.report(failure, kGetRestErrCaption);
    delete header;
    return nullptr;
  }

  header->lpNoiseLevels = header->axesBlock.data();
  header->wPulseValues = header->axesBlock.data() + header->wReservedLevels;
  layOutTables(*header, pulses, levels);
  header->wNoiseLevels = levels;
  header->wVariousPulses = pulses;
  header->repeats = repeats;
  std::fill(header->axesBlock.begin(), header->axesBlock.end(), 0);
  std::fill(header->valuesBlock.begin(), header->valuesBlock.end(), 0);
  return header;
}

int initRestErrHeader(Reporter& reporter, uint16_t pulses, int16_t firstPulses, int16_t pulsesStep,
                      uint16_t levels, int16_t firstLevel, int16_t levelStep, int32_t repeats,
                      RestErrorHeader* header) {
  if (header == nullptr) {
    reporter.report(kRestErrUndefined, kInitRestErrCaption);
    return 0;
  }
  if (pulses > header->wReservedPulses) {
    reporter.report(kRestErrBadPulses, kInitRestErrCaption);
    return 0;
  }
  if (levels > header->wReservedLevels) {
    reporter.report(kRestErrBadLevels, kInitRestErrCaption);
    return 0;
  }
  // Both axes can be long enough while the tables, sized for an earlier grid, are not.
  if (static_cast<size_t>(pulses) * levels > header->reservedValues) {
    reporter.report(kRestErrBadPulses, kInitRestErrCaption);
    return 0;
  }
  header->wVariousPulses = pulses;
  header->wNoiseLevels = levels;
  header->repeats = repeats;
  header->ifComplete = 0;
  layOutTables(*header, pulses, levels);
  for (uint16_t j = 0; j < pulses; ++j)
    header->wPulseValues[j] = static_cast<int16_t>(firstPulses + j * pulsesStep);
  for (uint16_t i = 0; i < levels; ++i) {
    header->lpNoiseLevels[i] = static_cast<int16_t>(firstLevel + i * levelStep);
    std::fill(header->lpErrors[kRestoringErrors][i], header->lpErrors[kRestoringErrors][i] + pulses,
              0);
  }
  return 1;
}

int addInitRestErrHeader(Reporter& reporter, uint16_t seriesType, uint16_t taskType,
                         uint16_t savedLevelMaking, uint16_t savedLevelProcessing,
                         RestErrorHeader* header) {
  if (header == nullptr) {
    reporter.report(kRestErrUndefined, kAddInitRestErrCaption);
    return 0;
  }
  header->wDescribed = 2;
  header->wSeriesType = seriesType;
  header->lpSeriesTypeName = restErrSeriesTypeName(seriesType);
  header->wTaskType = taskType;
  header->lpTaskName = restErrTaskName(taskType);
  header->wSavedLevelMaking = savedLevelMaking;
  header->wSavedLevelProcessing = savedLevelProcessing;
  return 1;
}

RestErrorHeader* copyRestErrHeader(const RestErrorHeader& from) {
  std::unique_ptr<RestErrorHeader> to = std::make_unique<RestErrorHeader>();
  to->wReservedPulses = from.wReservedPulses;
  to->wVariousPulses = from.wVariousPulses;
  to->wReservedLevels = from.wReservedLevels;
  to->wNoiseLevels = from.wNoiseLevels;
  to->repeats = from.repeats;
  to->wDescribed = from.wDescribed;
  to->wSeriesType = from.wSeriesType;
  to->wTaskType = from.wTaskType;
  to->lpTaskName = from.lpTaskName;
  to->lpSeriesTypeName = from.lpSeriesTypeName;
  to->wSavedLevelMaking = from.wSavedLevelMaking;
  to->wSavedLevelProcessing = from.wSavedLevelProcessing;
  to->ifComplete = from.ifComplete;
  to->reservedValues = from.reservedValues;
  to->axesBlock = from.axesBlock;
  to->rowBlock = from.rowBlock;
  to->valuesBlock = from.valuesBlock;
  // Every pointer of the record points into its own blocks: move each to the copy's.
  const auto axis = [&](int16_t* p) {
    return p ? to->axesBlock.data() + (p - from.axesBlock.data()) : nullptr;
  };
  to->wPulseValues = axis(from.wPulseValues);
  to->lpNoiseLevels = axis(from.lpNoiseLevels);
  for (int t = 0; t < kRestErrorTables; ++t)
    to->lpErrors[t] =
        from.lpErrors[t] ? to->rowBlock.data() + (from.lpErrors[t] - from.rowBlock.data()) : nullptr;
  for (int32_t*& row : to->rowBlock)
    if (row) row = to->valuesBlock.data() + (row - from.valuesBlock.data());
  return to.release();
}

int freeRestErrHeader(RestErrorHeader* header) {
  delete header;
  return 1;
}

std::string restErrHeaderText(const RestErrorHeader& h) {
  std::string out = "lpRestErrorHeader:\n";
  appendf(out, "wReservedPulses: %d\n", h.wReservedPulses);
  appendf(out, "wVariousPulses: %d\n", h.wVariousPulses);
  appendf(out, "wReservedLevels: %d\n", h.wReservedLevels);
  appendf(out, "wNoiseLevels: %d\n", h.wNoiseLevels);
  appendf(out, "repeats: %d\n", h.repeats);
  appendf(out, "ifComplete: %d\n", h.ifComplete);
  // The tables can be far longer than the dump; stop building once it is full.
  auto full = [&out] { return out.size() >= kRestErrAboutLimit; };
  out += "lpNoiseLevels: ";
  for (uint16_t i = 0; i < h.wNoiseLevels && !full(); ++i) appendf(out, " %d", h.lpNoiseLevels[i]);
  out += "\n";
  out += "wPulseValues: ";
  for (uint16_t j = 0; j < h.wVariousPulses && !full(); ++j) appendf(out, " %d", h.wPulseValues[j]);
  out += "\n";
  const struct {
    const char* title;
    int table;
  } sections[] = {{"Restoring Errors: \n", kRestoringErrors},
                  {"Detection Errors: \n", kDetectionErrors}};
  for (const auto& section : sections) {
    if (section.table != kRestoringErrors) out += "\n";
    out += section.title;
    for (uint16_t j = 0; j < h.wVariousPulses && !full(); ++j) {
      appendf(out, " %d", j + 1);
      appendf(out, " [%d]: ", h.wPulseValues[j]);
      for (uint16_t i = 0; i < h.wNoiseLevels && !full(); ++i)
        appendf(out, " %d", h.lpErrors[section.table][i][j]);
      out += "\n";
    }
  }
  out += "\n";
  if (out.size() > kRestErrAboutLimit) out.resize(kRestErrAboutLimit);
  return out;
}

Message aboutRestErrHeader(const RestErrorHeader& header) {
  return Message{restErrHeaderText(header), std::string(kAboutRestErrCaption),
                 MessageKind::kPlain};
}

}  // namespace velmora

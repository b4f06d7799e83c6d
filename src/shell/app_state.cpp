#include "shell/app_state.h"

#include <algorithm>
#include <new>

#include "common/resource_dir.h"
#include "export/png.h"
#include "model/random.h"
#include "shell/commands.h"
#include "shell/window_reporter.h"

namespace velmora {

namespace {

void setSequenceSize(std::vector<uint16_t>& block, uint16_t*& pointer, uint16_t& size,
                     uint16_t newSize, uint16_t fill) {
  if (newSize > size) block.resize(newSize, fill);
  size = std::max(size, newSize);
  pointer = block.empty() ? nullptr : block.data();
}

// Reads a button face; false when the file is missing, unreadable or not of the face size.
bool loadButtonFace(Image& face, const char* file) {
  try {
    face = readPng(resourceDir() + "/" + kButtonFaceFolder + "/" + file);
  } catch (const ImageFileError&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return face.width == kButtonFaceWidth && face.height == kButtonFaceHeight;
}

void releaseRecords(AppState& s) {
  for (uint16_t e = 0; e < std::min<uint16_t>(s.etalons.wEtalonCount, kMaxEtalons); ++e)
    if (s.etalons.alphabet[e].lpData) freePulse(s.etalons.alphabet[e]);
  freeRequiredList(s.etalons.lpRequiredList);
  s.etalons.lpRequiredList = nullptr;
  s.etalons.wRequiredCount = 0;
  s.etalons.etalonSequenceBlock = {};
  s.etalons.lpEtalonSequence = nullptr;
  s.etalons.wEtalonSequenceSize = 0;
  s.etalons.editSequenceBlock = {};
  s.etalons.lpEditSequence = nullptr;
  s.etalons.wEditSequenceSize = 0;
  freeSeriesHeader(s.records.lpSeriesHeader);
  s.records.lpSeriesHeader = nullptr;
  freeChainsHeader(s.records.lpChainsHeader);
  s.records.lpChainsHeader = nullptr;
  freeRestErrHeader(s.records.lpRestErrorHeader);
  s.records.lpRestErrorHeader = nullptr;
  freeSubsetSelection(s.records.selection);
  freeParamsHeader(s.records.lpParamsHeader);
  s.records.lpParamsHeader = nullptr;
}

}  // namespace

AppState::~AppState() { releaseRecords(*this); }

uint16_t effectiveTaskType(uint16_t taskType, uint16_t seriesType) {
  const bool tuples = isTupleSeries(seriesType);
  if (tuples && taskType == kTaskDetection) return kTaskTupleDetection;
  if (tuples && taskType == kTaskRecognition) return kTaskTupleRecognition;
  return taskType;
}

uint16_t leastPulseCount(const AppState& s, uint32_t length) {
  if (s.series.wTmax == 0) return 0;
  return static_cast<uint16_t>((length + s.etalons.wEtalonLength - 1u) / s.series.wTmax);
}

uint16_t greatestPulseCount(const AppState& s, uint32_t length) {
  if (s.series.wTmin == 0) return 0;
  return static_cast<uint16_t>((length - s.etalons.wEtalonLength + s.series.wTmin) /
                               s.series.wTmin);
}

void recomputePulseBounds(AppState& s, uint32_t length) {
  s.series.wMinPulses = leastPulseCount(s, length);
  s.series.wMaxPulses = greatestPulseCount(s, length);
  s.series.wMeanPulses =
      static_cast<uint16_t>((int32_t{s.series.wMinPulses} + int32_t{s.series.wMaxPulses}) / 2);
}

uint16_t rebuildRequiredList(AppState& s) {
  s.etalons.wRequiredCount = 0;
  const uint16_t etalons = std::min<uint16_t>(s.etalons.wEtalonCount, kMaxEtalons);
  for (uint16_t i = 1; i <= etalons; ++i) {
    if (s.etalons.requiredFlags[i - 1] != 1) continue;
    // The list holds wRequiredCapacity entries; a missing list holds none.
    if (!s.etalons.lpRequiredList || s.etalons.wRequiredCount >= s.etalons.wRequiredCapacity) break;
    s.etalons.lpRequiredList[s.etalons.wRequiredCount++] = i;
  }
  return s.etalons.wRequiredCount;
}

void growEtalonSequence(AppState& s, uint16_t size) {
  setSequenceSize(s.etalons.etalonSequenceBlock, s.etalons.lpEtalonSequence,
                  s.etalons.wEtalonSequenceSize, size,
                  static_cast<uint16_t>(s.etalons.dwDefaultEtalon));
}

void growEditSequence(AppState& s, uint16_t size) {
  setSequenceSize(s.etalons.editSequenceBlock, s.etalons.lpEditSequence,
                  s.etalons.wEditSequenceSize, size,
                  static_cast<uint16_t>(s.etalons.dwDefaultEtalon));
}

int startUp(Window& window, AppState& s) {
  resetRandomStates();

  // The button faces; the first one missing or unreadable fails the creation.
  for (int b = 0; b < 5; ++b) {
    if (!loadButtonFace(s.buttonFaces[b], kButtonFaceFiles[b])) {
      window.messageBox(kNoBitmapTexts[b], kFatalErrorCaption, kMbOk);
      for (Image& face : s.buttonFaces) face = Image();
      return 0;
    }
  }
  window.setCommandHandler([&window, &s](int id) { handleCommand(window, s, id); });
  WindowReporter shown(window);

  // The alphabet.
  for (uint16_t e = 0; e < std::min<uint16_t>(s.etalons.wEtalonCount, kMaxEtalons); ++e)
    s.etalons.alphabet[e].lpData = nullptr;
  if (makeAlphabet(shown, static_cast<int16_t>(s.etalons.wEtalonAmplitude), s.etalons.wEtalonCount,
                   s.etalons.wEtalonLength, s.etalons.alphabet))
    s.view.dwViewMode = kViewAlphabet;

  // The required list of every etalon.
  s.etalons.wRequiredCapacity = s.etalons.wEtalonCount;
  s.etalons.wRequiredCount = s.etalons.wEtalonCount;
  s.etalons.lpRequiredList =
      getRequiredList(shown, s.etalons.wRequiredCount, s.etalons.lpRequiredList);
  if (!s.etalons.lpRequiredList) s.etalons.wRequiredCount = s.etalons.wRequiredCapacity = 0;

  // Series type, task type and their check marks.
  for (int id : {kCmdUnfixedCutoffs, kCmdUnfixedWhole, kCmdFixedWhole, kCmdFixedCutoffs,
                 kCmdFixedTuples, kCmdUnfixedTuples})
    window.checkMenuItem(id, false);
  s.problem.wSeriesType = kSeriesFixedCutoff;
  window.checkMenuItem(kCmdFixedCutoffs, true);
  for (int id : {kCmdJoint, kCmdDetection, kCmdRecognition, kCmdSeriesProcessing})
    window.checkMenuItem(id, false);
  s.problem.wTaskType = kTaskRecognition;
  window.checkMenuItem(kCmdRecognition, true);
  s.problem.wEffectiveTaskType = effectiveTaskType(s.problem.wTaskType, s.problem.wSeriesType);
  s.view.wResultKind = kResultProcessing;

  // Required flags and the view.
  if (s.problem.wEffectiveTaskType == kTaskDetection) {
    s.etalons.dwSingleEtalon = s.etalons.dwDefaultEtalon;
    std::fill(std::begin(s.etalons.requiredFlags), std::end(s.etalons.requiredFlags), uint16_t{0});
    if (s.etalons.dwSingleEtalon >= 1 && s.etalons.dwSingleEtalon <= kMaxEtalons)
      s.etalons.requiredFlags[s.etalons.dwSingleEtalon - 1] = 1;
  } else {
    for (uint16_t e = 0; e < std::min<uint16_t>(s.etalons.wEtalonCount, kMaxEtalons); ++e)
      s.etalons.requiredFlags[e] = 1;
  }
  s.view.dwViewMode = (s.problem.wEffectiveTaskType == kTaskTupleDetection ||
                  s.problem.wEffectiveTaskType == kTaskTupleRecognition)
                     ? kViewSubsetSelection
                     : kViewAlphabet;
  rebuildRequiredList(s);

  // Series length and pulse counts.
  s.series.dwSeriesLengthIndex = static_cast<int32_t>(s.series.seriesLengthTable[0]);
  s.series.dwSeriesLength = s.series.dwSeriesLengthCur =
      s.series.seriesLengthTable[s.series.dwSeriesLengthIndex];
  recomputePulseBounds(s, s.series.dwSeriesLength);
  s.series.wPulseCount = s.series.wMeanPulses;

  // The etalon sequence and its edit copy.
  s.etalons.etalonSequenceBlock.assign(s.series.wMaxPulses,
                                       static_cast<uint16_t>(s.etalons.dwDefaultEtalon));
  s.etalons.lpEtalonSequence =
      s.etalons.etalonSequenceBlock.empty() ? nullptr : s.etalons.etalonSequenceBlock.data();
  s.etalons.wEtalonSequenceSize = s.series.wMaxPulses;
  s.etalons.editSequenceBlock.assign(s.series.wMaxPulses,
                                     static_cast<uint16_t>(s.etalons.dwDefaultEtalon));
  s.etalons.lpEditSequence =
      s.etalons.editSequenceBlock.empty() ? nullptr : s.etalons.editSequenceBlock.data();
  s.etalons.wEditSequenceSize = s.series.wMaxPulses;

  // Noise level.
  s.series.dwNoiseIndex = 1;
  s.series.wNoiseLevel = s.series.wNoiseLevelCur = s.series.noiseTable[s.series.dwNoiseIndex];

  // The chains record.
  s.records.wChainsFirstSize = 10;
  s.records.wChainsPulses = s.series.wMaxPulses;
  WindowReporter reporter(window);
  s.records.lpChainsHeader = getChainsHeader(reporter, s.records.wChainsFirstSize,
                                             s.records.wChainsPulses, s.records.lpChainsHeader);

  // Lost data and the saved energy levels.
  s.series.dwLostIndex = 2;
  s.series.wLostLevel = s.series.lostTable[s.series.dwLostIndex];
  if (!isCutoffSeries(s.problem.wSeriesType)) {
    s.series.dwLostIndex = 1;
    s.series.wLostLevel = 0;
  }
  s.series.wLostLevelCur = s.series.wLostLevel;
  const uint16_t saved = static_cast<uint16_t>(100 - s.series.wLostLevelCur);
  s.series.wSavedLevel = s.series.wSavedLevelEdit = s.series.wSavedLevelCur = saved;
  s.series.wProcSavedLevel = s.series.wProcSavedLevelEdit = s.series.wProcSavedLevelCur = saved;

  // The first series, without noise.
  const bool unfixed =
      isUnfixedCountSeries(s.problem.wSeriesType) || s.problem.wSeriesType == kSeriesUnfixedTuples;
  if (unfixed) {
    s.records.lpSeriesHeader = getRandomCountSeries(
        shown, s.etalons.wEtalonCount, s.etalons.alphabet, s.etalons.wEtalonLength, s.series.wTmin,
        s.series.wTmax, s.series.dwSeriesLengthCur, s.series.wPulseCount,
        s.etalons.lpEtalonSequence, static_cast<int16_t>(s.etalons.wEtalonAmplitude),
        s.series.wSavedLevelCur, s.records.lpSeriesHeader);
    if (s.records.lpSeriesHeader) s.series.wPulseCount = s.records.lpSeriesHeader->wImpulseQuantity;
  } else {
    s.records.lpSeriesHeader = getCutOffSeries(
        shown, s.etalons.wEtalonCount, s.etalons.alphabet, s.etalons.wEtalonLength, s.series.wTmin,
        s.series.wTmax, s.series.dwSeriesLengthCur, s.series.wPulseCount,
        s.etalons.lpEtalonSequence, static_cast<int16_t>(s.etalons.wEtalonAmplitude),
        s.series.wSavedLevelCur, s.records.lpSeriesHeader);
  }

  // The child edit control, out of sight until the parameters panel needs it.
  window.setEditText(kEditControlText);
  window.moveEditControl(0, 0, 0, 0);

  s.running = true;
  return 1;
}

const Image* buttonFace(const AppState& s, int id) {
  for (int b = 0; b < 5; ++b)
    if (kBitmapIds[b] == id) return s.buttonFaces[b].empty() ? nullptr : &s.buttonFaces[b];
  return nullptr;
}

void shutDown(Window& window, AppState& s) {
  for (Image& face : s.buttonFaces) face = Image();
  releaseRecords(s);
  window.setCommandHandler(nullptr);
  s.running = false;
}

int prepareSubsetSelection(Window& window, AppState& state) {
  SubsetSelection& sel = state.records.selection;
  if (sel.capacity >= 10) return 1;
  const char* failed = kTextNoMemoryPossibleSubsetRect;
  try {
    sel.possibleSubsetRect = {};
    sel.subsetBlock = {};
    sel.selectedSubset = sel.marks = nullptr;
    sel.capacity = 10;
    sel.possibleSubsetRect.assign(static_cast<size_t>(sel.capacity), Rect{});
    failed = kTextNoMemorySelectedSubset;
    sel.subsetBlock.assign(2 * static_cast<size_t>(sel.capacity), 0);
    sel.selectedSubset = sel.subsetBlock.data();
    sel.marks = sel.selectedSubset + sel.capacity;
    sel.count = 0;
    sel.rows = {};
    sel.rowsBlock = {};
    sel.possibleSubsetArrayRect = {};
    sel.rowRectsBlock = {};
    if (sel.reservedRows == 0) {
      sel.reservedRows = 10;
      sel.rowsInUse = 0;
      failed = kTextNoMemorySubsetArraySize;
      sel.sizesBlock.assign(static_cast<size_t>(sel.reservedRows), 0);
    }
    std::fill(sel.sizesBlock.begin(), sel.sizesBlock.end(), 0);
    sel.selectedSubsetArraySize = sel.sizesBlock.data();
    const size_t rows = static_cast<size_t>(sel.reservedRows);
    const size_t stride = static_cast<size_t>(sel.capacity) + 1;
    failed = kTextNoMemoryPossibleSubsetArrayRect;
    sel.rowRectsBlock.assign(rows * 12, Rect{});
    sel.possibleSubsetArrayRect.resize(rows);
    failed = kTextNoMemorySelectedSubset;
    sel.rowsBlock.assign(rows * 12, 0);
    sel.rows.resize(rows);
    for (size_t r = 0; r < rows; ++r) {
      sel.possibleSubsetArrayRect[r] = sel.rowRectsBlock.data() + r * stride;
      sel.rows[r] = sel.rowsBlock.data() + r * stride;
    }
  } catch (const std::bad_alloc&) {
    freeSubsetSelection(sel);
    window.messageBox(failed, nullptr, kMbOk);
    return 0;
  }
  return 1;
}

void freeSubsetSelection(SubsetSelection& sel) { sel = SubsetSelection{}; }

}  // namespace velmora

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

// The window the destructor hands to the release operations: they show nothing when
// given valid records, and there is no window left to show anything in.
class SilentWindow : public Window {
 public:
  int messageBox(const std::string&, const char*, unsigned) override { return kIdOk; }
  void setEditText(const std::string&) override {}
  std::string editText() const override { return {}; }
};

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

void releaseRecords(Window& /*window*/, AppState& s) {
  for (uint16_t e = 0; e < std::min<uint16_t>(s.wEtalonCount, kMaxEtalons); ++e)
    if (s.alphabet[e].lpData) freePulse(s.alphabet[e]);
  freeRequiredList(s.lpRequiredList);
  s.lpRequiredList = nullptr;
  s.wRequiredCount = 0;
  s.etalonSequenceBlock = {};
  s.lpEtalonSequence = nullptr;
  s.wEtalonSequenceSize = 0;
  s.editSequenceBlock = {};
  s.lpEditSequence = nullptr;
  s.wEditSequenceSize = 0;
  freeSeriesHeader(s.lpSeriesHeader);
  s.lpSeriesHeader = nullptr;
  freeChainsHeader(s.lpChainsHeader);
  s.lpChainsHeader = nullptr;
  freeRestErrHeader(s.lpRestErrorHeader);
  s.lpRestErrorHeader = nullptr;
  freeSubsetSelection(s.selection);
  freeParamsHeader(s.lpParamsHeader);
  s.lpParamsHeader = nullptr;
}

}  // namespace

AppState::~AppState() {
  SilentWindow window;
  releaseRecords(window, *this);
}

uint16_t effectiveTaskType(uint16_t taskType, uint16_t seriesType) {
  const bool tuples = isTupleSeries(seriesType);
  if (tuples && taskType == kTaskDetection) return kTaskTupleDetection;
  if (tuples && taskType == kTaskRecognition) return kTaskTupleRecognition;
  return taskType;
}

uint16_t leastPulseCount(const AppState& s, uint32_t length) {
  if (s.wTmax == 0) return 0;
  return static_cast<uint16_t>((length + s.wEtalonLength - 1u) / s.wTmax);
}

uint16_t greatestPulseCount(const AppState& s, uint32_t length) {
  if (s.wTmin == 0) return 0;
  return static_cast<uint16_t>((length - s.wEtalonLength + s.wTmin) / s.wTmin);
}

void recomputePulseBounds(AppState& s, uint32_t length) {
  s.wMinPulses = leastPulseCount(s, length);
  s.wMaxPulses = greatestPulseCount(s, length);
  s.wMeanPulses = static_cast<uint16_t>((int32_t{s.wMinPulses} + int32_t{s.wMaxPulses}) / 2);
}

uint16_t rebuildRequiredList(AppState& s) {
  s.wRequiredCount = 0;
  const uint16_t etalons = std::min<uint16_t>(s.wEtalonCount, kMaxEtalons);
  for (uint16_t i = 1; i <= etalons; ++i) {
    if (s.requiredFlags[i - 1] != 1) continue;
    // The list holds wRequiredCapacity entries; a missing list holds none.
    if (!s.lpRequiredList || s.wRequiredCount >= s.wRequiredCapacity) break;
    s.lpRequiredList[s.wRequiredCount++] = i;
  }
  return s.wRequiredCount;
}

void growEtalonSequence(AppState& s, uint16_t size) {
  setSequenceSize(s.etalonSequenceBlock, s.lpEtalonSequence, s.wEtalonSequenceSize, size,
                  static_cast<uint16_t>(s.dwDefaultEtalon));
}

void growEditSequence(AppState& s, uint16_t size) {
  setSequenceSize(s.editSequenceBlock, s.lpEditSequence, s.wEditSequenceSize, size,
                  static_cast<uint16_t>(s.dwDefaultEtalon));
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
  for (uint16_t e = 0; e < std::min<uint16_t>(s.wEtalonCount, kMaxEtalons); ++e)
    s.alphabet[e].lpData = nullptr;
  if (makeAlphabet(shown, static_cast<int16_t>(s.wEtalonAmplitude), s.wEtalonCount, s.wEtalonLength,
                   s.alphabet))
    s.dwViewMode = kViewAlphabet;

  // The required list of every etalon.
  s.wRequiredCapacity = s.wEtalonCount;
  s.wRequiredCount = s.wEtalonCount;
  s.lpRequiredList = getRequiredList(shown, s.wRequiredCount, s.lpRequiredList);
  if (!s.lpRequiredList) s.wRequiredCount = s.wRequiredCapacity = 0;

  // Series type, task type and their check marks.
  for (int id : {kCmdUnfixedCutoffs, kCmdUnfixedWhole, kCmdFixedWhole, kCmdFixedCutoffs,
                 kCmdFixedTuples, kCmdUnfixedTuples})
    window.checkMenuItem(id, false);
  s.wSeriesType = kSeriesFixedCutoff;
  window.checkMenuItem(kCmdFixedCutoffs, true);
  for (int id : {kCmdJoint, kCmdDetection, kCmdRecognition, kCmdSeriesProcessing})
    window.checkMenuItem(id, false);
  s.wTaskType = kTaskRecognition;
  window.checkMenuItem(kCmdRecognition, true);
  s.wEffectiveTaskType = effectiveTaskType(s.wTaskType, s.wSeriesType);
  s.wResultKind = kResultProcessing;

  // Required flags and the view.
  if (s.wEffectiveTaskType == kTaskDetection) {
    s.dwSingleEtalon = s.dwDefaultEtalon;
    std::fill(std::begin(s.requiredFlags), std::end(s.requiredFlags), uint16_t{0});
    if (s.dwSingleEtalon >= 1 && s.dwSingleEtalon <= kMaxEtalons)
      s.requiredFlags[s.dwSingleEtalon - 1] = 1;
  } else {
    for (uint16_t e = 0; e < std::min<uint16_t>(s.wEtalonCount, kMaxEtalons); ++e)
      s.requiredFlags[e] = 1;
  }
  s.dwViewMode = (s.wEffectiveTaskType == kTaskTupleDetection ||
                  s.wEffectiveTaskType == kTaskTupleRecognition)
                     ? kViewSubsetSelection
                     : kViewAlphabet;
  rebuildRequiredList(s);

  // Series length and pulse counts.
  s.dwSeriesLengthIndex = static_cast<int32_t>(s.seriesLengthTable[0]);
  s.dwSeriesLength = s.dwSeriesLengthCur = s.seriesLengthTable[s.dwSeriesLengthIndex];
  recomputePulseBounds(s, s.dwSeriesLength);
  s.wPulseCount = s.wMeanPulses;

  // The etalon sequence and its edit copy.
  s.etalonSequenceBlock.assign(s.wMaxPulses, static_cast<uint16_t>(s.dwDefaultEtalon));
  s.lpEtalonSequence = s.etalonSequenceBlock.empty() ? nullptr : s.etalonSequenceBlock.data();
  s.wEtalonSequenceSize = s.wMaxPulses;
  s.editSequenceBlock.assign(s.wMaxPulses, static_cast<uint16_t>(s.dwDefaultEtalon));
  s.lpEditSequence = s.editSequenceBlock.empty() ? nullptr : s.editSequenceBlock.data();
  s.wEditSequenceSize = s.wMaxPulses;

  // Noise level.
  s.dwNoiseIndex = 1;
  s.wNoiseLevel = s.wNoiseLevelCur = s.noiseTable[s.dwNoiseIndex];

  // The chains record.
  s.wChainsFirstSize = 10;
  s.wChainsPulses = s.wMaxPulses;
  WindowReporter reporter(window);
  s.lpChainsHeader =
      getChainsHeader(reporter, s.wChainsFirstSize, s.wChainsPulses, s.lpChainsHeader);

  // Lost data and the saved energy levels.
  s.dwLostIndex = 2;
  s.wLostLevel = s.lostTable[s.dwLostIndex];
  if (!isCutoffSeries(s.wSeriesType)) {
    s.dwLostIndex = 1;
    s.wLostLevel = 0;
  }
  s.wLostLevelCur = s.wLostLevel;
  const uint16_t saved = static_cast<uint16_t>(100 - s.wLostLevelCur);
  s.wSavedLevel = s.wSavedLevelEdit = s.wSavedLevelCur = saved;
  s.wProcSavedLevel = s.wProcSavedLevelEdit = s.wProcSavedLevelCur = saved;

  // The first series, without noise.
  const bool unfixed =
      isUnfixedCountSeries(s.wSeriesType) || s.wSeriesType == kSeriesUnfixedTuples;
  if (unfixed) {
    s.lpSeriesHeader = getRandomCountSeries(
        shown, s.wEtalonCount, s.alphabet, s.wEtalonLength, s.wTmin, s.wTmax, s.dwSeriesLengthCur,
        s.wPulseCount, s.lpEtalonSequence, static_cast<int16_t>(s.wEtalonAmplitude),
        s.wSavedLevelCur, s.lpSeriesHeader);
    if (s.lpSeriesHeader) s.wPulseCount = s.lpSeriesHeader->wImpulseQuantity;
  } else {
    s.lpSeriesHeader = getCutOffSeries(shown, s.wEtalonCount, s.alphabet, s.wEtalonLength, s.wTmin,
                                       s.wTmax, s.dwSeriesLengthCur, s.wPulseCount,
                                       s.lpEtalonSequence, static_cast<int16_t>(s.wEtalonAmplitude),
                                       s.wSavedLevelCur, s.lpSeriesHeader);
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
  releaseRecords(window, s);
  window.setCommandHandler(nullptr);
  s.running = false;
}

int prepareSubsetSelection(Window& window, AppState& state) {
  SubsetSelection& sel = state.selection;
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

// The application state: every setting, derived quantity and owned record of the
// workbench, with start-up, shut-down and the two small recomputations the commands share.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "common/image.h"
#include "common/window.h"
#include "graphics/params_panel_record.h"
#include "model/alphabet.h"
#include "model/problem_types.h"
#include "model/required_list.h"
#include "model/series.h"
#include "model/subset_modes.h"
#include "model/subset_selection.h"
#include "model/subsets.h"
#include "processing/chains.h"
#include "simulation/rest_error.h"
#include "simulation/simulation.h"

namespace velmora {

// View modes of the main window.
inline constexpr uint32_t kViewAlphabet = 5;
inline constexpr uint32_t kViewResults = 6;
inline constexpr uint32_t kViewSubsetSelection = 9;
inline constexpr uint32_t kViewSeriesParameters = 10;

// Result kinds shown by the results view.
inline constexpr uint16_t kResultProcessing = 1;
inline constexpr uint16_t kResultSimulation = 2;

// The button bitmaps, in the order start-up loads them.
inline constexpr int kBitmapResults = 103;   // ButtonStart
inline constexpr int kBitmapExit = 102;      // ButtonExit
inline constexpr int kBitmapStart = 101;     // IDB_BITMAP1
inline constexpr int kBitmapSelectAll = 109; // IDB_BITMAP5
inline constexpr int kBitmapClearAll = 108;  // IDB_BITMAP4
inline constexpr int kBitmapIds[5] = {kBitmapResults, kBitmapExit, kBitmapStart, kBitmapSelectAll,
                                      kBitmapClearAll};
inline constexpr const char* kNoBitmapTexts[5] = {
    "No Bitmap <ButtonStart>", "No Bitmap <ButtonExit>", "No Bitmap <IDB_BITMAP1>",
    "No Bitmap <IDB_BITMAP5>", "No Bitmap <IDB_BITMAP4>"};
inline constexpr const char* kFatalErrorCaption = "Fatal Error";
// The button faces are PNG files of kButtonFaceWidth × kButtonFaceHeight pixels in
// resourceDir()/buttons, in the order of kBitmapIds.
inline constexpr const char* kButtonFaceFolder = "buttons";
inline constexpr const char* kButtonFaceFiles[5] = {"back.png", "exit.png", "start.png",
                                                    "select_all.png", "clear_all.png"};
inline constexpr int32_t kButtonFaceWidth = 144;
inline constexpr int32_t kButtonFaceHeight = 32;

// The child edit control of the main window.
inline constexpr int kEditControlId = 225;
inline constexpr const char* kEditControlText = "Tmin Text";

inline constexpr int kMaxEtalons = 20;

// Messages of the selection data's allocation (shown without a caption).
inline constexpr const char* kTextNoMemoryPossibleSubsetRect = "Нет памяти для possibleSubsetRect!";
inline constexpr const char* kTextNoMemorySelectedSubset = "Нет памяти для selectedSubset!";
inline constexpr const char* kTextNoMemorySubsetArraySize = "Нет памяти для selectedSubsetArraySize!";
inline constexpr const char* kTextNoMemoryPossibleSubsetArrayRect =
    "Нет памяти для possibleSubsetArrayRect!";

// The etalon-sequence generator: the runtime library's rand, reproduced so that the
// sequences are the same everywhere. Never seeded: the state starts at 1.
struct SequenceRandom {
  uint32_t state = 1;
  // state <- state * 214013 + 2531011 (mod 2^32); bits 16..30 of the new state.
  int next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
};

// The layout of the main window's client area, recomputed at every paint from the
// client rectangle and the window font, and kept so that the mouse handling and the
// commands can use it between paints. Rectangles are inclusive of their right and bottom
// edges; an empty one (right < left) is absent and hit by nothing. Everything is empty
// until the first paint.
struct ShellLayout {
  Rect client = kNoRect;
  // Window font: line height (cell height + external leading − 1) and character widths.
  int32_t lineHeight = 0;
  int32_t aveCharWidth = 0;
  int32_t maxCharWidth = 0;

  // The button column: slots of 144 × 32 pixels. The all/none slot exists unless the
  // effective task type is detection or a tuple task.
  Rect exitSlot = kNoRect;
  Rect startSlot = kNoRect;
  Rect allNoneButton = kNoRect;
  Rect resultsSlot = kNoRect;
  Rect statusStrip = kNoRect;  // the result-status strip of the button column
  // Set while at most half of the etalons are flagged: the all/none button selects all.
  bool selectAll = true;

  // The graph area and the etalon grid (rows × columns cells of cellWidth × cellHeight;
  // innerCellWidth/Height are the cell sizes less 10).
  Rect graphArea = kNoRect;
  int32_t gridRows = 0;
  int32_t gridColumns = 0;
  int32_t cellWidth = 0;
  int32_t cellHeight = 0;
  int32_t innerCellWidth = 0;
  int32_t innerCellHeight = 0;
  int32_t cellCount = 0;
  Rect etalonCells[kMaxEtalons] = {kNoRect, kNoRect, kNoRect, kNoRect, kNoRect,
                                   kNoRect, kNoRect, kNoRect, kNoRect, kNoRect,
                                   kNoRect, kNoRect, kNoRect, kNoRect, kNoRect,
                                   kNoRect, kNoRect, kNoRect, kNoRect, kNoRect};

  // The value selectors and the rectangle of each of their values, in table order. The
  // lost-data selector exists for the cut-off series types only.
  Rect seriesLengthSelector = kNoRect;
  Rect noiseSelector = kNoRect;
  Rect lostSelector = kNoRect;
  std::vector<Rect> seriesLengthValues;
  std::vector<Rect> noiseValues;
  std::vector<Rect> lostValues;

  Rect subsetPanel = kNoRect;
  // The rows of the pattern box that the results and statistics views drew last (pattern
  // a + 1 in row a), tested by the mouse handling.
  std::vector<Rect> patternRows;

  // Where the last click on an etalon cell or on Start was.
  int32_t lastClickX = 0;
  int32_t lastClickY = 0;

  // What the last paint drew: its view (0 before the first paint) and result kind, and
  // whether the child edit control was placed on the parameters panel.
  uint32_t paintedView = 0;
  uint16_t paintedResultKind = 0;
  bool editShown = false;
};

// The application state, in groups. Each group is a plain struct of the fields that belong
// together, named as the system names them; the dialogs read and write their group.

// The alphabet, the etalon choice and the etalon sequences.
struct EtalonChoice {
  uint16_t wEtalonCount = 20;
  uint16_t wEtalonAmplitude = 128;
  uint16_t wEtalonLength = 20;
  PulseHeader alphabet[kMaxEtalons];

  int32_t dwDefaultEtalon = 1;
  int32_t dwSingleEtalon = 1;
  int32_t dwPrevSingleEtalon = 1;  // the etalon selected before the last cell click
  uint16_t requiredFlags[kMaxEtalons] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                         1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  uint16_t* lpRequiredList = nullptr;  // from getRequiredList
  uint16_t wRequiredCount = 0;
  uint16_t wRequiredCapacity = 0;
  uint16_t* lpEtalonSequence = nullptr;  // points into etalonSequenceBlock
  uint16_t wEtalonSequenceSize = 0;
  uint16_t* lpEditSequence = nullptr;  // points into editSequenceBlock
  uint16_t wEditSequenceSize = 0;
  std::vector<uint16_t> etalonSequenceBlock;
  std::vector<uint16_t> editSequenceBlock;
  SequenceRandom sequenceRandom;
};

// The series settings: geometry, pulse counts, noise, lost data and saved levels.
//
// A setting comes in up to three spellings:
//   X      the value chosen for the next series: set by a click on a value selector (which
//          also marks the selector pending) and by the commands that commit a dialog;
//   XCur   the value of the current series: copied from X when the series is rebuilt (208)
//          or synthesised (216), and what the synthesis, noise, processing and simulation
//          use, the selectors mark and dialogs 105 and 106 open with; a few commands set
//          it directly (the saved levels a dialog committed, the types without lost data);
//   XEdit  the dialogs' working copy: written by OK in dialogs 105, 106 and 110 and read
//          by the command that ran them, which commits it to X or XCur once the last of
//          its dialogs is confirmed; after a Cancel X and XCur stay as they were.
// A setting without XCur (wTmin, wTmax) is committed from XEdit straight into X.
struct SeriesSettings {
  uint16_t wTmin = 40;
  uint16_t wTmax = 181;
  uint16_t wTminEdit = 0;
  uint16_t wTmaxEdit = 0;
  uint32_t seriesLengthTable[4] = {3, 200, 600, 1200};  // count, then the values
  int32_t dwSeriesLengthIndex = 3;
  uint32_t dwSeriesLength = 1200;
  uint32_t dwSeriesLengthCur = 1200;
  uint32_t dwSeriesLengthEdit = 0;
  // Pulse counts: the bounds that fit the series length, wMeanPulses the count chosen for
  // the next series and wPulseCount that of the current one. The edit copies: the bounds
  // of dialog 105's geometry (the range dialogs 106 and 110 offer, which 110 may narrow)
  // and the count typed in dialog 106, which is committed to wMeanPulses.
  uint16_t wMinPulses = 6;
  uint16_t wMaxPulses = 30;
  uint16_t wMeanPulses = 18;
  uint16_t wPulseCount = 18;
  uint16_t wMinPulsesEdit = 0;
  uint16_t wMaxPulsesEdit = 0;
  uint16_t wPulseCountEdit = 0;

  uint16_t noiseTable[4] = {3, 20, 35, 50};
  int32_t dwNoiseIndex = 1;
  uint16_t wNoiseLevel = 20;
  uint16_t wNoiseLevelCur = 20;
  uint16_t wNoiseLevelEdit = 0;
  uint16_t wNoiseSeed = 10597;  // the state of the noise generator

  int16_t lostTable[4] = {3, 0, 25, 50};
  int32_t dwLostIndex = 2;
  int16_t wLostLevel = 25;
  int16_t wLostLevelCur = 25;
  // Saved levels of the synthesis and of the processing (100 less the lost level).
  uint16_t wSavedLevel = 75;
  uint16_t wSavedLevelCur = 75;
  uint16_t wSavedLevelEdit = 75;
  uint16_t wProcSavedLevel = 75;
  uint16_t wProcSavedLevelCur = 75;
  uint16_t wProcSavedLevelEdit = 75;
};

// The task and series types chosen in the menu, and the task they make together.
struct ProblemChoice {
  uint16_t wTaskType = kTaskRecognition;
  uint16_t wSeriesType = kSeriesFixedCutoff;
  uint16_t wEffectiveTaskType = kTaskRecognition;
};

// What the main window shows, and the selector areas and status strip waiting for a
// repaint.
struct ViewState {
  uint32_t dwViewMode = kViewAlphabet;
  uint16_t wResultKind = kResultProcessing;
  uint32_t dwPendingSeriesLength = 0;
  uint32_t dwPendingNoise = 0;
  uint32_t dwPendingLost = 0;
  uint32_t dwPendingStatus = 0;
};

// Command flags, and the confirmation flag dialogs 105, 106, 107 and 110 report OK (1)
// or Cancel (0) through.
struct CommandFlags {
  uint32_t dwDiagnostic = 0;
  uint32_t dwTypeMoreDetails = 0;
  uint32_t dwConfirmed = 0;
};

// The statistical simulation (dialog 110) and its last run.
struct SimulationSettings {
  uint16_t wSimPulsesStep = 1;
  uint16_t wSimPulseSteps = 0;
  uint16_t wSimNoiseInitial = 0;
  uint16_t wSimNoiseSteps = 29;
  uint16_t wSimNoiseStep = 5;
  uint16_t wSimRepeats = 100;
  uint32_t dwSimFirstUse = 1;
  // Start and end of the last simulation (calendar seconds; 0 until one runs).
  int32_t simStartTime = 0;
  int32_t simEndTime = 0;
  // Threads that process a simulation's series: 0 = every core. The tables are the
  // same for every count.
  uint16_t simThreads = 0;
};

// Display settings of the statistics (dialogs 113 and 114).
struct StatisticsDisplay {
  uint32_t dwHandlingCase = 1;
  uint32_t dwViewCase = 1;
  uint32_t dwBoundsIncluded = 1;
  uint32_t dwFixedUpperBound = 0;
  double upperBound = 0.25;
  uint32_t dwGraphMode = 2;
};

// Subset settings (dialog 111).
struct SubsetSettings {
  uint32_t dwSubsetEmploymentMode = kSubsetComplete;
  uint32_t dwSubsetInitPosition = 1;
  uint32_t dwSubsetProceedingMode = 1;
};

// Drawing settings (dialog 112).
struct DrawingChoice {
  uint32_t dwFrameGraphFields = 1;
  uint32_t dwShadedOriginalPulses = 1;
  uint32_t dwHighlightDetectedPulses = 1;
  uint32_t dwSpecialGraphSize = 0;
  uint32_t dwTupleHighlighting = 2;
};

// The records the workbench owns, and the sizes of the chains record.
struct OwnedRecords {
  SeriesHeader* lpSeriesHeader = nullptr;
  ChainsHeader* lpChainsHeader = nullptr;
  RestErrorHeader* lpRestErrorHeader = nullptr;
  ParamsHeader* lpParamsHeader = nullptr;
  SubsetSelection selection;
  uint16_t wChainsFirstSize = 10;
  uint16_t wChainsPulses = 30;
};

// What a front end plugs in; each may stay empty.
struct FrontEndHooks {
  // Told of the simulation's progress and asked whether to stop; null: nobody listens.
  SimulationObserver* simObserver = nullptr;
  // Source of the time stamps; the wall clock when empty (tests and tools pin it).
  std::function<int32_t()> simClock;
  // This process's share of a simulation made by several processes; null: all of it.
  SimulationShare* simShare = nullptr;
  // The bytes a simulation may take; what the system can give when empty (tests pin it).
  std::function<uint64_t()> simMemory;
  // Runs the simulation driver: calls `run` with the window the driver shows its
  // messages on and returns when it has finished. A front end may run it on another
  // thread; empty runs it inline.
  std::function<void(Window& window, const std::function<void(Window&)>& run)> simRunner;
  // " Save image as...": the snapshot command of the front end (it captures the window
  // and writes the file); null where there is no screen to capture.
  std::function<int(Window&)> snapshotCommand;
};

struct AppState {
  AppState() = default;
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;
  ~AppState();  // releases whatever shut-down has not

  EtalonChoice etalons;
  SeriesSettings series;
  ProblemChoice problem;
  ViewState view;
  CommandFlags flags;
  SimulationSettings simulation;
  StatisticsDisplay statistics;
  SubsetSettings subsets;
  DrawingChoice drawing;
  OwnedRecords records;
  FrontEndHooks hooks;

  // The button faces, in the order of kBitmapIds (loaded by start-up, released by
  // shut-down).
  Image buttonFaces[5];
  bool running = false;  // between a successful start-up and shut-down
  ShellLayout layout;
};

// Start-up: loads the button faces, builds the alphabet, the required list, the etalon
// sequences, the chains record and the first (noise-free) series, sets the menu check
// marks and connects the window's internal commands to the command handler. The model's
// generator states are put back to those of a fresh program first. 1 on success, 0 when
// a button face is missing or unreadable (nothing else is built then).
int startUp(Window& window, AppState& state);

// The face of button bitmap `id` (kBitmapStart, …); null when it is not loaded.
const Image* buttonFace(const AppState& state, int id);

// Shut-down: releases every record in a fixed order and disconnects the window.
void shutDown(Window& window, AppState& state);

// The effective task type: the task type, except detection and recognition on tuple
// series, which become tuple detection (36) and tuple recognition (40).
uint16_t effectiveTaskType(uint16_t taskType, uint16_t seriesType);

// Least and greatest pulse counts that fit a series of `length` samples with the state's
// etalon length, wTmin and wTmax (not raised to 1). A zero divisor leaves the count 0.
uint16_t leastPulseCount(const AppState& state, uint32_t length);
uint16_t greatestPulseCount(const AppState& state, uint32_t length);

// Recomputes wMinPulses, wMaxPulses and wMeanPulses for `length`.
void recomputePulseBounds(AppState& state, uint32_t length);

// Sets the required list to the flagged etalons in ascending order. Returns the count.
uint16_t rebuildRequiredList(AppState& state);

// Makes the etalon sequence (or the edit sequence) hold at least `size` entries; new
// entries take dwDefaultEtalon, existing ones are kept.
void growEtalonSequence(AppState& state, uint16_t size);
void growEditSequence(AppState& state, uint16_t size);

// Allocates the selection data of the subset selection view once (capacity 10, 10
// reserved rows); afterwards does nothing. 1 on success, 0 (with a message) on failure.
int prepareSubsetSelection(Window& window, AppState& state);
void freeSubsetSelection(SubsetSelection& selection);

}  // namespace velmora

// Every parameter dialog's value reading and OK/Cancel logic: a few dialogs in a row, each
// opened on a state the earlier ones changed, with arbitrary control texts and clicks; a
// paint after each one reads everything a dialog may have set.
#include <cstdint>

#include "fuzz_support.h"
#include "graphics/raster_canvas.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/paint.h"

using namespace velmora;

namespace {

const int kDialogs[] = {kDialogSeriesParameters, kDialogSeriesStructure,
                        kDialogRequiredEtalons,  kDialogSimulation,
                        kDialogSubsetSettings,   kDialogDrawingSettings,
                        kDialogShowStatistics,   kDialogShowStatisticsRecognition};
const int kProblemCommands[] = {kCmdDetection,     kCmdRecognition,   kCmdJoint,
                                kCmdSeriesProcessing, kCmdFixedWhole, kCmdUnfixedWhole,
                                kCmdFixedCutoffs,  kCmdUnfixedCutoffs, kCmdFixedTuples,
                                kCmdUnfixedTuples};

// What every accepted set of values must leave.
void checkState(const AppState& s) {
  if (s.series.dwSeriesLength == 0 || s.series.dwSeriesLength > kMaxSeriesLength)
    fuzz::fail("series length " + std::to_string(s.series.dwSeriesLength));
  if (s.series.wTmin == 0 || s.series.wTmax < s.series.wTmin)
    fuzz::fail("intervals " + std::to_string(s.series.wTmin) + ".." +
               std::to_string(s.series.wTmax));
  if (s.series.wSavedLevel > 100 || s.series.wProcSavedLevel > 100)
    fuzz::fail("saved level above 100");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  fuzz::FuzzWindow window(data);
  AppState state;
  state.hooks.simClock = [] { return 1000; };
  state.simulation.simThreads = 1;
  if (startUp(window, state) != 1) fuzz::fail("start-up failed");
  // The dialogs read and show the problem types, so the bytes choose them first.
  if (data.ConsumeBool()) handleCommand(window, state, data.PickValueInArray(kProblemCommands));
  if (data.ConsumeBool()) handleCommand(window, state, data.PickValueInArray(kProblemCommands));
  const int dialogs = data.ConsumeIntegralInRange(1, 4);
  for (int k = 0; k < dialogs && data.remaining_bytes() > 0; ++k) {
    const int id = data.PickValueInArray(kDialogs);
    DialogControls initial = initialControls(id, state);
    DialogControls edited = initial;
    fuzz::editControls(data, id, edited);
    if (data.ConsumeIntegralInRange(0, 3) != 0) applyDialogOk(window, id, state, initial, edited);
    checkState(state);
    RasterCanvas canvas(160, 120);
    paint(canvas, window, state, Rect{0, 0, 160, 120});
  }
  shutDown(window, state);
  return 0;
}

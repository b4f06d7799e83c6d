// The command handler as a state machine: the bytes are a sequence of menu commands (their
// dialogs and message boxes answered from the bytes too), clicks, drags, keys, texts typed
// into the edit control and window sizes, on a small window painted after every step.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "graphics/raster_canvas.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/mouse.h"
#include "shell/paint.h"
#include "shell/resources.h"

using namespace velmora;

namespace {

std::vector<int> menuCommands() {
  size_t count = 0;
  const MenuItemTemplate* menu = mainMenu(count);
  std::vector<int> ids;
  for (size_t i = 0; i < count; ++i)
    if (menu[i].kind == MenuItemKind::kCommand) ids.push_back(menu[i].id);
  return ids;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static const std::vector<int> commands = menuCommands();
  FuzzedDataProvider data(bytes, size);
  fuzz::FuzzWindow window(data);
  AppState state;
  state.hooks.simClock = [] { return 1000; };
  state.simulation.simThreads = 1;
  if (startUp(window, state) != 1) fuzz::fail("start-up failed");
  int32_t width = 320, height = 240;
  int steps = 0;
  while (data.remaining_bytes() > 0 && steps++ < 64 && window.closeRequests == 0) {
    switch (data.ConsumeIntegralInRange(0, 7)) {
      case 0:
        handleCommand(window, state, commands[data.ConsumeIntegralInRange<size_t>(0, commands.size() - 1)]);
        break;
      case 1: {  // a menu id as it stands in the bytes
        const int id = data.ConsumeIntegral<uint16_t>();
        if (std::find(commands.begin(), commands.end(), id) != commands.end())
          handleCommand(window, state, id);
        break;
      }
      case 2:
      case 3: {
        const int32_t x = data.ConsumeIntegralInRange(-2, width + 2);
        const int32_t y = data.ConsumeIntegralInRange(-2, height + 2);
        buttonDown(window, state, x, y);
        buttonUp(window, state, x, y);
        break;
      }
      case 4: {
        int32_t x = data.ConsumeIntegralInRange(-2, width + 2);
        int32_t y = data.ConsumeIntegralInRange(-2, height + 2);
        buttonDown(window, state, x, y);
        const int moves = data.ConsumeIntegralInRange(0, 6);
        for (int m = 0; m < moves; ++m) {
          x += data.ConsumeIntegralInRange(-40, 40);
          y += data.ConsumeIntegralInRange(-40, 40);
          mouseMove(window, state, x, y);
        }
        buttonUp(window, state, x, y);
        break;
      }
      case 5:
        mouseMove(window, state, data.ConsumeIntegralInRange(-2, width + 2),
                  data.ConsumeIntegralInRange(-2, height + 2));
        break;
      case 6:
        if (data.ConsumeBool()) keyDown(window, state, data.ConsumeIntegralInRange(0, 300));
        else window.setEditText(data.ConsumeRandomLengthString(12));
        break;
      case 7:
        width = data.ConsumeIntegralInRange(1, 400);
        height = data.ConsumeIntegralInRange(1, 300);
        break;
    }
    if (!state.running || window.closeRequests > 0) break;
    RasterCanvas canvas(width, height);
    paint(canvas, window, state, Rect{0, 0, width, height});
  }
  if (state.running) shutDown(window, state);
  return 0;
}

// What the fuzz targets share: a window that answers message boxes and dialogs from the
// fuzzer's bytes, with the values that only cost time (long series, many repeats) kept
// small so that every input runs in milliseconds, and a way to report a wrong result.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "support/fake_window.h"

namespace velmora::fuzz {

// Stops the run with `what` on stderr; libFuzzer keeps the input as a crash.
[[noreturn]] void fail(const std::string& what);

// Replaces `text` by `most` when the dialogs would read a number above it, so that odd
// texts stay as typed while the work they ask for stays small.
void capNumber(std::string& text, int64_t most);

// Caps the values of dialog `dialogId` that only make the work longer.
void capCostlyValues(int dialogId, DialogControls& controls);

// Types fuzzer texts into edit controls of dialog `dialogId` and clicks its check boxes
// and radio buttons, in an order the bytes choose.
void editControls(FuzzedDataProvider& data, int dialogId, DialogControls& controls);

// Message boxes and dialogs answered from the bytes: each dialog gets edits and then OK or
// Cancel; a message box its affirmative or negative button. When the bytes run out,
// everything is accepted as shown.
class FuzzWindow : public testing::FakeWindow {
 public:
  explicit FuzzWindow(FuzzedDataProvider& data) : data_(data) {}
  int messageBox(const std::string& text, const char* caption, unsigned flags) override;
  int runDialog(int dialogId, DialogControls& controls) override;
  // Keeps the records small over long inputs.
  void invalidateRect(const Rect*, bool) override {}
  void sendCommand(int commandId) override { Window::sendCommand(commandId); }

 private:
  FuzzedDataProvider& data_;
};

}  // namespace velmora::fuzz

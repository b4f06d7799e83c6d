#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "shell/dialogs.h"
#include "shell/resources.h"

namespace velmora::fuzz {

void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz: %s\n", what.c_str());
  std::abort();
}

void capNumber(std::string& text, int64_t most) {
  if (readNumber(text) > most) text = std::to_string(most);
}

void capCostlyValues(int dialogId, DialogControls& controls) {
  auto cap = [&](int id, int64_t most) {
    std::string text = controls.text(id);
    capNumber(text, most);
    controls.setText(id, text);
  };
  if (dialogId == kDialogSeriesParameters) cap(kIdcSeriesLength, 400);
  if (dialogId == kDialogSimulation) {
    cap(kIdcSimRepeats, 2);
    cap(kIdcSimNoiseSteps, 2);
    const int64_t from = readNumber(controls.text(kIdcSimFrom));
    cap(kIdcSimTo, std::max<int64_t>(from, 0) + 3);
  }
}

void editControls(FuzzedDataProvider& data, int dialogId, DialogControls& controls) {
  const DialogTemplate* dialog = findDialogTemplate(dialogId);
  if (!dialog) return;
  std::vector<const ControlTemplate*> inputs;
  for (size_t i = 0; i < dialog->controlCount; ++i) {
    const ControlTemplate& c = dialog->controls[i];
    if (c.kind == ControlKind::kEdit || c.kind == ControlKind::kCheckBox ||
        c.kind == ControlKind::kRadioButton)
      inputs.push_back(&c);
  }
  if (inputs.empty()) return;
  const int edits = data.ConsumeIntegralInRange(0, 6);
  for (int k = 0; k < edits && data.remaining_bytes() > 0; ++k) {
    const ControlTemplate& c = *inputs[data.ConsumeIntegralInRange<size_t>(0, inputs.size() - 1)];
    if (c.kind == ControlKind::kEdit) {
      // Numbers near the limits more often than any text.
      if (data.ConsumeBool())
        controls.setText(c.id, std::to_string(data.ConsumeIntegralInRange<int64_t>(-70000, 70000)));
      else
        controls.setText(c.id, data.ConsumeRandomLengthString(24));
    } else {
      clickToState(dialogId, controls, c.id, data.ConsumeBool());
    }
  }
}

int FuzzWindow::messageBox(const std::string& text, const char* caption, unsigned flags) {
  FakeWindow::messageBox(text, caption, flags);
  messages.clear();
  const bool yes = data_.remaining_bytes() == 0 || data_.ConsumeBool();
  switch (flags & kMbButtonMask) {
    case kMbYesNo: return yes ? kIdYes : kIdNo;
    case kMbOkCancel: return yes ? kIdOk : kIdCancel;
    default: return kIdOk;
  }
}

int FuzzWindow::runDialog(int dialogId, DialogControls& controls) {
  int result = kIdOk;
  if (data_.remaining_bytes() > 0) {
    editControls(data_, dialogId, controls);
    result = data_.ConsumeIntegralInRange(0, 3) == 0 ? kIdCancel : kIdOk;
  }
  capCostlyValues(dialogId, controls);
  return result;
}

}  // namespace velmora::fuzz

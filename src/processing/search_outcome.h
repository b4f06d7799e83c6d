// How a search ended, as data for its caller: the search reports, the caller decides
// whether and where to show a failure and whether its own work goes on.
#pragma once

#include "common/window.h"

namespace velmora {

struct SearchOutcome {
  // The search's own result: what the search function of that name returns (1 when it
  // ran, the recognised etalon or tuple number, ...).
  int result = 0;
  // Null when the search ran, whether or not it found a chain. Otherwise the search could
  // not get its working storage and this is the system's text naming that storage
  // ("Нет памяти для ppDw[m]!"); the search wrote no answer.
  const char* noMemory = nullptr;

  bool ran() const { return noMemory == nullptr; }
};

// Shows the text of a search that ran out of memory the way the searches always have
// (no caption, an OK button) and returns the search's result.
inline int shownResult(Window& window, const SearchOutcome& outcome) {
  if (!outcome.ran()) window.messageBox(outcome.noMemory, nullptr, kMbOk);
  return outcome.result;
}

}  // namespace velmora

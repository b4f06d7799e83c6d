// How a search ended, as data for its caller: the search reports, the caller decides
// whether and where to show a failure and whether its own work goes on.
#pragma once

namespace velmora {

struct SearchOutcome {
  // The search's own result: 1 when it ran, the recognised etalon or tuple number, ...
  // (see each search in search_kernels.h).
  int result = 0;
  // Null when the search ran, whether or not it found a chain. Otherwise the search could
  // not get its working storage and this is the system's text naming that storage
  // ("Нет памяти для ppDw[m]!"); the search wrote no answer.
  const char* noMemory = nullptr;

  bool ran() const { return noMemory == nullptr; }
};

}  // namespace velmora

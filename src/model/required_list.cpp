#include "model/required_list.h"

#include <new>

#include "model/texts.h"

namespace velmora {

uint16_t* getRequiredList(Reporter& reporter, uint16_t count, uint16_t* oldList) {
  freeRequiredList(oldList);
  uint16_t* list = nullptr;
  try {
    list = new uint16_t[count];
  } catch (const std::bad_alloc&) {
    reporter.report(kTextNoMemoryNewList, kCaptionGetRequiredList);
    return nullptr;
  }
  for (uint16_t i = 0; i < count; ++i) list[i] = static_cast<uint16_t>(i + 1);
  return list;
}

void freeRequiredList(uint16_t* list) { delete[] list; }

}  // namespace velmora

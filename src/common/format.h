// printf-style formatting into a std::string of whatever length the text needs.
#pragma once

#include <string>

namespace velmora {

std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace velmora

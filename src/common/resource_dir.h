// The folder the program reads its resources from (the font, the button faces).
#pragma once

#include <string>

namespace velmora {

// The folder given to setResourceDir; otherwise the VELMORA_RESOURCES environment
// variable when set; otherwise the resources folder of the source tree the program was
// built from.
std::string resourceDir();
// Overrides the folder for the rest of the run (an empty string restores the default).
void setResourceDir(const std::string& dir);

}  // namespace velmora

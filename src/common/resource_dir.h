// The folder the program reads its resources from (the font, the button faces).
#pragma once

#include <string>

namespace velmora {

// The folder given to setResourceDir; otherwise the VELMORA_RESOURCES environment
// variable when set; otherwise the folder found from where the running program (or the
// library holding this code, such as a Python extension) lies: walking up from its folder,
// the first ancestor with share/velmora (an installed program: PREFIX/bin, PREFIX/lib/...)
// or with a velmora-resources link (a build tree, which links it to the sources' resources
// folder). So an installed program never reads the tree it was built from.
std::string resourceDir();
// Overrides the folder for the rest of the run (an empty string restores the default).
void setResourceDir(const std::string& dir);

// The folder resourceDir finds from the location of the code file `codeFile`, without
// the override and the environment variable; `codeFile`'s own folder is searched first.
// Empty when no ancestor has either.
std::string findResourceDir(const std::string& codeFile);

}  // namespace velmora

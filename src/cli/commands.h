// The subcommands of velmora-cli over the workbench's own start-up, command handler,
// dialogs and simulation driver. Each returns the exit status.
#pragma once

#include <ostream>

#include "cli/options.h"
#include "cli/processes.h"
#include "cli/progress.h"
#include "cli/render.h"

namespace velmora::cli {

int alphabetCommand(bool json, std::ostream& out, std::ostream& err);
int runCommand(const RunPlan& plan, std::ostream& out, std::ostream& err);
// With `processes`, this process makes its part of a simulation made by all of them;
// process 0 alone shows progress, prints and writes the files.
int simulateCommand(const SimulatePlan& plan, ProgressMode progress, std::ostream& out,
                    std::ostream& err, Processes* processes = nullptr);

// The picture of the main window (see cli/render.h). Prints nothing on success.
int renderCommand(const RenderPlan& plan, std::ostream& err);

}  // namespace velmora::cli

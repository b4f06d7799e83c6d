// velmora-cli: the workbench driven from the command line.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/find.h"
#include "cli/options.h"
#include "cli/processes.h"
#include "cli/progress.h"
#include "cli/standard_output.h"
#include "processing/simd.h"

namespace {

using namespace velmora::cli;

// An option whose value is kept as typed; its absence is remembered.
CLI::Option* addText(CLI::App* app, const std::string& name, std::optional<std::string>& target,
                     const std::string& description, const std::string& shownDefault = "") {
  CLI::Option* option = app->add_option_function<std::string>(
      name, [&target](const std::string& value) { target = value; }, description);
  option->type_name("VALUE");
  if (!shownDefault.empty()) option->default_str(shownDefault);
  return option;
}

std::string names(const std::vector<std::string>& list) {
  std::string out;
  for (const std::string& n : list) out += (out.empty() ? "" : "|") + n;
  return out;
}

void addProblemOptions(CLI::App* app, ProblemOptions& o) {
  app->add_option("--task", o.task, "task type: " + names(taskNames()))
      ->type_name("NAME")
      ->capture_default_str();
  app->add_option("--series", o.series, "series type: " + names(seriesNames()))
      ->type_name("NAME")
      ->capture_default_str();
  addText(app, "--etalons", o.etalons,
          "required etalons, e.g. 1,3,5, set through \" New pulses... \" (default: all 20; "
          "detection: etalon 1)");
  addText(app, "--subset", o.subset,
          "selected subset for the tuple tasks, e.g. 1,2,3, at most 10 etalons (default: the "
          "current subset of --subsets)");
  addText(app, "--subsets", o.subsets,
          "subset list for tuple recognition, e.g. \"1,2;3,4,5\", at most 10 subsets (default: "
          "--subset alone)");
  addText(app, "--current", o.current, "current subset of the list, 1-based", "1");
}

// Where the output of the processes other than the first of an MPI job goes.
class Discard : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

int usage(CLI::App& app, const std::string& reason) {
  std::string command = "velmora-cli";
  for (const CLI::App* sub : app.get_subcommands()) command += " " + sub->get_name();
  std::cerr << command << ": error: " << withShortEchoes(reason) << "\n"
            << "Run '" << command << " --help' for usage.\n";
  return kExitUsage;
}

// Times are shown in local time; a fixed clock shows them in UTC, so that its output is
// the same in every time zone.
void showTimesInUtc() {
  setenv("TZ", "UTC0", 1);
  tzset();
}

}  // namespace

int runTool(int argc, char** argv) {
  // Under an MPI launcher every process parses the same options and meets the same
  // refusals; the first one alone reports them.
  const Launch launch = launchFromEnvironment();
  static Discard discard;
  if (launch.rank != 0) {
    std::cout.rdbuf(&discard);
    std::cerr.rdbuf(&discard);
  }
  std::unique_ptr<Processes> processes;
  if (launch.byLauncher && mpiBuilt()) processes = startProcesses(argc, argv);
  // The output is out before MPI stops, when mpirun may end the job.
  struct FlushFirst {
    ~FlushFirst() {
      std::cout.flush();
      std::cerr.flush();
    }
  } flushFirst;
  CLI::App app{"The Velmora workbench from the command line: the pulse alphabet, processing runs "
               "and statistical simulations, driven through the program's own commands and "
               "dialogs. Message boxes are written to stderr as \"caption: text\"."};
  app.name("velmora-cli");
  app.require_subcommand(1, 1);

  bool alphabetJson = false;
  CLI::App* alphabet = app.add_subcommand("alphabet", "the 20 etalons: number, energy, samples");
  alphabet->add_flag("--json", alphabetJson, "print one JSON document instead of text");

  RunOptions run;
  CLI::App* runApp = app.add_subcommand(
      "run",
      "start-up, then series type, task type, selector values, required etalons, subsets, an "
      "optional \" Create series... \", --next runs of \" Processing Next Data \" and --same runs "
      "of \" Processing Same Data\"; prints every run");
  addProblemOptions(runApp, run.problem);
  addText(runApp, "--length", run.length, "series length selector: 200|600|1200", "1200");
  addText(runApp, "--noise", run.noise, "noise level selector: 20|35|50", "20");
  addText(runApp, "--lost", run.lost, "lost data level selector, cut-off series only: 0|25|50",
          "25");
  addText(runApp, "--create", run.create,
          "\" Create series... \" with dialog values, e.g. length=600,tmin=40,tmax=181,etalon=1,"
          "saved=75,proc-saved=75,pulses=8,sequence=1;2;3,noise=20 (missing keys keep what the "
          "dialogs show; default: not run)");
  runApp->add_option("--next", run.next, "runs of \" Processing Next Data \" (at most 10000)")
      ->type_name("K")
      ->capture_default_str();
  runApp->add_option("--same", run.same, "runs of \" Processing Same Data\" after them (at most 10000)")
      ->type_name("K")
      ->capture_default_str();
  runApp->add_flag("--json", run.json, "print one JSON document instead of text");

  SimulateOptions sim;
  CLI::App* simApp = app.add_subcommand(
      "simulate",
      "start-up, series and task type, required etalons and subsets, then \" Statistical "
      "Simulation\" with the values of its dialogs; prints the error record");
  addProblemOptions(simApp, sim.problem);
  addText(simApp, "--length", sim.length, "Samples Length", "1200");
  addText(simApp, "--tmin", sim.tmin, "Min Length of Interval", "40");
  addText(simApp, "--tmax", sim.tmax, "Max Length of Interval", "181");
  addText(simApp, "--etalon", sim.etalon, "Etalon Number", "1");
  addText(simApp, "--saved", sim.saved,
          "Saved Energy Level for creating series (default: 75, 100 for whole-pulse series)");
  addText(simApp, "--proc-saved", sim.procSaved,
          "Saved Energy Level for processing series (default: 75, 100 for whole-pulse series)");
  addText(simApp, "--from", sim.from,
          "least number of pulses (default: (length + 19) / tmax, 6 for the defaults)");
  addText(simApp, "--to", sim.to,
          "greatest number of pulses (default: (length - 20 + tmin) / tmin, 30 for the defaults)");
  addText(simApp, "--incr", sim.incr, "pulse count increment", "1");
  addText(simApp, "--noise-initial", sim.noiseInitial, "Initial (noise) Level", "0");
  addText(simApp, "--noise-steps", sim.noiseSteps, "Number of Steps in Simulation", "29");
  addText(simApp, "--noise-step", sim.noiseStep, "Noise Increment per Step", "5");
  addText(simApp, "--repeats", sim.repeats, "Number of Repeats", "100");
  addText(simApp, "--json", sim.json, "write the result as JSON to FILE (- for stdout)")
      ->type_name("FILE");
  addText(simApp, "--csv", sim.csv,
          "write one row per grid point to FILE (- for stdout): "
          "pulses,noise,restoring,detection,tuple_recognition")
      ->type_name("FILE");
  addText(simApp, "--clock", sim.clock,
          "use SECONDS since 1970 as the start and end time, for reproducible output "
          "(default: the wall clock)")
      ->type_name("SECONDS");
  addText(simApp, "--threads", sim.threads,
          "process the series on N threads; the results are the same for every N "
          "(default: all cores)")
      ->type_name("N");
  simApp->add_flag("--quiet", sim.quiet, "show no progress on stderr");

  RenderOptions render;
  std::vector<std::string> clicks, drags;
  CLI::App* renderApp = app.add_subcommand(
      "render",
      "start-up, then the problem, selectors, runs and settings of the options (and, for "
      "--view statistics, a simulation with its dialog values), the view, then the --click and "
      "--drag events in the order given; writes the main window's picture to --out and prints "
      "nothing");
  addProblemOptions(renderApp, render.problem);
  addText(renderApp, "--length", render.length,
          "series length selector: 200|600|1200 (with --view statistics: the simulation's "
          "Samples Length)",
          "1200");
  addText(renderApp, "--noise", render.noise, "noise level selector: 20|35|50", "20");
  addText(renderApp, "--lost", render.lost,
          "lost data level selector, cut-off series only: 0|25|50", "25");
  addText(renderApp, "--create", render.create,
          "\" Create series... \" with dialog values, as for run (default: not run)");
  renderApp->add_option("--next", render.next, "runs of \" Processing Next Data \" (at most 10000)")
      ->type_name("K")
      ->capture_default_str();
  renderApp
      ->add_option("--same", render.same, "runs of \" Processing Same Data\" after them (at most 10000)")
      ->type_name("K")
      ->capture_default_str();
  addText(renderApp, "--view", render.view,
          "the view to show: alphabet|results|subsets|params|statistics (default: the view the "
          "commands left; statistics runs a simulation first)")
      ->type_name("NAME");
  addText(renderApp, "--drawing", render.drawing,
          "\" Drawing settings ...\": frame=0|1,shaded=0|1,highlight=0|1,special=0|1,tuples=0|1|2 "
          "(missing keys keep the settings)");
  addText(renderApp, "--size", render.size, "client area in pixels, each side 1..16384",
          "1280x800")
      ->type_name("WxH");
  addText(renderApp, "--ratio", render.ratio,
          "device pixel ratio of the screen drawn for, 1..8: the picture has that many pixels "
          "per client pixel, as the window draws on such a screen",
          "1")
      ->type_name("R");
  renderApp->add_option("--click", clicks, "a click (button down and up) at client pixel X,Y; repeatable")
      ->type_name("X,Y")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  renderApp
      ->add_option("--drag", drags,
                   "a drag: button down at X1,Y1, moves at most 4 pixels apart, button up at "
                   "X2,Y2; repeatable, in order with --click")
      ->type_name("X1,Y1,X2,Y2")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  addText(renderApp, "--out", render.out, "the picture: FILE.png, .bmp, .pcx or .svg")
      ->type_name("FILE")
      ->required();
  const char* simulationOnly = " (--view statistics only)";
  addText(renderApp, "--tmin", render.tmin, std::string("Min Length of Interval") + simulationOnly);
  addText(renderApp, "--tmax", render.tmax, std::string("Max Length of Interval") + simulationOnly);
  addText(renderApp, "--etalon", render.etalon, std::string("Etalon Number") + simulationOnly);
  addText(renderApp, "--saved", render.saved,
          std::string("Saved Energy Level for creating series") + simulationOnly);
  addText(renderApp, "--proc-saved", render.procSaved,
          std::string("Saved Energy Level for processing series") + simulationOnly);
  addText(renderApp, "--from", render.from, std::string("least number of pulses") + simulationOnly);
  addText(renderApp, "--to", render.to, std::string("greatest number of pulses") + simulationOnly);
  addText(renderApp, "--incr", render.incr, std::string("pulse count increment") + simulationOnly);
  addText(renderApp, "--noise-initial", render.noiseInitial,
          std::string("Initial (noise) Level") + simulationOnly);
  addText(renderApp, "--noise-steps", render.noiseSteps,
          std::string("Number of Steps in Simulation") + simulationOnly);
  addText(renderApp, "--noise-step", render.noiseStep,
          std::string("Noise Increment per Step") + simulationOnly);
  addText(renderApp, "--repeats", render.repeats, std::string("Number of Repeats") + simulationOnly);
  addText(renderApp, "--clock", render.clock,
          std::string("the simulation's time stamps, in seconds since 1970") + simulationOnly, "0")
      ->type_name("SECONDS");
  addText(renderApp, "--threads", render.threads,
          std::string("simulation threads (default: all cores)") + simulationOnly)
      ->type_name("N");
  addText(renderApp, "--graph", render.graph,
          std::string("the error the statistics show: restoring|detection|recognition (the "
                      "last for the recognition task only)") +
              simulationOnly)
      ->type_name("NAME");
  addText(renderApp, "--graph-view", render.graphView,
          std::string("statistics view case: componentwise|summary") + simulationOnly)
      ->type_name("NAME");
  addText(renderApp, "--bounds", render.bounds,
          std::string("0|1: \"bounds incl.\" (recognition task only)") + simulationOnly);
  addText(renderApp, "--upper-bound", render.upperBound,
          std::string("a fixed upper bound of the error axis") + simulationOnly);

  FindOptions find;
  CLI::App* findApp = app.add_subcommand(
      "find",
      "the search of a task on your own series (--input) with the alphabet's etalons or your "
      "own pulse shapes (--etalon-file); prints the found pulses and the ranked chains");
  findApp->add_option("--input", find.input,
                      "the series: one integer per line, or a CSV column with --column; - for "
                      "standard input; at most 32767 samples of -32768..32767")
      ->type_name("FILE")
      ->required();
  addText(findApp, "--column", find.column,
          "the CSV column of the series: its number (1-based) or its name in the header line")
      ->type_name("N|NAME");
  findApp->add_option("--task", find.task, "task: " + names(findTaskNames()))
      ->type_name("NAME")
      ->capture_default_str();
  addText(findApp, "--tmin", find.tmin, "least distance between consecutive pulse starts", "40");
  addText(findApp, "--tmax", find.tmax, "greatest distance between consecutive pulse starts",
          "181");
  addText(findApp, "--count", find.count,
          "the number of pulses, when known (default: unknown, any count the series admits)")
      ->type_name("N");
  addText(findApp, "--saved", find.saved,
          "saved energy level for processing, percent: a pulse may be cut off as long as it keeps "
          "more than this share of its energy; 100 takes whole pulses only",
          "75");
  addText(findApp, "--etalons", find.etalons,
          "the etalons searched with, e.g. 1,3,5: numbers in the alphabet or in --etalon-file "
          "(default: all; detection: the first)");
  addText(findApp, "--subset", find.subset, "the tuple of tuple-detection, e.g. 1,2,3");
  addText(findApp, "--subsets", find.subsets, "the tuples of tuple-recognition, e.g. \"1,2;3,4,5\"");
  addText(findApp, "--etalon-file", find.etalonFile,
          "your own pulse shapes instead of the alphabet: one per line, samples separated by "
          "commas or blanks, 1 to 20 shapes of one length (1..Tmax, no longer than the series)")
      ->type_name("FILE");
  findApp->add_flag("--json", find.json, "print one JSON document instead of text");

  const std::string first = argc > 1 ? argv[1] : "";
  if (!first.empty() && first[0] != '-' && first != "alphabet" && first != "run" &&
      first != "simulate" && first != "render" && first != "find")
    return usage(app, std::string("unknown subcommand '") + argv[1] +
                          "' (expected alphabet, run, simulate, render or find)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    if (app.get_subcommands().empty()) {
      std::cout << app.help();
    } else {
      std::cout << app.get_subcommands().front()->help("velmora-cli");
    }
    return kExitDone;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    return usage(app, e.what());
  }

  try {
    if (alphabet->parsed()) return alphabetCommand(alphabetJson, std::cout, std::cerr);
    if (runApp->parsed()) return runCommand(checkRunOptions(run), std::cout, std::cerr);
    if (findApp->parsed()) {
      try {
        return findCommand(checkFindOptions(find), std::cin, std::cout, std::cerr);
      } catch (const InputError& e) {
        std::cerr << "velmora-cli find: " << withShortEchoes(e.what()) << "\n";
        return kExitRefused;
      }
    }
    if (renderApp->parsed()) {
      // The mouse events in the order they were given, --click and --drag interleaved.
      size_t clickIndex = 0, dragIndex = 0;
      for (const CLI::Option* option : renderApp->parse_order()) {
        if (option->get_name() == "--click" && clickIndex < clicks.size())
          render.events.emplace_back("--click", clicks[clickIndex++]);
        else if (option->get_name() == "--drag" && dragIndex < drags.size())
          render.events.emplace_back("--drag", drags[dragIndex++]);
      }
      const RenderPlan plan = checkRenderOptions(render);
      showTimesInUtc();  // render always fixes its clock
      return renderCommand(plan, std::cerr);
    }
    const SimulatePlan plan = checkSimulateOptions(sim);
    if (plan.clock) showTimesInUtc();
    if (launch.size > 1 && !processes) {
      std::cerr << "velmora-cli: simulate was started as " << launch.size
                << " processes, but this build has no MPI support (configured with "
                   "-DVELMORA_MPI=OFF): run it without mpirun, or build it with MPI\n";
      return kExitRefused;
    }
    const ProgressMode mode = isatty(STDERR_FILENO) ? ProgressMode::kBar : ProgressMode::kLines;
    return simulateCommand(plan, mode, std::cout, std::cerr, processes.get());
  } catch (const UsageError& e) {
    return usage(app, e.what());
  }
}

int main(int argc, char** argv) {
  occupyClosedStandardDescriptors();
  // A forced SIMD path the CPU lacks is refused before anything runs.
  std::string simdError;
  if (!velmora::chooseSimdPath(std::getenv("VELMORA_SIMD"), simdError)) {
    std::cerr << "velmora-cli: " << simdError << "\n";
    return kExitRefused;
  }
  CheckedOutput output(STDOUT_FILENO);
  std::streambuf* const original = std::cout.rdbuf(&output);
  int status = runTool(argc, argv);
  std::cout.flush();
  std::cout.rdbuf(original);
  if (status == kExitInterrupted) status = InterruptGuard::exitStatus();
  if (output.error() != 0) {
    std::cerr << "velmora-cli: cannot write to standard output: " << std::strerror(output.error())
              << "\n";
    if (status == kExitDone) status = kExitRefused;
  }
  return status;
}

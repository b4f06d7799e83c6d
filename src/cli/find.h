// velmora-cli find: the searches on a series the user brings, with the alphabet's etalons
// or the user's own pulse shapes.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/options.h"

namespace velmora::cli {

// A file the tool cannot use: the message names the file and, where it applies, the line.
struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Limits of the user's pulse shapes: the searches number etalons 1..20, and a shape is
// laid whole inside the series, so it is at most Tmax and at most the series long.
inline constexpr size_t kMostShapes = 20;

// The samples of a series text. Without `column`: one integer per line. With it: a CSV
// line per sample and the field `column` names, a 1-based number or the name in the first
// line (a first line whose field is not an integer is taken as the header when the column
// is given by number). Blank lines at the end are ignored; every sample must fit 16 bits.
// `name` is how messages call the source. Throws InputError.
std::vector<int16_t> readSeries(std::istream& in, const std::string& name,
                                const std::optional<std::string>& column);

// The pulse shapes of an etalon file: one shape per line, its samples separated by commas
// or blanks; blank lines and lines starting with '#' are skipped. 1..kMostShapes shapes of
// one length, every sample fitting 16 bits, none all zero. Throws InputError.
std::vector<std::vector<int16_t>> readShapes(std::istream& in, const std::string& name);

struct FindOptions {
  std::string input;  // "-": standard input
  std::optional<std::string> column;
  std::string task = "recognition";
  std::optional<std::string> tmin, tmax, count, saved, etalons, subset, subsets;
  std::optional<std::string> etalonFile;
  bool json = false;
};

// The checked options. Etalon numbers are checked against the etalons in use once those
// are known (the file may hold fewer than 20).
struct FindPlan {
  std::string input;
  std::optional<std::string> column;
  std::string task;
  uint16_t taskType = 0;   // the effective task type
  uint16_t tmin = 40;
  uint16_t tmax = 181;
  uint16_t count = 0;      // 0: the number of pulses is unknown
  uint16_t saved = 75;     // saved energy level for processing, percent
  std::vector<int32_t> etalons;  // empty: the default
  std::vector<int32_t> subset;
  std::vector<std::vector<int32_t>> subsets;
  std::optional<std::string> etalonFile;
  bool json = false;
};
FindPlan checkFindOptions(const FindOptions& options);

const std::vector<std::string>& findTaskNames();

// Reads the series (`in` is standard input), the shapes, runs the search and prints it.
int findCommand(const FindPlan& plan, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace velmora::cli

#include "cli/find.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <limits>
#include <memory>

#include "cli/output.h"
#include "cli/scripted_window.h"
#include "model/alphabet.h"
#include "model/problem_types.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/dispatch.h"
#include "shell/window_reporter.h"

namespace velmora::cli {

namespace {

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// A whole decimal integer with an optional sign, in 64 bits; false for anything else.
bool wholeNumber(const std::string& text, int64_t& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin == end || (*begin == '-' && begin + 1 == end) || (*begin == '+')) return false;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec == std::errc::result_out_of_range) {
    // Still a number, just beyond 64 bits: beyond 16 bits too.
    value = *begin == '-' ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    return ptr == end;
  }
  return ec == std::errc() && ptr == end;
}

std::string where(const std::string& name, size_t line) {
  return name + ":" + std::to_string(line) + ": ";
}

// The 16-bit sample of `text` at `line`; throws InputError naming the line otherwise.
int16_t sample(const std::string& text, const std::string& name, size_t line) {
  int64_t value = 0;
  if (!wholeNumber(text, value))
    throw InputError(where(name, line) + "'" + echoed(text) + "' is not an integer");
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
    throw InputError(where(name, line) + echoed(text) +
                     " does not fit 16 bits (-32768..32767)");
  return static_cast<int16_t>(value);
}

// The fields of a CSV line, trimmed, one pair of surrounding double quotes removed.
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t comma = line.find(',', start);
    std::string field = trimmed(line.substr(start, comma - start));
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
      field = field.substr(1, field.size() - 2);
    fields.push_back(field);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return fields;
}

// Reads a text a line at a time, counting lines; a line longer than `limit` characters or
// a failed read is an InputError, so that no input can make the tool hold more than that.
class LineReader {
 public:
  LineReader(std::istream& in, const std::string& name, size_t limit)
      : in_(in), name_(name), limit_(limit) {}
  bool next(std::string& line) {
    line.clear();
    int c = 0;
    while ((c = in_.get()) != std::char_traits<char>::eof() && c != '\n') {
      if (line.size() == limit_)
        throw InputError(where(name_, number_ + 1) + "a line longer than " +
                         std::to_string(limit_) + " characters");
      line.push_back(static_cast<char>(c));
    }
    if (in_.bad()) throw InputError(name_ + ": cannot be read");
    if (c == std::char_traits<char>::eof() && line.empty()) return false;
    ++number_;
    return true;
  }
  size_t number() const { return number_; }

 private:
  std::istream& in_;
  const std::string& name_;
  size_t limit_;
  size_t number_ = 0;
};

uint16_t commandOfTask(const std::string& task) {
  static const std::array<std::pair<const char*, uint16_t>, 6> codes = {{
      {"detection", kTaskDetection},
      {"recognition", kTaskRecognition},
      {"joint", kTaskJoint},
      {"series", kTaskSeriesProcessing},
      {"tuple-detection", kTaskTupleDetection},
      {"tuple-recognition", kTaskTupleRecognition},
  }};
  for (const auto& [name, code] : codes)
    if (task == name) return code;
  return 0;
}

bool tupleTask(uint16_t task) {
  return task == kTaskTupleDetection || task == kTaskTupleRecognition;
}

// The series type the search runs for: fixed or unfixed count, whole pulses when the
// whole energy must be kept, pulse tuples for the tuple tasks.
uint16_t seriesTypeOf(const FindPlan& plan) {
  const bool known = plan.count > 0;
  if (tupleTask(plan.taskType)) return known ? kSeriesFixedTuples : kSeriesUnfixedTuples;
  if (plan.saved >= 100) return known ? kSeriesFixedWhole : kSeriesUnfixedWhole;
  return known ? kSeriesFixedCutoff : kSeriesUnfixedCutoff;
}

std::istream* openInput(const std::string& path, std::istream& standardInput,
                        std::ifstream& file) {
  if (path == "-") return &standardInput;
  file.open(path, std::ios::binary);
  if (!file) throw InputError(path + ": cannot be read");
  return &file;
}

void checkNumbers(const std::vector<int32_t>& numbers, size_t available, const std::string& option,
                  const std::string& source) {
  for (int32_t n : numbers)
    if (n < 1 || static_cast<size_t>(n) > available)
      throw UsageError(option + ": etalon " + std::to_string(n) + " is not among the " +
                       std::to_string(available) + " etalons of " + source);
}

}  // namespace

const std::vector<std::string>& findTaskNames() {
  static const std::vector<std::string> names = {"detection", "recognition", "joint",
                                                  "series", "tuple-detection",
                                                  "tuple-recognition"};
  return names;
}

std::vector<int16_t> readSeries(std::istream& in, const std::string& name,
                                const std::optional<std::string>& column) {
  LineReader reader(in, name, 65536);
  std::string text;
  std::vector<int16_t> samples;
  size_t field = 0;  // 0-based index of the column
  bool pending = false;  // `text` holds a line not yet taken
  if (column) {
    int64_t number = 0;
    pending = reader.next(text);
    const std::vector<std::string> head = pending ? csvFields(text) : std::vector<std::string>{};
    if (wholeNumber(*column, number)) {
      if (number < 1 || number > 100000)
        throw UsageError("--column: " + echoed(*column) + " is not a column number (1 or more)");
      field = static_cast<size_t>(number - 1);
      int64_t value = 0;
      if (field < head.size() && !wholeNumber(head[field], value)) pending = false;
    } else {
      const auto found = std::find(head.begin(), head.end(), *column);
      if (found == head.end())
        throw InputError(where(name, 1) + "no column named '" + echoed(*column) +
                         "' in the header line");
      field = static_cast<size_t>(found - head.begin());
      pending = false;
    }
  }
  size_t blank = 0;  // the first of the blank lines read since the last sample
  while (pending || reader.next(text)) {
    pending = false;
    const size_t line = reader.number();
    if (trimmed(text).empty()) {
      if (blank == 0) blank = line;
      continue;
    }
    // Blank lines are ignored at the end only: inside they would shift every sample after.
    if (blank != 0) throw InputError(where(name, blank) + "no sample");
    std::string value;
    if (column) {
      const std::vector<std::string> fields = csvFields(text);
      if (field >= fields.size())
        throw InputError(where(name, line) + "no column " + std::to_string(field + 1) +
                         " (the line has " + std::to_string(fields.size()) + ")");
      value = fields[field];
    } else {
      value = trimmed(text);
    }
    if (value.empty()) throw InputError(where(name, line) + "no sample");
    if (samples.size() == kMaxSeriesSize)
      throw InputError(where(name, line) + "more than " + std::to_string(kMaxSeriesSize) +
                       " samples, the longest series the searches take");
    samples.push_back(sample(value, name, line));
  }
  if (samples.empty()) throw InputError(name + ": no samples");
  return samples;
}

std::vector<std::vector<int16_t>> readShapes(std::istream& in, const std::string& name) {
  // A shape of the longest series, written out with separators, fits in 1 MiB.
  LineReader reader(in, name, 1 << 20);
  std::string text;
  std::vector<std::vector<int16_t>> shapes;
  while (reader.next(text)) {
    const size_t line = reader.number();
    std::string row = trimmed(text);
    if (row.empty() || row.front() == '#') continue;
    std::replace(row.begin(), row.end(), ',', ' ');
    std::replace(row.begin(), row.end(), '\t', ' ');
    std::vector<int16_t> shape;
    size_t start = 0;
    while (start < row.size()) {
      const size_t blank = row.find(' ', start);
      const std::string word = row.substr(start, blank - start);
      if (!word.empty()) {
        if (shape.size() == kMaxSeriesSize)
          throw InputError(where(name, line) + "a shape longer than " +
                           std::to_string(kMaxSeriesSize) + " samples, the longest series");
        shape.push_back(sample(word, name, line));
      }
      if (blank == std::string::npos) break;
      start = blank + 1;
    }
    if (shapes.size() == kMostShapes)
      throw InputError(where(name, line) + "more than " + std::to_string(kMostShapes) +
                       " pulse shapes, the most the searches take");
    if (!shapes.empty() && shape.size() != shapes.front().size())
      throw InputError(where(name, line) + "a shape of " + std::to_string(shape.size()) +
                       " samples, but the first has " + std::to_string(shapes.front().size()) +
                       " (all shapes must be equally long)");
    if (std::all_of(shape.begin(), shape.end(), [](int16_t v) { return v == 0; }))
      throw InputError(where(name, line) + "the shape is all zeros and matches anything");
    shapes.push_back(std::move(shape));
  }
  if (shapes.empty()) throw InputError(name + ": no pulse shapes");
  return shapes;
}

FindPlan checkFindOptions(const FindOptions& o) {
  FindPlan plan;
  plan.input = o.input;
  plan.column = o.column;
  plan.task = o.task;
  plan.taskType = commandOfTask(o.task);
  if (plan.taskType == 0)
    throw UsageError("--task: '" + echoed(o.task) +
                     "' is not a task (detection, recognition, joint, series, "
                     "tuple-detection, tuple-recognition)");
  if (o.tmin) plan.tmin = static_cast<uint16_t>(parseIntegerIn("--tmin", *o.tmin, 1, 65535));
  if (o.tmax) plan.tmax = static_cast<uint16_t>(parseIntegerIn("--tmax", *o.tmax, 1, 65535));
  if (plan.tmin > plan.tmax)
    throw UsageError("--tmin " + std::to_string(plan.tmin) + " is above --tmax " +
                     std::to_string(plan.tmax));
  if (o.count) plan.count = static_cast<uint16_t>(parseIntegerIn("--count", *o.count, 1, 65535));
  if (o.saved) plan.saved = static_cast<uint16_t>(parseIntegerIn("--saved", *o.saved, 1, 100));
  if (o.etalons) plan.etalons = parseEtalonList("--etalons", *o.etalons, ',', kMostShapes, "etalon");
  const bool tuples = tupleTask(plan.taskType);
  if (!tuples && (o.subset || o.subsets))
    throw UsageError("--subset and --subsets serve the tuple tasks only");
  if (tuples && o.etalons) throw UsageError("--etalons: the tuple tasks take --subset or --subsets");
  if (plan.taskType == kTaskTupleDetection) {
    if (!o.subset) throw UsageError("tuple-detection needs --subset, e.g. --subset 1,2,3");
    if (o.subsets) throw UsageError("--subsets serves tuple-recognition; give --subset");
    plan.subset = parseEtalonList("--subset", *o.subset, ',', 10, "etalon");
  }
  if (plan.taskType == kTaskTupleRecognition) {
    if (!o.subsets) throw UsageError("tuple-recognition needs --subsets, e.g. --subsets \"1,2;3,4\"");
    if (o.subset) throw UsageError("--subset serves tuple-detection; give --subsets");
    plan.subsets = parseSubsetRows("--subsets", *o.subsets);
  }
  plan.etalonFile = o.etalonFile;
  plan.json = o.json;
  return plan;
}

int findCommand(const FindPlan& plan, std::istream& standardInput, std::ostream& out,
                std::ostream& err) {
  ScriptedWindow window(err);
  WindowReporter shown(window);
  std::vector<int16_t> samples;
  std::vector<std::vector<int16_t>> shapes;
  {
    std::ifstream file;
    const std::string name = plan.input == "-" ? "standard input" : plan.input;
    samples = readSeries(*openInput(plan.input, standardInput, file), name, plan.column);
  }
  if (plan.etalonFile) {
    if (*plan.etalonFile == "-" && plan.input == "-")
      throw UsageError("--etalon-file and --input cannot both be standard input");
    std::ifstream file;
    const std::string name = *plan.etalonFile == "-" ? "standard input" : *plan.etalonFile;
    shapes = readShapes(*openInput(*plan.etalonFile, standardInput, file), name);
  }

  // The etalons: the user's shapes in slots 1..K, or the program's alphabet.
  std::array<PulseHeader, kAlphabetSize> alphabet;
  size_t available = kAlphabetSize;
  uint16_t impulseSize = kPulseLength;
  const std::string source = plan.etalonFile ? *plan.etalonFile : "the alphabet";
  if (!shapes.empty()) {
    available = shapes.size();
    impulseSize = static_cast<uint16_t>(shapes.front().size());
    for (size_t k = 0; k < shapes.size(); ++k) {
      PulseHeader& p = alphabet[k];
      p.storage = shapes[k];
      p.lpData = p.storage.data();
      p.wSize = p.wReservedSize = impulseSize;
      p.wNumber = static_cast<uint16_t>(k + 1);
    }
  } else if (!makeAlphabet(shown, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet.data())) {
    err << "velmora-cli: the alphabet could not be made\n";
    return kExitRefused;
  }
  checkNumbers(plan.etalons, available, "--etalons", source);
  checkNumbers(plan.subset, available, "--subset", source);
  for (const std::vector<int32_t>& row : plan.subsets)
    checkNumbers(row, available, "--subsets", source);

  const uint32_t length = static_cast<uint32_t>(samples.size());
  if (impulseSize > plan.tmax || impulseSize > length) {
    err << "velmora-cli: the pulse shapes are " << impulseSize
        << " samples long; the searches take shapes of 1 to Tmax (" << plan.tmax
        << ") samples and no longer than the series (" << length << ")\n";
    return kExitRefused;
  }
  const uint16_t pmin = minPulseCount(length, impulseSize, plan.tmax);
  const uint16_t pmax = maxPulseCount(length, impulseSize, plan.tmin);
  if (pmax < pmin) {
    err << "velmora-cli: no number of pulses fits a series of " << length << " samples with "
        << "pulses of " << impulseSize << " samples, Tmin " << plan.tmin << " and Tmax "
        << plan.tmax << "\n";
    return kExitRefused;
  }
  if (plan.count > 0 && (plan.count < pmin || plan.count > pmax)) {
    err << "velmora-cli: --count " << plan.count << ": a series of " << length
        << " samples with pulses of " << impulseSize << " samples, Tmin " << plan.tmin
        << " and Tmax " << plan.tmax << " holds " << pmin << " to " << pmax << " pulses\n";
    return kExitRefused;
  }

  // The series record: the user's samples as the noisy series the searches read.
  SeriesHeader* series = getCutOffSeriesHeader(shown, kAlphabetSize, impulseSize, plan.tmin,
                                               plan.tmax, length, nullptr);
  if (!series) return kExitRefused;
  std::unique_ptr<SeriesHeader> ownedSeries(series);
  if (const std::string problem = loadSeries(*series, samples.data(), length, impulseSize, plan.count);
      !problem.empty()) {
    err << "velmora-cli: " << problem << "\n";
    return kExitRefused;
  }

  // Required etalons: those given, or every etalon (detection: the first).
  std::vector<uint16_t> required;
  for (int32_t n : plan.etalons) required.push_back(static_cast<uint16_t>(n));
  if (required.empty()) {
    const size_t count = plan.taskType == kTaskDetection ? 1 : available;
    for (size_t k = 0; k < count; ++k) required.push_back(static_cast<uint16_t>(k + 1));
  }
  std::vector<int32_t> rowSizes;
  std::vector<const int32_t*> rows;
  for (const std::vector<int32_t>& row : plan.subsets) {
    rowSizes.push_back(static_cast<int32_t>(row.size()));
    rows.push_back(row.data());
  }

  WindowReporter reporter(window);
  ChainsHeader* chains = getChainsHeader(reporter, 10, std::max(pmax, plan.count), nullptr);
  if (!chains) return kExitRefused;
  std::unique_ptr<ChainsHeader> ownedChains(chains);

  SearchInputs in;
  in.alphabet = alphabet.data();
  in.requiredCount = static_cast<uint16_t>(required.size());
  in.requiredList = required.data();
  in.tmin = plan.tmin;
  in.tmax = plan.tmax;
  in.procSavedLevel = plan.saved;
  in.selectedSubsetSize = static_cast<int32_t>(plan.subset.size());
  in.selectedSubset = plan.subset.empty() ? nullptr : plan.subset.data();
  in.subsetProceedingMode = 1;
  in.subsetCount = static_cast<int32_t>(rows.size());
  in.subsetSizes = rowSizes.empty() ? nullptr : rowSizes.data();
  in.subsetRows = rows.empty() ? nullptr : rows.data();
  const uint16_t seriesType = seriesTypeOf(plan);
  const SearchOutcome outcome =
      runSearch<FastKernels>(plan.taskType, seriesType, in, chains, series);
  if (!outcome.ran()) {
    err << "velmora-cli: " << outcome.noMemory << "\n";
    return kExitRefused;
  }
  addToChainsHeader(reporter, seriesType, plan.taskType, plan.saved, plan.saved, chains);

  const size_t found = std::min<size_t>(series->wFoundPulses, series->wReservedImpulses);
  const std::string inputName = plan.input == "-" ? "-" : plan.input;
  if (plan.json) {
    Json options;
    options["input"] = inputName;
    if (plan.column) options["column"] = *plan.column;
    options["task"] = plan.task;
    options["tmin"] = plan.tmin;
    options["tmax"] = plan.tmax;
    options["count"] = plan.count > 0 ? Json(plan.count) : Json("unknown");
    options["saved"] = plan.saved;
    options["etalonFile"] = plan.etalonFile ? Json(*plan.etalonFile) : Json();
    Json doc;
    doc["format"] = kFindFormat;
    doc["options"] = options;
    doc["taskType"] = plan.taskType;
    doc["seriesType"] = seriesType;
    doc["seriesSize"] = length;
    doc["impulseSize"] = impulseSize;
    doc["minPulses"] = pmin;
    doc["maxPulses"] = pmax;
    doc["requiredList"] = required;
    doc["foundPulses"] = series->wFoundPulses;
    doc["foundPositions"] = std::vector<int16_t>(series->lpFoundPositions, series->lpFoundPositions + found);
    doc["foundEtalons"] = std::vector<int16_t>(series->lpFoundEtalons, series->lpFoundEtalons + found);
    doc["foundFirstSamples"] =
        std::vector<int16_t>(series->lpFoundFirstSamples, series->lpFoundFirstSamples + found);
    doc["foundLastSamples"] =
        std::vector<int16_t>(series->lpFoundLastSamples, series->lpFoundLastSamples + found);
    doc["foundTuple"] = series->wFoundTuple;
    doc["result"] = outcome.result;
    doc["chains"] = chainsJson(*chains);
    out << dumpJson(doc);
    return kExitDone;
  }
  std::string text = "find: " + inputName + "\n";
  if (chains->lpTaskName && chains->lpSeriesTypeName)
    text += " " + std::string(chains->lpTaskName) + " for series with " +
            chains->lpSeriesTypeName + "\n";
  text += "series: length " + std::to_string(length) + ", Tmin " + std::to_string(plan.tmin) +
          ", Tmax " + std::to_string(plan.tmax) + ", pulses " +
          (plan.count > 0 ? std::to_string(plan.count)
                          : std::to_string(pmin) + ".." + std::to_string(pmax)) +
          ", saved level " + std::to_string(plan.saved) + "\n";
  text += "etalons: " + std::to_string(available) + " of " + std::to_string(impulseSize) +
          " samples from " + source + "\n";
  text += "found pulses (" + std::to_string(series->wFoundPulses) + "):";
  for (size_t k = 0; k < found; ++k)
    text += " " + std::to_string(series->lpFoundPositions[k]) + " (" +
            std::to_string(series->lpFoundEtalons[k]) + ") [" +
            std::to_string(series->lpFoundFirstSamples[k]) + ".." +
            std::to_string(series->lpFoundLastSamples[k]) + "]";
  text += "\n";
  if (tupleTask(plan.taskType)) text += "found tuple: " + std::to_string(series->wFoundTuple) + "\n";
  text += chainsHeaderText(*chains);
  if (text.back() != '\n') text += "\n";
  out << text;
  return kExitDone;
}

}  // namespace velmora::cli

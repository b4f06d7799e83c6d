// velmora-cli find: a series the user brings gives the answer of the same series
// synthesised by run, own shapes equal to alphabet etalons give the answer of their
// numbers, the input forms agree, and every unusable file is refused naming the place.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/find.h"
#include "tool_runner.h"

namespace velmora::testing {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class FindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/velmora-find-test-XXXXXX";
    dir_ = mkdtemp(name);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& text) const {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string lines(const json& values) {
    std::string text;
    for (const json& v : values) text += std::to_string(v.get<int>()) + "\n";
    return text;
  }
  static json runJson(const std::vector<std::string>& args) {
    std::vector<std::string> a{"run", "--json"};
    a.insert(a.end(), args.begin(), args.end());
    const ToolResult r = runTool(a);
    EXPECT_EQ(r.exitCode, 0) << commandLine(a) << "\n" << r.err;
    return json::parse(r.out)["runs"][0];
  }
  static json findJson(std::vector<std::string> args) {
    args.insert(args.begin(), "find");
    args.push_back("--json");
    const ToolResult r = runTool(args);
    EXPECT_EQ(r.exitCode, 0) << commandLine(args) << "\n" << r.err;
    return r.exitCode == 0 ? json::parse(r.out) : json();
  }

  fs::path dir_;
};

std::string joined(const json& numbers) {
  std::string text;
  for (const json& n : numbers) text += (text.empty() ? "" : ",") + std::to_string(n.get<int>());
  return text;
}

// Every task on every series type: the noisy series of a run, found again by find with
// the run's options, gives the run's answer and ranked chains.
TEST_F(FindTest, RunSeriesFoundAgainGivesTheRunsAnswerForEveryTaskAndSeriesType) {
  struct Case {
    std::vector<std::string> run;
    std::string task;
    bool known;
    std::string saved;
  } cases[] = {
      {{"--task", "recognition", "--series", "fixed-cutoff", "--length", "200"}, "recognition", true, "75"},
      {{"--task", "recognition", "--series", "unfixed-cutoff", "--length", "600"}, "recognition", false, "75"},
      {{"--task", "detection", "--series", "fixed-whole", "--etalons", "4"}, "detection", true, "100"},
      {{"--task", "joint", "--series", "unfixed-cutoff", "--etalons", "2,4,6", "--noise", "35"}, "joint", false, "75"},
      {{"--task", "series", "--series", "unfixed-whole", "--length", "600"}, "series", false, "100"},
      {{"--task", "detection", "--series", "fixed-tuples", "--subset", "1,2,3", "--length", "600"},
       "tuple-detection", true, "100"},
      {{"--task", "detection", "--series", "unfixed-tuples", "--subset", "5,6", "--length", "600"},
       "tuple-detection", false, "100"},
      {{"--task", "recognition", "--series", "fixed-tuples", "--subsets", "1,2;3,4,5", "--length", "600"},
       "tuple-recognition", true, "100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(commandLine(c.run));
    const json run = runJson(c.run);
    const json& series = run["series"];
    std::vector<std::string> args{"--input", write("series.txt", lines(series["noisyData"])),
                                  "--task", c.task, "--tmin", std::to_string(series["tmin"].get<int>()),
                                  "--tmax", std::to_string(series["tmax"].get<int>()), "--saved", c.saved};
    if (c.known) {
      args.push_back("--count");
      args.push_back(std::to_string(series["impulseQuantity"].get<int>()));
    }
    if (c.task == "tuple-detection") {
      args.insert(args.end(), {"--subset", c.run[5]});
    } else if (c.task == "tuple-recognition") {
      args.insert(args.end(), {"--subsets", c.run[5]});
    } else {
      args.insert(args.end(), {"--etalons", joined(run["requiredList"])});
    }
    const json found = findJson(args);
    ASSERT_FALSE(found.is_null());
    EXPECT_EQ(found["chains"]["pretenders"], run["chains"]["pretenders"]);
    EXPECT_EQ(found["foundPositions"], series["foundPositions"]);
    EXPECT_EQ(found["foundEtalons"], series["foundEtalons"]);
    EXPECT_EQ(found["foundFirstSamples"], series["foundFirstSamples"]);
    EXPECT_EQ(found["foundTuple"], series["foundTuple"]);
    EXPECT_FALSE(found["chains"]["pretenders"].empty());
  }
}

// Shapes equal to alphabet etalons find what their numbers find, numbered by the file.
TEST_F(FindTest, OwnShapesEqualToAlphabetEtalonsGiveTheSameAnswerAsTheirNumbers) {
  const ToolResult alphabet = runTool({"alphabet", "--json"});
  ASSERT_EQ(alphabet.exitCode, 0);
  const json etalons = json::parse(alphabet.out)["etalons"];
  std::string all, two;
  for (const json& e : etalons) {
    std::string row;
    for (const json& v : e["samples"]) row += (row.empty() ? "" : ", ") + std::to_string(v.get<int>());
    all += row + "\n";
    if (e["number"] == 3 || e["number"] == 7) two += "# etalon " + e["number"].dump() + "\n" + row + "\n";
  }
  const json run = runJson({"--task", "joint", "--etalons", "3,7", "--length", "600", "--noise", "35"});
  const std::string input = write("series.txt", lines(run["series"]["noisyData"]));
  const std::string count = std::to_string(run["series"]["impulseQuantity"].get<int>());

  const json byNumber = findJson({"--input", input, "--task", "joint", "--etalons", "3,7", "--count", count});
  const json byWholeFile = findJson({"--input", input, "--task", "joint", "--etalons", "3,7",
                                     "--count", count, "--etalon-file", write("all.txt", all)});
  EXPECT_EQ(byWholeFile["chains"], byNumber["chains"]);
  EXPECT_EQ(byNumber["chains"]["pretenders"], run["chains"]["pretenders"]);

  const json byTwo = findJson({"--input", input, "--task", "joint", "--count", count,
                               "--etalon-file", write("two.txt", two)});
  ASSERT_EQ(byTwo["chains"]["pretenders"].size(), byNumber["chains"]["pretenders"].size());
  for (size_t i = 0; i < byTwo["chains"]["pretenders"].size(); ++i) {
    json expected = byNumber["chains"]["pretenders"][i];
    for (json& e : expected["etalons"]) e = e.get<int>() == 3 ? 1 : 2;
    EXPECT_EQ(byTwo["chains"]["pretenders"][i], expected) << "chain " << i;
  }
}

// One integer per line, a CSV column by number or by name, CRLF lines and standard input
// are the same series.
TEST_F(FindTest, InputFormsReadTheSameSeries) {
  const json run = runJson({"--length", "200"});
  const json& data = run["series"]["noisyData"];
  std::string csv = "time,\"signal\",other\r\n";
  for (size_t k = 0; k < data.size(); ++k)
    csv += std::to_string(k) + ", " + std::to_string(data[k].get<int>()) + ",x\r\n";
  csv += "\r\n\r\n";
  const std::string csvPath = write("series.csv", csv);
  const std::vector<std::string> common{"--count", "3"};
  auto with = [&](std::vector<std::string> a) {
    a.insert(a.end(), common.begin(), common.end());
    return findJson(a)["chains"];
  };
  const json plain = with({"--input", write("series.txt", lines(data))});
  EXPECT_EQ(plain["pretenders"], run["chains"]["pretenders"]);
  EXPECT_EQ(with({"--input", csvPath, "--column", "2"}), plain);
  EXPECT_EQ(with({"--input", csvPath, "--column", "signal"}), plain);

  std::istringstream in(lines(data));
  std::ostringstream out, err;
  cli::FindOptions options;
  options.input = "-";
  options.count = "3";
  options.json = true;
  ASSERT_EQ(cli::findCommand(cli::checkFindOptions(options), in, out, err), 0) << err.str();
  EXPECT_EQ(json::parse(out.str())["chains"], plain);
}

// Unusable files and values: exit 1 (files) or 2 (options), a message naming the file and
// line or the limit, and nothing on stdout.
TEST_F(FindTest, UnusableInputIsRefusedNamingTheFileAndLine) {
  std::string series;
  for (int k = 0; k < 300; ++k) series += std::to_string(k % 7 * 10) + "\n";
  const std::string input = write("in.txt", series);
  std::string longShape;
  for (int k = 0; k < 190; ++k) longShape += "5 ";
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string message;
  } cases[] = {
      {{"--input", write("big.txt", "1\n2\n40000\n")}, 1, "big.txt:3: 40000 does not fit 16 bits"},
      {{"--input", write("neg.txt", "1\n-32769\n")}, 1, "neg.txt:2: -32769 does not fit 16 bits"},
      {{"--input", write("huge.txt", "99999999999999999999999\n")}, 1, "huge.txt:1: 9999"},
      {{"--input", write("word.txt", "1\n2.5\n")}, 1, "word.txt:2: '2.5' is not an integer"},
      {{"--input", write("gap.txt", "1\n\n3\n")}, 1, "gap.txt:2: no sample"},
      {{"--input", write("empty.txt", "\n\n")}, 1, "empty.txt: no samples"},
      {{"--input", (dir_ / "missing.txt").string()}, 1, "missing.txt: cannot be read"},
      {{"--input", dir_.string()}, 1, ": cannot be read"},
      {{"--input", write("long.txt", "1\n" + std::string(70000, '7') + "\n")}, 1,
       "long.txt:2: a line longer than 65536 characters"},
      {{"--input", write("c.csv", "a,b\n1,2\n3\n"), "--column", "b"}, 1, "c.csv:3: no column 2 (the line has 1)"},
      {{"--input", write("d.csv", "a,b\n1,2\n"), "--column", "z"}, 1, "d.csv:1: no column named 'z'"},
      {{"--input", input, "--etalon-file", write("e1.txt", "1 2 3\n1 2\n")}, 1,
       "e1.txt:2: a shape of 2 samples, but the first has 3"},
      {{"--input", input, "--etalon-file", write("e2.txt", "# none\n\n")}, 1, "e2.txt: no pulse shapes"},
      {{"--input", input, "--etalon-file", write("e3.txt", "0 0 0\n")}, 1, "e3.txt:1: the shape is all zeros"},
      {{"--input", input, "--etalon-file", write("e4.txt", [] {
          std::string t;
          for (int k = 0; k < 21; ++k) t += "1 2 3\n";
          return t;
        }())},
       1, "e4.txt:21: more than 20 pulse shapes"},
      {{"--input", input, "--etalon-file", write("e5.txt", longShape + "\n")}, 1,
       "the pulse shapes are 190 samples long; the searches take shapes of 1 to Tmax (181)"},
      {{"--input", input, "--etalon-file", write("e6.txt", "1 2\n3 4\n"), "--etalons", "3"}, 2,
       "--etalons: etalon 3 is not among the 2 etalons"},
      {{"--input", input, "--count", "40"}, 1, "--count 40: a series of 300 samples"},
      {{"--input", input, "--tmin", "50", "--tmax", "40"}, 2, "--tmin 50 is above --tmax 40"},
      {{"--input", input, "--task", "tuple-detection"}, 2, "tuple-detection needs --subset"},
      {{"--input", input, "--saved", "0"}, 2, "--saved"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"find"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ToolResult r = runTool(args);
    EXPECT_EQ(r.exitCode, c.exit) << commandLine(args) << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << commandLine(args) << "\n" << r.err;
    EXPECT_EQ(r.out, "") << commandLine(args);
  }
}

// The longest series the searches take is read; one sample more is refused.
TEST(FindInput, SeriesLengthLimit) {
  std::string text;
  for (int k = 0; k < 32767; ++k) text += "1\n";
  std::istringstream longest(text);
  EXPECT_EQ(cli::readSeries(longest, "s", std::nullopt).size(), 32767u);
  std::istringstream tooLong(text + "1\n");
  EXPECT_THROW(cli::readSeries(tooLong, "s", std::nullopt), cli::InputError);
}

}  // namespace
}  // namespace velmora::testing

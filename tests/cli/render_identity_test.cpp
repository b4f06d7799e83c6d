// The pictures of velmora-cli render, pinned byte for byte: golden/render_identity.txt holds
// a set of render commands that together draw every view (the alphabet, the results of
// every task on the series types, subsets, the parameters panel with its clicks and drags,
// the statistics in every graph mode, drawing settings, small areas and a pixel ratio of 2)
// and the checksum of each picture. The pictures are uncompressed BMP files, whose bytes
// are the pixels, and a few SVG documents. A reshaping of the views must leave every
// checksum as it is; after a deliberate change of a picture, run with
// VELMORA_UPDATE_GOLDEN=1 to rewrite the checksums and review the pictures.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// One line of the file: "CHECKSUM PICTURE ARG ARG ...", the arguments after "render"; or
// a comment (# ...) or blank line, kept as it is when the checksums are rewritten.
struct Case {
  std::string comment;
  std::string checksum;
  std::string picture;  // file name; its extension picks the format
  std::vector<std::string> args;
};

const std::string kFile = std::string(VELMORA_CLI_GOLDEN_DIR) + "/render_identity.txt";

void readCases(std::vector<Case>& cases) {
  std::ifstream in(kFile);
  ASSERT_TRUE(in.good()) << "missing " << kFile;
  std::string line;
  while (std::getline(in, line)) {
    Case c;
    if (line.empty() || line[0] == '#') {
      c.comment = line;
      cases.push_back(c);
      continue;
    }
    std::istringstream words(line);
    words >> c.checksum >> c.picture;
    for (std::string w; words >> w;) c.args.push_back(w);
    ASSERT_FALSE(c.picture.empty()) << line;
    cases.push_back(c);
  }
}

// FNV-1a, 64 bits, in hex.
std::string checksumOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  uint64_t h = 14695981039346656037ull;
  for (unsigned char byte : s.str()) {
    h ^= byte;
    h *= 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016" PRIx64, h);
  return text;
}

TEST(RenderIdentity, EveryPictureKeepsItsBytes) {
  std::vector<Case> cases;
  readCases(cases);
  char name[] = "/tmp/velmora-render-identity-XXXXXX";
  const fs::path dir = mkdtemp(name);
  const bool update = std::getenv("VELMORA_UPDATE_GOLDEN") != nullptr;

  std::string rewritten;
  int pictures = 0;
  for (const Case& c : cases) {
    if (c.picture.empty()) {
      rewritten += c.comment + "\n";
      continue;
    }
    ++pictures;
    std::vector<std::string> args{"render"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const std::string out = (dir / c.picture).string();
    args.push_back("--out");
    args.push_back(out);
    const ToolResult r = runTool(args);
    EXPECT_EQ(r.exitCode, 0) << commandLine(args) << "\n" << r.err;
    const std::string sum = checksumOf(out);
    fs::remove(out);
    if (!update) {
      EXPECT_EQ(sum, c.checksum) << c.picture << ": " << commandLine(args);
    }
    rewritten += sum + " " + c.picture;
    for (const std::string& a : c.args) rewritten += " " + a;
    rewritten += "\n";
  }
  fs::remove_all(dir);
  EXPECT_GT(pictures, 0);
  if (update) {
    std::ofstream(kFile) << rewritten;
    GTEST_SKIP() << "rewrote " << kFile;
  }
}

}  // namespace
}  // namespace velmora::testing

// Where the resources are found from the location of the running code.
#include "common/resource_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;

class ResourceDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/velmora-resource-test-XXXXXX";
    root_ = mkdtemp(name);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string file(const fs::path& relative) const {
    fs::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative) << "x";
    return (root_ / relative).string();
  }
  fs::path root_;
};

TEST_F(ResourceDirTest, InstalledProgramsAndModulesFindTheirPrefixesShare) {
  fs::create_directories(root_ / "usr/share/velmora/fonts");
  const std::string expected = (root_ / "usr/share/velmora").string();
  EXPECT_EQ(findResourceDir(file("usr/bin/velmora-cli")), expected);
  EXPECT_EQ(findResourceDir(file("usr/lib/python3/dist-packages/velmora.so")), expected);
  // A share/velmora without fonts is not an installation.
  fs::create_directories(root_ / "usr/bin/share/velmora");
  EXPECT_EQ(findResourceDir(file("usr/bin/velmora")), expected);
}

TEST_F(ResourceDirTest, BuildTreesFindTheirLinkAndNothingElseIsGuessed) {
  fs::create_directories(root_ / "sources/resources");
  fs::create_directories(root_ / "build");
  fs::create_directory_symlink(root_ / "sources/resources", root_ / "build/velmora-resources");
  EXPECT_EQ(findResourceDir(file("build/src/cli/velmora-cli")),
            (root_ / "build/velmora-resources").string());
  EXPECT_EQ(findResourceDir(file("elsewhere/bin/velmora-cli")), "");
  EXPECT_EQ(findResourceDir(""), "");
}

TEST_F(ResourceDirTest, AnOverrideComesFirstAndIsUndone) {
  setResourceDir(root_.string());
  EXPECT_EQ(resourceDir(), root_.string());
  setResourceDir("");
  EXPECT_NE(resourceDir(), root_.string());
}

}  // namespace
}  // namespace velmora

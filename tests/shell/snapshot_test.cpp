#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "export/bmp.h"
#include "export/pcx.h"
#include "export/png.h"
#include "shell/snapshot.h"
#include "support/fake_window.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
using namespace snapshot_text;
using Messages = std::vector<std::pair<std::string, std::string>>;

class SnapshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/velmora-snapshot-XXXXXX";
    dir_ = mkdtemp(name);
    captured = Image(45, 17, kWindowBackground);
    for (int32_t x = 0; x < captured.width; ++x) captured.at(x, x % 17) = rgb(x * 5, 0, 90).packed();
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::string str(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

  // Runs the command with `name` chosen in the dialog; returns the messages it showed,
  // their first lines, and keeps what followed them in `details`.
  Messages save(const std::string& name) {
    FakeWindow w;
    w.saveFileName = name;
    EXPECT_EQ(saveSnapshot(w, captured, svg), 1);
    Messages shown;
    details.clear();
    for (const Message& m : w.messages) {
      const size_t end = m.text.find('\n');
      shown.emplace_back(m.text.substr(0, end), m.shownCaption());
      if (end != std::string::npos) details += m.text.substr(end + 1) + "|";
    }
    return shown;
  }

  std::string details;

  Image captured;
  int svgCalls = 0;
  std::function<std::string()> svg = [this] {
    ++svgCalls;
    return std::string("<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n");
  };
  fs::path dir_;
};

TEST_F(SnapshotTest, TheDialogAsksForANameAndItsExtensionChoosesTheFormat) {
  FakeWindow w;
  EXPECT_EQ(saveSnapshot(w, captured, svg), 1);  // cancelled
  ASSERT_EQ(w.saveFileRequests.size(), 1u);
  const SaveFileRequest& r = w.saveFileRequests[0];
  EXPECT_EQ(r.title, "Snapshot File Name");
  ASSERT_EQ(r.filters.size(), 4u);
  EXPECT_EQ(r.filters[0].description, "Bitmap Files (*.bmp)");
  EXPECT_EQ(r.filters[0].pattern, "*.bmp");
  EXPECT_EQ(r.filters[1].description, "PCX Files (*.pcx)");
  EXPECT_EQ(r.filters[1].pattern, "*.pcx");
  EXPECT_EQ(r.filters[2].pattern, "*.png");
  EXPECT_EQ(r.filters[3].pattern, "*.svg");
  EXPECT_EQ(r.defaultExtension, "bmp");
  EXPECT_TRUE(r.confirmOverwrite);
  EXPECT_TRUE(w.messages.empty());

  // The shortest name that counts, in the current folder.
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  EXPECT_EQ(save("a.bmp"), Messages{});
  fs::current_path(before);
  EXPECT_EQ(read(path("a.bmp")), str(encodeBmp(captured)));

  EXPECT_EQ(save(path("CAPS.PCX")), Messages{});
  EXPECT_EQ(read(path("CAPS.PCX")), str(encodePcx(captured)));
  EXPECT_EQ(save(path("mixed.Png")), Messages{});
  EXPECT_EQ(readPng(path("mixed.Png")).pixels, captured.pixels);
  EXPECT_EQ(svgCalls, 0);  // drawn only when asked for
  EXPECT_EQ(save(path("view.svg")), Messages{});
  EXPECT_EQ(read(path("view.svg")), svg());

  // Any other extension, or a name too short to carry one, writes nothing and says nothing.
  for (const std::string& other : {path("photo.jpg"), path("bmp"), path("x.bmpx"), std::string(".bmp")})
    EXPECT_EQ(save(other), Messages{}) << other;
  EXPECT_EQ(entries(), (std::vector<std::string>{"CAPS.PCX", "a.bmp", "mixed.Png", "view.svg"}));
}

TEST_F(SnapshotTest, AFailedWriteShowsItsMessagesAndLeavesNoFile) {
  fs::create_directory(dir_ / "folder.bmp");
  fs::create_directory(dir_ / "folder.pcx");
  EXPECT_EQ(save(path("folder.bmp")),
            (Messages{{kCreateFile, kAboutBitmap}, {kBmpNotCreated, kAboutBitmap}}));
  // The second line of the first message names the file and the system's reason.
  EXPECT_EQ(details, "cannot write " + path("folder.bmp") + ": Is a directory|");
  EXPECT_EQ(save(path("folder.pcx")),
            (Messages{{kCreateFile, kAboutPcx}, {kPcxNotCreated, kAboutBitmap}}));
  EXPECT_EQ(save(path("missing/x.png")),
            (Messages{{kCreateFile, kAboutPng}, {kPngNotCreated, kAboutBitmap}}));
  EXPECT_EQ(details, "cannot create a temporary file for " + path("missing/x.png") +
                         ": No such file or directory|");
  EXPECT_EQ(save(path("missing/x.svg")),
            (Messages{{kCreateFile, kAboutSvg}, {kSvgNotCreated, kAboutBitmap}}));

  // A full device fails the first write of each format.
  fs::create_symlink("/dev/full", dir_ / "full.bmp");
  fs::create_symlink("/dev/full", dir_ / "full.pcx");
  fs::create_symlink("/dev/full", dir_ / "full.png");
  fs::create_symlink("/dev/full", dir_ / "full.svg");
  EXPECT_EQ(save(path("full.bmp")),
            (Messages{{kBmpFileHeader, kAboutBitmap}, {kBmpNotCreated, kAboutBitmap}}));
  EXPECT_EQ(save(path("full.pcx")),
            (Messages{{kPcxHeader, kAboutPcx}, {kPcxNotCreated, kAboutBitmap}}));
  EXPECT_EQ(save(path("full.png")), (Messages{{kPngData, kAboutPng}, {kPngNotCreated, kAboutBitmap}}));
  EXPECT_EQ(details, "cannot write " + path("full.png") + ": No space left on device|");
  EXPECT_EQ(save(path("full.svg")), (Messages{{kSvgData, kAboutSvg}, {kSvgNotCreated, kAboutBitmap}}));

  // A disk that fills up part way (the file size limit stands in for it): the existing
  // file keeps its content and no temporary file is left.
  std::ofstream(path("kept.bmp")) << "earlier picture";
  std::ofstream(path("kept.pcx")) << "earlier picture";
  const auto withLimit = [&](rlim_t bytes, const std::string& name) {
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit limit = saved;
    limit.rlim_cur = bytes;
    const auto handler = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const Messages shown = save(path(name));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, handler);
    return shown;
  };
  EXPECT_EQ(withLimit(10, "kept.bmp"), (Messages{{kBmpFileHeader, kAboutBitmap}, {kBmpNotCreated, kAboutBitmap}}));
  EXPECT_EQ(withLimit(30, "kept.bmp"), (Messages{{kBmpInfoHeader, kAboutBitmap}, {kBmpNotCreated, kAboutBitmap}}));
  EXPECT_EQ(withLimit(100, "kept.bmp"), (Messages{{kBmpBits, kAboutBitmap}, {kBmpNotCreated, kAboutBitmap}}));
  EXPECT_EQ(withLimit(100, "kept.pcx"), (Messages{{kPcxHeader, kAboutPcx}, {kPcxNotCreated, kAboutBitmap}}));
  EXPECT_EQ(withLimit(150, "kept.pcx"), (Messages{{kPcxCodes, kAboutPcx}, {kPcxNotCreated, kAboutBitmap}}));
  EXPECT_EQ(read(path("kept.bmp")), "earlier picture");
  EXPECT_EQ(read(path("kept.pcx")), "earlier picture");

  // Nothing to save: an empty capture, or no SVG drawing.
  captured = Image();
  EXPECT_EQ(save(path("empty.bmp")), (Messages{{kBitmapQuery, kAboutBitmap}, {kBmpNotCreated, kAboutBitmap}}));
  EXPECT_EQ(save(path("empty.pcx")), (Messages{{kPcxNotCreated, kAboutBitmap}}));
  svg = nullptr;
  EXPECT_EQ(save(path("none.svg")), (Messages{{kSvgNotCreated, kAboutBitmap}}));
  EXPECT_EQ(details, "");  // no file was tried, so there is no reason to add
  svg = []() -> std::string { throw std::bad_alloc(); };
  EXPECT_EQ(save(path("none.svg")), (Messages{{kSvgNotCreated, kAboutBitmap}}));

  EXPECT_EQ(entries(), (std::vector<std::string>{"folder.bmp", "folder.pcx", "full.bmp", "full.pcx",
                                                 "full.png", "full.svg", "kept.bmp", "kept.pcx"}));
}

}  // namespace
}  // namespace velmora::testing

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "common/atomic_file.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/velmora-atomic-XXXXXX";
    path_ = mkdtemp(name);
    fs::permissions(path_, fs::perms(0755));
  }
  ~TempDir() {
    fs::permissions(path_, fs::perms::all, fs::perm_options::add);
    for (const auto& e : fs::recursive_directory_iterator(path_))
      if (e.symlink_status().type() == fs::file_type::directory)
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(path_);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  std::vector<std::string> entries(const std::string& sub = "") const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_ / sub)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

mode_t modeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

ino_t inodeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_ino;
}

OutputFile text(const std::string& path, const std::string& content) {
  return OutputFile{path, content, {}};
}

TEST(AtomicFile, WritesEveryFileWithTheUsualModeAndKeepsAReplacedFilesMode) {
  TempDir dir;
  const mode_t oldMask = ::umask(027);
  writeText(dir / "private.json", "old");
  ::chmod((dir / "private.json").c_str(), 0600);
  const WriteOutcome o = writeFilesAtomically(
      {text(dir / "private.json", "new json"), text(dir / "fresh.csv", "new csv"),
       OutputFile{dir / "streamed.bin", "",
                  [](FileSink& sink) { return sink.write("abc") && sink.write(std::string(70000, 'z')); }}});
  ::umask(oldMask);
  ASSERT_TRUE(o.ok()) << o.message;
  EXPECT_EQ(readText(dir / "private.json"), "new json");
  EXPECT_EQ(modeOf(dir / "private.json") & 07777, 0600u);
  EXPECT_EQ(readText(dir / "fresh.csv"), "new csv");
  EXPECT_EQ(modeOf(dir / "fresh.csv") & 07777, 0640u);
  EXPECT_EQ(readText(dir / "streamed.bin"), "abc" + std::string(70000, 'z'));
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"fresh.csv", "private.json", "streamed.bin"}));
}

// Every way a target is written keeps its mode, special bits included: the first of
// several targets (which keeps a way back while the renames run), the last, one put back
// after a later rename failed, and a FIFO written in place.
TEST(AtomicFile, EveryWritePathKeepsTheTargetsMode) {
  TempDir dir;
  writeText(dir / "first.bin", "old");
  writeText(dir / "last.bin", "old");
  ::chmod((dir / "first.bin").c_str(), 02750);
  ::chmod((dir / "last.bin").c_str(), 0604);
  ASSERT_TRUE(writeFilesAtomically({text(dir / "first.bin", "a"), text(dir / "last.bin", "b")}).ok());
  EXPECT_EQ(modeOf(dir / "first.bin") & 07777, 02750u);
  EXPECT_EQ(modeOf(dir / "last.bin") & 07777, 0604u);

  // The second rename fails: the first target comes back from its way back, mode and all.
  const WriteOutcome o = writeFilesAtomically(
      {text(dir / "first.bin", "new"), OutputFile{dir / "last.bin", "", [&](FileSink& sink) {
                                                   fs::remove(dir / "last.bin");
                                                   fs::create_directory(dir / "last.bin");
                                                   return sink.write("x");
                                                 }}});
  EXPECT_EQ(o.stage, WriteStage::kReplace);
  EXPECT_EQ(readText(dir / "first.bin"), "a");
  EXPECT_EQ(modeOf(dir / "first.bin") & 07777, 02750u);

  const std::string fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ::chmod(fifo.c_str(), 0620);
  const int reader = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_TRUE(writeFileAtomically(text(fifo, "through")).ok());
  ::close(reader);
  EXPECT_EQ(modeOf(fifo) & 07777, 0620u);
}

TEST(AtomicFile, ASymlinkIsWrittenThroughAndStaysALink) {
  TempDir dir;
  fs::create_directory(dir / "real");
  writeText(dir / "real/picture.bmp", "old");
  ::chmod((dir / "real/picture.bmp").c_str(), 0640);
  fs::create_symlink("real/picture.bmp", dir / "link.bmp");  // relative to the link's folder
  fs::create_symlink(dir / "link.bmp", dir / "chain.bmp");
  fs::create_symlink("real/later.bmp", dir / "dangling.bmp");
  ASSERT_TRUE(writeFilesAtomically({text(dir / "chain.bmp", "new"),
                                    text(dir / "dangling.bmp", "created")}).ok());
  EXPECT_TRUE(fs::is_symlink(dir / "link.bmp"));
  EXPECT_TRUE(fs::is_symlink(dir / "chain.bmp"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.bmp"));
  EXPECT_EQ(readText(dir / "real/picture.bmp"), "new");
  EXPECT_EQ(modeOf(dir / "real/picture.bmp") & 07777, 0640u);
  EXPECT_EQ(readText(dir / "real/later.bmp"), "created");
  EXPECT_EQ(dir.entries("real"), (std::vector<std::string>{"later.bmp", "picture.bmp"}));

  fs::create_symlink("loop.bmp", dir / "loop.bmp");
  const WriteOutcome loop = writeFileAtomically(text(dir / "loop.bmp", "x"));
  EXPECT_EQ(loop.stage, WriteStage::kTarget);
  EXPECT_NE(loop.message.find("Too many levels of symbolic links"), std::string::npos);
}

TEST(AtomicFile, TargetsThatAreNotRegularFilesAreWrittenInPlace) {
  TempDir dir;
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Held open for reading and writing, so the writer neither blocks nor gets SIGPIPE.
  const int reader = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(writeFilesAtomically({text(fifo, "through the pipe"), text("/dev/null", "gone")}).ok());
  char buffer[64] = {};
  EXPECT_EQ(::read(reader, buffer, sizeof buffer), 16);
  EXPECT_EQ(std::string(buffer), "through the pipe");
  ::close(reader);
  EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
  EXPECT_TRUE(S_ISCHR(modeOf("/dev/null")));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"pipe"});

  // A descriptor of the process, as /dev/stdout is: written at the descriptor's position.
  const int own = ::open((dir / "own.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_EQ(::write(own, "head ", 5), 5);
  ASSERT_TRUE(writeFileAtomically(text("/dev/fd/" + std::to_string(own), "body ")).ok());
  ASSERT_EQ(::write(own, "tail", 4), 4);
  ::close(own);
  EXPECT_EQ(readText(dir / "own.txt"), "head body tail");
  fs::remove(dir / "own.txt");

  // A full device reports the write error; the regular output beside it is not written.
  writeText(dir / "kept.txt", "kept");
  const WriteOutcome full =
      writeFilesAtomically({text(dir / "kept.txt", "replaced"), text("/dev/full", "x")});
  EXPECT_EQ(full.stage, WriteStage::kWrite);
  EXPECT_EQ(full.index, 1u);
  EXPECT_EQ(full.message, "cannot write /dev/full: No space left on device");
  EXPECT_TRUE(S_ISCHR(modeOf("/dev/full")));
  EXPECT_EQ(readText(dir / "kept.txt"), "kept");
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"kept.txt", "pipe"}));
}

TEST(AtomicFile, TheSameFileUnderTwoNamesIsRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  writeText(dir / "a.txt", "a");
  fs::create_hard_link(dir / "a.txt", dir / "hard.txt");
  fs::create_symlink("a.txt", dir / "soft.txt");
  EXPECT_TRUE(isSameFile(dir / "same.out", dir / "./same.out"));  // neither exists yet
  EXPECT_TRUE(isSameFile(dir / "a.txt", dir / "hard.txt"));
  EXPECT_TRUE(isSameFile(dir / "soft.txt", dir / "./a.txt"));
  EXPECT_FALSE(isSameFile(dir / "a.txt", dir / "b.txt"));
  EXPECT_FALSE(isSameFile(dir / "a.txt", dir / "same.out"));
  for (const auto& [first, second] : {std::pair{"same.out", "./same.out"},
                                      std::pair{"a.txt", "hard.txt"}, std::pair{"soft.txt", "a.txt"}}) {
    const WriteOutcome o = writeFilesAtomically({text(dir / first, "1"), text(dir / second, "2")});
    EXPECT_EQ(o.stage, WriteStage::kTarget) << first;
    EXPECT_EQ(o.index, 1u);
    EXPECT_EQ(o.message, dir / first + " and " + dir / second + " are the same file");
  }
  EXPECT_EQ(readText(dir / "a.txt"), "a");
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.txt", "hard.txt", "soft.txt"}));
}

// Runs `f` where `folder` cannot be written: with the folder made read-only, and, since
// permissions do not stop the superuser, as the unprivileged user "nobody" in a child
// process when the test runs as root. Returns what `f` returns.
int withoutWriteAccess(const std::string& folder, const std::function<int()>& f) {
  fs::permissions(folder, fs::perms(0555));
  if (::geteuid() != 0) {
    const int r = f();
    fs::permissions(folder, fs::perms(0755));
    return r;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    ::_exit(f());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  fs::permissions(folder, fs::perms(0755));
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(AtomicFile, EveryFailureLeavesNoFileAndKeepsTheExistingOnes) {
  TempDir dir;
  writeText(dir / "old.json", "old json");
  fs::create_directory(dir / "somedir");
  const ino_t inode = inodeOf(dir / "old.json");
  const auto unchanged = [&] {
    EXPECT_EQ(readText(dir / "old.json"), "old json");
    EXPECT_EQ(inodeOf(dir / "old.json"), inode);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"locked", "old.json", "somedir"}));
  };
  fs::create_directory(dir / "locked");
  writeText(dir / "locked/kept.png", "kept");

  // A directory as the second target.
  WriteOutcome o = writeFilesAtomically({text(dir / "old.json", "new"), text(dir / "somedir", "x")});
  EXPECT_EQ(o.stage, WriteStage::kTarget);
  EXPECT_EQ(o.message, "cannot write " + dir / "somedir" + ": Is a directory");
  unchanged();

  // A folder that cannot be written.
  const int stage = withoutWriteAccess(dir / "locked", [&] {
    return static_cast<int>(writeFileAtomically(text(dir / "locked/kept.png", "new")).stage);
  });
  EXPECT_EQ(stage, static_cast<int>(WriteStage::kCreate));
  EXPECT_EQ(readText(dir / "locked/kept.png"), "kept");
  EXPECT_EQ(dir.entries("locked"), std::vector<std::string>{"kept.png"});
  o = writeFilesAtomically({text(dir / "old.json", "new"), text(dir / "missing/x.csv", "x")});
  EXPECT_EQ(o.stage, WriteStage::kCreate);
  EXPECT_EQ(o.message, "cannot create a temporary file for " + dir / "missing/x.csv" +
                           ": No such file or directory");
  unchanged();

  // A write error on a regular file: the file size limit stands in for a full disk.
  struct rlimit saved {};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit small = saved;
  small.rlim_cur = 1000;
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  o = writeFilesAtomically({text(dir / "new.txt", "fits"), text(dir / "old.json", std::string(5000, 'x'))});
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(o.stage, WriteStage::kWrite);
  EXPECT_EQ(o.index, 1u);
  EXPECT_EQ(o.message, "cannot write " + dir / "old.json" + ": File too large");
  unchanged();

  // A writer that gives up, and one that throws.
  o = writeFilesAtomically({OutputFile{dir / "old.json", "", [](FileSink& s) { return s.write("half") && false; }}});
  EXPECT_EQ(o.stage, WriteStage::kWrite);
  EXPECT_EQ(o.message, "cannot write " + dir / "old.json" + ": the content could not be made");
  unchanged();
  EXPECT_THROW(writeFilesAtomically({text(dir / "new.txt", "new"),
                                     OutputFile{dir / "old.json", "",
                                                [](FileSink&) -> bool { throw std::bad_alloc(); }}}),
               std::bad_alloc);
  unchanged();
}

TEST(AtomicFile, ARenameFailingAfterAnEarlierOnePutsTheEarlierTargetsBack) {
  TempDir dir;
  writeText(dir / "first.json", "first");
  writeText(dir / "third.csv", "third");
  const ino_t inode = inodeOf(dir / "first.json");
  // The last writer turns its target into a folder once every target has been checked,
  // so only its rename fails, after the two before it have replaced their targets.
  const WriteOutcome o = writeFilesAtomically(
      {text(dir / "first.json", "new first"), text(dir / "second.txt", "new second"),
       OutputFile{dir / "third.csv", "", [&](FileSink& sink) {
                    fs::remove(dir / "third.csv");
                    fs::create_directories(dir / "third.csv/inside");
                    return sink.write("new third");
                  }}});
  EXPECT_EQ(o.stage, WriteStage::kReplace);
  EXPECT_EQ(o.index, 2u);
  EXPECT_EQ(o.message.rfind("cannot replace " + dir / "third.csv" + ": ", 0), 0u) << o.message;
  EXPECT_EQ(readText(dir / "first.json"), "first");
  EXPECT_EQ(inodeOf(dir / "first.json"), inode);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"first.json", "third.csv"}));
}

}  // namespace
}  // namespace velmora::testing

#include "common/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

std::atomic<bool (*)()> gInterruptCheck{nullptr};

// Whether a wait a signal interrupted is to be given up rather than resumed.
bool interruptRequested() {
  bool (*check)() = gInterruptCheck.load();
  return check != nullptr && check();
}

// While alive, the signals that end a program by default wait on this thread.
class EndingSignalsHeld {
 public:
  EndingSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  EndingSignalsHeld(const EndingSignalsHeld&) = delete;
  EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

 private:
  sigset_t previous_{};
};

}  // namespace

void setWriteInterruptCheck(bool (*check)()) { gInterruptCheck.store(check); }

bool FileSink::write(const void* data, size_t size) {
  if (error_ != 0) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR && !interruptRequested()) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : EIO;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
    written_ += static_cast<uint64_t>(n);
  }
  return true;
}

namespace {

constexpr int kMaxLinkHops = 40;

std::string errorText(int error) { return std::strerror(error); }

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool underProc(const std::string& path) { return path.rfind("/proc/", 0) == 0; }

// The descriptor N that /proc/self/fd/N or /dev/fd/N names; -1 for any other path.
int descriptorNamed(const std::string& path) {
  for (const char* prefix : {"/proc/self/fd/", "/dev/fd/"}) {
    const std::string pre(prefix);
    if (path.size() <= pre.size() || path.compare(0, pre.size(), pre) != 0) continue;
    long n = 0;
    for (size_t k = pre.size(); k < path.size(); ++k) {
      if (path[k] < '0' || path[k] > '9' || n > INT_MAX / 10) return -1;
      n = n * 10 + (path[k] - '0');
    }
    return static_cast<int>(n);
  }
  return -1;
}

// What one path names, found before anything is written.
struct Target {
  std::string path;      // as given
  std::string final;     // after following symbolic links
  bool inPlace = false;  // not a regular file: written where it is
  int descriptor = -1;   // a descriptor of this process the path names (/dev/stdout)
  bool exists = false;
  struct stat info {};   // of `final`, when it exists
  int error = 0;         // a reason the target cannot be written at all
};

// Follows `path` through symbolic links. A name under /proc stops the walk: such links
// (/proc/self/fd/1 behind /dev/stdout) name open files rather than places in a folder.
// One that names a descriptor of this process is written through that descriptor, so
// that what is written shares its position with the process's own output (a standard
// output redirected to a file is not overwritten from its start).
Target inspect(const std::string& path) {
  Target t;
  t.path = path;
  if (path.empty()) {
    t.error = ENOENT;
    return t;
  }
  std::string p = path;
  for (int hop = 0;; ++hop) {
    t.descriptor = descriptorNamed(p);
    if (t.descriptor >= 0 || underProc(p)) {
      t.final = p;
      t.inPlace = true;
      break;
    }
    struct stat link {};
    if (::lstat(p.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
      t.final = p;
      break;
    }
    if (hop == kMaxLinkHops) {
      t.final = p;
      t.error = ELOOP;
      return t;
    }
    std::string to(PATH_MAX, '\0');
    const ssize_t n = ::readlink(p.c_str(), to.data(), to.size());
    if (n < 0) {
      t.final = p;
      t.error = errno;
      return t;
    }
    to.resize(static_cast<size_t>(n));
    p = (to.empty() || to[0] == '/') ? to : folderOf(p) + "/" + to;
  }
  if (::stat(t.final.c_str(), &t.info) == 0) {
    t.exists = true;
    if (S_ISDIR(t.info.st_mode)) t.error = EISDIR;
    else if (!S_ISREG(t.info.st_mode)) t.inPlace = true;
  }
  return t;
}

// The path a target that does not exist yet would have, with its folder resolved.
std::string resolvedPath(const Target& t) {
  const std::string folder = folderOf(t.final);
  char* real = ::realpath(folder.c_str(), nullptr);
  std::string base;
  if (real) {
    base = real;
    std::free(real);
  } else {
    base = folder;
  }
  return base + "/" + nameOf(t.final);
}

bool sameFile(const Target& a, const Target& b) {
  if (a.exists != b.exists) return false;
  if (a.exists) return a.info.st_dev == b.info.st_dev && a.info.st_ino == b.info.st_ino;
  return resolvedPath(a) == resolvedPath(b);
}

// A new file beside `path` with a name no one else uses. -1 with errno set on failure.
int createUnique(const std::string& path, const char* tag, mode_t mode, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%s-%x-%x", tag, static_cast<unsigned>(::getpid()),
                  counter.fetch_add(1));
    name = path + suffix;
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno == ENAMETOOLONG) {
      // A name near the system's limit leaves no room for the suffix: use a short one.
      name = folderOf(path) + "/.velmora" + suffix;
      fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    }
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

int closeChecked(int fd) {
  // A close interrupted by a signal has still released the descriptor on Linux.
  if (::close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

// One output's progress through the call, so that the way out of any failure knows what
// to remove and what to put back.
struct Pending {
  Target target;
  std::string temporary;  // written, not yet renamed
  std::string wayBack;    // the previous content, kept while the renames run
  bool replaced = false;  // the temporary file now has the target's name
};

class Transaction {
 public:
  explicit Transaction(const std::vector<OutputFile>& outputs) : outputs_(outputs) {}
  ~Transaction() { rollBack(); }

  WriteOutcome run();

 private:
  WriteOutcome fail(WriteStage stage, size_t index, std::string message) {
    WriteOutcome o;
    o.stage = stage;
    o.index = index;
    o.message = std::move(message);
    const std::string lost = rollBack();
    if (!lost.empty()) o.message += lost;
    return o;
  }

  WriteOutcome writeContent(size_t index, int fd, const std::string& shownAs);
  bool keepWayBack(Pending& p);
  std::string rollBack();

  const std::vector<OutputFile>& outputs_;
  std::vector<Pending> pending_;
  bool committed_ = false;
};

WriteOutcome Transaction::writeContent(size_t index, int fd, const std::string& shownAs) {
  FileSink sink(fd);
  const OutputFile& out = outputs_[index];
  bool ok = false;
  try {
    ok = out.writer ? out.writer(sink) : sink.write(out.content);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (!ok) {
    ::close(fd);
    return fail(WriteStage::kWrite, index,
                "cannot write " + shownAs + ": " +
                    (sink.failed() ? errorText(sink.error()) : "the content could not be made"));
  }
  return {};
}

// Keeps the existing target reachable under a second name while the renames run: a hard
// link where the file system has them, a copy otherwise.
bool Transaction::keepWayBack(Pending& p) {
  const std::string& target = p.target.final;
  std::string name;
  const int probe = createUnique(target, "old", 0600, name);
  if (probe < 0) return false;
  ::close(probe);
  ::unlink(name.c_str());
  if (::link(target.c_str(), name.c_str()) == 0) {
    p.wayBack = name;
    return true;
  }
  const int in = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = createUnique(target, "old", 0600, name);
  if (out < 0) {
    ::close(in);
    return false;
  }
  p.wayBack = name;
  FileSink sink(out);
  char buffer[1 << 16];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0 || !sink.write(buffer, static_cast<size_t>(n))) break;
  }
  ok = ok && !sink.failed() && ::fchmod(out, p.target.info.st_mode & 07777) == 0 &&
       ::fsync(out) == 0;
  ::close(in);
  if (closeChecked(out) != 0) ok = false;
  return ok;
}

// Undoes whatever the call has done so far. Returns a note for the message when a
// replaced target could not be put back.
std::string Transaction::rollBack() {
  if (committed_) return {};
  EndingSignalsHeld held;
  std::string lost;
  for (auto p = pending_.rbegin(); p != pending_.rend(); ++p) {
    if (p->replaced) {
      const bool back = p->wayBack.empty()
                            ? ::unlink(p->target.final.c_str()) == 0
                            : ::rename(p->wayBack.c_str(), p->target.final.c_str()) == 0;
      if (back) {
        p->wayBack.clear();
      } else if (!p->wayBack.empty()) {
        lost += "; " + p->target.path + " could not be put back, its earlier content is in " +
                p->wayBack;
        p->wayBack.clear();  // keep that file
      } else {
        lost += "; " + p->target.path + " could not be removed again";
      }
      p->replaced = false;
    }
    if (!p->temporary.empty()) ::unlink(p->temporary.c_str());
    if (!p->wayBack.empty()) ::unlink(p->wayBack.c_str());
    p->temporary.clear();
    p->wayBack.clear();
  }
  pending_.clear();
  return lost;
}

WriteOutcome Transaction::run() {
  // Every target is looked at before anything is written.
  pending_.reserve(outputs_.size());
  for (size_t k = 0; k < outputs_.size(); ++k) {
    Pending p;
    p.target = inspect(outputs_[k].path);
    if (p.target.error != 0)
      return fail(WriteStage::kTarget, k,
                  "cannot write " + outputs_[k].path + ": " + errorText(p.target.error));
    for (size_t j = 0; j < k; ++j)
      if (sameFile(pending_[j].target, p.target))
        return fail(WriteStage::kTarget, k,
                    outputs_[j].path + " and " + outputs_[k].path + " are the same file");
    pending_.push_back(std::move(p));
  }

  // Temporary files for the regular targets, each complete on the disk.
  for (size_t k = 0; k < pending_.size(); ++k) {
    Pending& p = pending_[k];
    if (p.target.inPlace) continue;
    const std::string& shownAs = outputs_[k].path;
    const int fd = createUnique(p.target.final, "tmp", p.target.exists ? 0600 : 0666,
                                p.temporary);
    if (fd < 0) {
      const int error = errno;
      p.temporary.clear();
      return fail(WriteStage::kCreate, k,
                  "cannot create a temporary file for " + shownAs + ": " + errorText(error));
    }
    if (p.target.exists) {
      if (::fchmod(fd, p.target.info.st_mode & 07777) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(WriteStage::kCreate, k,
                    "cannot give the temporary file for " + shownAs + " its mode: " +
                        errorText(error));
      }
      // Keeping the owner needs privileges most users lack; the file is theirs then.
      if (p.target.info.st_uid != ::geteuid() || p.target.info.st_gid != ::getegid())
        (void)!::fchown(fd, p.target.info.st_uid, p.target.info.st_gid);
    }
    WriteOutcome o = writeContent(k, fd, shownAs);
    if (!o.ok()) return o;
    int error = ::fsync(fd) != 0 ? errno : 0;
    const int closeError = closeChecked(fd);
    if (error == 0) error = closeError;
    if (error != 0) return fail(WriteStage::kClose, k, "cannot write " + shownAs + ": " + errorText(error));
  }

  // Targets that cannot be replaced are written where they are.
  for (size_t k = 0; k < pending_.size(); ++k) {
    if (!pending_[k].target.inPlace) continue;
    const std::string& shownAs = outputs_[k].path;
    const Target& target = pending_[k].target;
    // Opening a FIFO waits for a reader; only a signal the front end asks to stop on
    // ends that wait early.
    int fd = -1;
    do {
      fd = target.descriptor >= 0
               ? ::fcntl(target.descriptor, F_DUPFD_CLOEXEC, 0)
               : ::open(shownAs.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR && !interruptRequested());
    if (fd < 0)
      return fail(WriteStage::kCreate, k, "cannot open " + shownAs + ": " + errorText(errno));
    WriteOutcome o = writeContent(k, fd, shownAs);
    if (!o.ok()) return o;
    if (const int error = closeChecked(fd))
      return fail(WriteStage::kClose, k, "cannot write " + shownAs + ": " + errorText(error));
  }

  // The renames. Every one but the last may have to be undone, so those targets keep a
  // way back first. From here on a signal waits until the files are in place or back.
  EndingSignalsHeld held;
  std::vector<size_t> order;
  for (size_t k = 0; k < pending_.size(); ++k)
    if (!pending_[k].target.inPlace) order.push_back(k);
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    Pending& p = pending_[order[i]];
    if (p.target.exists && !keepWayBack(p)) {
      const int error = errno;
      return fail(WriteStage::kReplace, order[i],
                  "cannot keep the earlier content of " + outputs_[order[i]].path +
                      " while replacing it: " + errorText(error));
    }
  }
  for (size_t k : order) {
    Pending& p = pending_[k];
    if (::rename(p.temporary.c_str(), p.target.final.c_str()) != 0)
      return fail(WriteStage::kReplace, k,
                  "cannot replace " + outputs_[k].path + ": " + errorText(errno));
    p.temporary.clear();
    p.replaced = true;
  }
  for (Pending& p : pending_)
    if (!p.wayBack.empty()) ::unlink(p.wayBack.c_str());
  committed_ = true;
  return {};
}

}  // namespace

WriteOutcome writeFilesAtomically(const std::vector<OutputFile>& outputs) {
  Transaction t(outputs);
  return t.run();
}

WriteOutcome writeFileAtomically(const OutputFile& output) {
  return writeFilesAtomically(std::vector<OutputFile>{output});
}

bool isSameFile(const std::string& a, const std::string& b) {
  return sameFile(inspect(a), inspect(b));
}

}  // namespace velmora

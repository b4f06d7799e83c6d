// Output files written whole or not at all.
//
// writeFilesAtomically writes one or several files as one change:
// - Every target is checked before anything is written: a directory, a symbolic link
//   loop or two targets that are the same file (same device and inode, or the same
//   resolved path when the file does not exist yet) refuse the whole call.
// - A symbolic link is followed to its final target, which is the file written; the link
//   stays a link. A target that does not exist is created.
// - A regular file's content goes to a temporary file in the folder of its final target.
//   Only when every temporary file has been written, flushed to the disk and closed
//   without error are they renamed over their targets, in the order given. A replaced
//   file keeps its permission bits (and, where the system allows it, its owner); a new
//   file gets 0666 less the umask.
// - Before the renames, each existing target but the last gets a way back: a second hard
//   link to it (a copy where the file system has no hard links). When a rename fails
//   after earlier ones succeeded, the earlier targets are put back from these (a new
//   target is removed again), so the files are exactly as they were before the call.
// - A target that is not a regular file (a FIFO, a character or block device such as
//   /dev/null, or a file of the process named under /proc such as /dev/stdout) cannot be
//   replaced: it is opened and written in place, after all temporary files are complete
//   and before the renames. /dev/stdout, /dev/fd/N and /proc/self/fd/N are written
//   through the process's own descriptor N, so the content lands where the process's own
//   output stands. What such a target received cannot be taken back when a later step
//   fails.
// On any failure every temporary file and every way back is removed and the existing
// targets are left untouched, with one limit that the message then states: if the system
// refuses to put an earlier target back (the folder became unwritable in the meantime),
// its earlier content stays in the named way-back file.
// Replacing a file by rename gives it a new inode: other hard links to the old file keep
// the old content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

// Where the content of one output goes. Each call writes to the file at once (nothing is
// held back here), so a failure belongs to the call that met it.
class FileSink {
 public:
  explicit FileSink(int fd) : fd_(fd) {}

  // Writes all `size` bytes; false after a failure, and every later call then fails too.
  bool write(const void* data, size_t size);
  bool write(const std::string& text) { return write(text.data(), text.size()); }

  bool failed() const { return error_ != 0; }
  int error() const { return error_; }  // the errno of the failure
  uint64_t written() const { return written_; }

 private:
  int fd_;
  int error_ = 0;
  uint64_t written_ = 0;
};

// Writes one output's content into the sink. Returning false gives the whole call up
// (after a failed write, or for a reason of the writer's own).
using ContentWriter = std::function<bool(FileSink&)>;

struct OutputFile {
  std::string path;
  std::string content;   // written when `writer` is empty
  ContentWriter writer;  // streams the content, so that it need not be held in memory
};

enum class WriteStage {
  kDone,     // every file written
  kTarget,   // a target cannot be written at all (a directory, a link loop, a duplicate)
  kCreate,   // the temporary file, or a target written in place, cannot be created
  kWrite,    // writing the content failed, or the writer gave up
  kClose,    // flushing or closing the file failed
  kReplace,  // a temporary file could not be renamed over its target
};

struct WriteOutcome {
  WriteStage stage = WriteStage::kDone;
  size_t index = 0;     // the output that failed
  std::string message;  // e.g. "cannot create a temporary file for out.json: Permission denied"
  bool ok() const { return stage == WriteStage::kDone; }
};

WriteOutcome writeFilesAtomically(const std::vector<OutputFile>& outputs);
WriteOutcome writeFileAtomically(const OutputFile& output);

// A front end that catches SIGINT and SIGTERM names here how to ask whether one came. A
// wait that a signal then interrupts (opening a FIFO no one reads, writing to a full pipe)
// gives the call up, which removes every temporary file, instead of being resumed. Null,
// the default, resumes an interrupted write. The renames (and their undoing) always run
// with SIGINT, SIGTERM and SIGHUP held, so a signal cannot end the process half-way
// through putting the files in place.
void setWriteInterruptCheck(bool (*check)());

// Whether two paths name the same file, by the rule writeFilesAtomically refuses them.
bool isSameFile(const std::string& a, const std::string& b);

}  // namespace velmora

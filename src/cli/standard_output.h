// Standard output that knows whether it was written. std::cout over the C library reports
// a failed write (a full disk, a closed descriptor) only as a stream state that no one
// reads; this buffer keeps the reason, so that the tool can end with status 1 and say why.
#pragma once

#include <streambuf>
#include <vector>

#include "common/atomic_file.h"

namespace velmora::cli {

class CheckedOutput : public std::streambuf {
 public:
  explicit CheckedOutput(int fd);
  ~CheckedOutput() override;
  CheckedOutput(const CheckedOutput&) = delete;
  CheckedOutput& operator=(const CheckedOutput&) = delete;

  // The errno of the first failed write; 0 while everything was written.
  int error() const { return sink_.error(); }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* data, std::streamsize size) override;
  int sync() override;

 private:
  bool drain();

  FileSink sink_;
  std::vector<char> buffer_;
};

// Opens /dev/null, for reading only, on each of the descriptors 0, 1 and 2 that is closed,
// so that no file the program opens later takes its number: a write to a closed standard
// output then fails as it should instead of landing in an output file.
void occupyClosedStandardDescriptors();

}  // namespace velmora::cli

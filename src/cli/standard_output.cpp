#include "cli/standard_output.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace velmora::cli {

namespace {
constexpr size_t kBufferSize = 1 << 16;
}

CheckedOutput::CheckedOutput(int fd) : sink_(fd), buffer_(kBufferSize) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

CheckedOutput::~CheckedOutput() { drain(); }

bool CheckedOutput::drain() {
  const std::ptrdiff_t pending = pptr() - pbase();
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  // After a failure the rest is dropped: it cannot reach its reader either.
  return pending == 0 ? !sink_.failed() : sink_.write(buffer_.data(), static_cast<size_t>(pending));
}

CheckedOutput::int_type CheckedOutput::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize CheckedOutput::xsputn(const char* data, std::streamsize size) {
  if (size <= epptr() - pptr()) {
    traits_type::copy(pptr(), data, static_cast<size_t>(size));
    pbump(static_cast<int>(size));
    return size;
  }
  // Larger than the room left: what is buffered goes first, then the block itself.
  if (!drain() || !sink_.write(data, static_cast<size_t>(size))) return 0;
  return size;
}

int CheckedOutput::sync() { return drain() ? 0 : -1; }

void occupyClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int opened = open("/dev/null", O_RDONLY);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      close(opened);
    }
  }
}

}  // namespace velmora::cli

#include "io/out_buffer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

out_buffer graph_output;

void out_buffer::reset(int fd, out_sink sink, void* context) {
  fd_ = fd;
  sink_ = sink;
  context_ = context;
  error_ = 0;
  used_ = 0;
}

void out_buffer::put_slow(std::string_view s) {
  while (!s.empty()) {
    if (used_ == sizeof buffer_) flush();
    const size_t n = std::min(s.size(), sizeof buffer_ - used_);
    std::memcpy(buffer_ + used_, s.data(), n);
    used_ += n;
    s.remove_prefix(n);
  }
}

void out_buffer::put_int(int32_t value) {
  char digits[11];
  put(std::string_view(digits, static_cast<size_t>(format_int(digits, value) - digits)));
}

void out_buffer::put_escaped(std::string_view s) {
  // In pieces that fit the buffer escaped; most go out in one copy.
  while (!s.empty()) {
    // Not substr, which may throw: the programs need no C++ library.
    const std::string_view piece(s.data(), std::min(s.size(), sizeof buffer_ / 2));
    if (!any_needs_escape(piece)) {
      put(piece);
    } else {
      if (2 * piece.size() > sizeof buffer_ - used_) flush();
      used_ = static_cast<size_t>(escape_into(buffer_ + used_, piece) - buffer_);
    }
    s.remove_prefix(piece.size());
  }
}

bool out_buffer::flush() {
  // After a failure the output is lost anyway; keep the buffer from growing.
  if (error_ != 0) {
    used_ = 0;
    return false;
  }
  if (sink_ != nullptr) {
    sink_(context_, buffer_, used_);
    used_ = 0;
    return true;
  }
  size_t done = 0;
  while (done < used_) {
    const ssize_t n = ::write(fd_, buffer_ + done, used_ - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      break;
    }
    done += static_cast<size_t>(n);
  }
  used_ = 0;
  return error_ == 0;
}

#include "driver/output.h"

#include <unistd.h>

#include <cerrno>

out_buffer graph_output;

void out_buffer::reset(int fd, std::string* capture) {
  fd_ = fd;
  capture_ = capture;
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
  char digits[12];
  char* const end = digits + sizeof digits;
  char* p = end;
  // Unsigned, so that INT32_MIN has a magnitude.
  uint32_t u = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (value < 0) *--p = '-';
  put(std::string_view(p, static_cast<size_t>(end - p)));
}

void out_buffer::put_escaped(std::string_view s) {
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"' || s[i] == '\\') {
      put(s.substr(start, i - start));
      put('\\');
      start = i;
    }
  }
  put(s.substr(start));
}

bool out_buffer::flush() {
  // After a failure the output is lost anyway; keep the buffer from growing.
  if (error_ != 0) {
    used_ = 0;
    return false;
  }
  if (capture_ != nullptr) {
    capture_->append(buffer_, used_);
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

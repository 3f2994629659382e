#include "driver/line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "driver/memory.h"

namespace {
constexpr size_t kBlock = 1 << 18;
}

line_reader::~line_reader() { std::free(buffer_); }

int line_reader::next(std::string_view& line) {
  for (;;) {
    // No buffer before the first read: memchr may not see a null pointer.
    const void* newline =
        scanned_ < end_ ? std::memchr(buffer_ + scanned_, '\n', end_ - scanned_) : nullptr;
    if (newline != nullptr) {
      const size_t at = static_cast<size_t>(static_cast<const char*>(newline) - buffer_);
      line = std::string_view(buffer_ + begin_, at - begin_);
      begin_ = scanned_ = at + 1;
      return READ_LINE;
    }
    scanned_ = end_;
    if (at_end_) {
      if (begin_ == end_) return READ_END;
      line = std::string_view(buffer_ + begin_, end_ - begin_);
      begin_ = end_;
      return READ_LINE;
    }
    // Keep the partial line, then read behind it.
    if (begin_ > 0) {
      std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
      end_ -= begin_;
      scanned_ = end_;
      begin_ = 0;
    }
    if (end_ == capacity_) {
      const size_t capacity = capacity_ == 0 ? kBlock : capacity_ * 2;
      void* grown = resize_array(buffer_, capacity, 1);
      if (grown == nullptr) return READ_NO_MEMORY;
      buffer_ = static_cast<char*>(grown);
      capacity_ = capacity;
    }
    const ssize_t n = ::read(fd_, buffer_ + end_, capacity_ - end_);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      return READ_FAILED;
    }
    if (n == 0) at_end_ = true;
    end_ += static_cast<size_t>(n);
  }
}

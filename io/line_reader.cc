#include "io/line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "io/memory.h"

namespace {
constexpr size_t kBlock = 1 << 18;
}

line_reader::~line_reader() { std::free(buffer_); }

// A line ends at a NUL byte; such bytes are rare, so the blocks are searched
// for one as they arrive and only their lines are searched again.
padded_text line_reader::text(size_t begin, size_t end) const {
  if (has_nul_) {
    if (const void* nul = std::memchr(buffer_ + begin, '\0', end - begin))
      end = static_cast<size_t>(static_cast<const char*>(nul) - buffer_);
  }
  return padded_text(buffer_ + begin, end - begin);
}

line_read line_reader::next_slowly(padded_text& line) {
  for (;;) {
    // No buffer before the first read: memchr may not see a null pointer.
    const void* newline =
        scanned_ < end_ ? std::memchr(buffer_ + scanned_, '\n', end_ - scanned_) : nullptr;
    if (newline != nullptr) {
      const size_t at = static_cast<size_t>(static_cast<const char*>(newline) - buffer_);
      line = text(begin_, at);
      begin_ = scanned_ = at + 1;
      return READ_LINE;
    }
    scanned_ = end_;
    if (at_end_) {
      if (begin_ == end_) return READ_END;
      line = text(begin_, end_);
      begin_ = end_;
      return READ_LINE;
    }
    // Keep the partial line, then read behind it.
    if (begin_ > 0) {
      std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
      end_ -= begin_;
      scanned_ = end_;
      begin_ = 0;
      has_nul_ = has_nul_ && std::memchr(buffer_, '\0', end_) != nullptr;
    }
    if (end_ == capacity_) {
      const size_t capacity = capacity_ == 0 ? kBlock : capacity_ * 2;
      // The reader of a line may look a little past its end.
      void* grown = resize_array(buffer_, capacity + kLineSlack, 1);
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
    if (n > 0 && !has_nul_) has_nul_ = std::memchr(buffer_ + end_, '\0', static_cast<size_t>(n));
    end_ += static_cast<size_t>(n);
    // What lies past the data is defined, but only the slack is set: the
    // rest of a fresh buffer is never touched before a read fills it, so a
    // small listing costs a page or two instead of the whole buffer.
    std::memset(buffer_ + end_, 0, kLineSlack);
  }
}

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

// In a listing that ends its lines with CRs, those CRs become newlines as
// they arrive; a CR at the end of the data waits for the byte after it.
void line_reader::end_lone_crs(size_t from) {
  if (from > begin_ && buffer_[from - 1] == '\r') --from;
  char* const end = buffer_ + end_;
  for (char* p = buffer_ + from; p < end; ++p) {
    p = static_cast<char*>(std::memchr(p, '\r', static_cast<size_t>(end - p)));
    if (p == nullptr) break;
    if (p + 1 < end ? p[1] != '\n' : at_end_) *p = '\n';
  }
}

// Reads behind the data held, growing the buffer when it is full.
line_read line_reader::fill() {
  if (end_ == capacity_) {
    const size_t capacity = capacity_ == 0 ? kBlock : capacity_ * 2;
    // The reader of a line may look a little past its end.
    void* grown = resize_array(buffer_, capacity + kLineSlack, 1);
    if (grown == nullptr) return READ_NO_MEMORY;
    buffer_ = static_cast<char*>(grown);
    capacity_ = capacity;
  }
  ssize_t n;
  do {
    n = ::read(fd_, buffer_ + end_, capacity_ - end_);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    error_ = errno;
    return READ_FAILED;
  }
  const size_t from = end_;
  if (n == 0) at_end_ = true;
  if (n > 0 && !has_nul_) has_nul_ = std::memchr(buffer_ + end_, '\0', static_cast<size_t>(n));
  end_ += static_cast<size_t>(n);
  if (cr_ends_) end_lone_crs(from);
  // What lies past the data is defined, but only the slack is set: the
  // rest of a fresh buffer is never touched before a read fills it, so a
  // small listing costs a page or two instead of the whole buffer.
  std::memset(buffer_ + end_, 0, kLineSlack);
  return READ_LINE;
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
      settled_ = 0;
      return READ_LINE;
    }
    scanned_ = end_;
    if (at_end_) {
      if (begin_ == end_) return READ_END;
      line = text(begin_, end_);
      begin_ = end_;
      settled_ = 0;
      return READ_LINE;
    }
    // The text ends at the line's first NUL: keep that, drop what follows
    // (no newline, scanned already), so that the buffer does not grow.
    if (has_nul_ && settled_ == 0) {
      if (const void* nul = std::memchr(buffer_ + begin_, '\0', end_ - begin_))
        settled_ = static_cast<size_t>(static_cast<const char*>(nul) - buffer_) + 1;
    }
    if (settled_ != 0) end_ = scanned_ = settled_;
    // Keep the partial line, then read behind it.
    if (begin_ > 0) {
      std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
      end_ -= begin_;
      if (settled_ != 0) settled_ -= begin_;
      scanned_ = end_;
      begin_ = 0;
      has_nul_ = has_nul_ && std::memchr(buffer_, '\0', end_) != nullptr;
    }
    const line_read got = fill();
    if (got != READ_LINE) return got;
  }
}

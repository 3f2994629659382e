// Whole physical lines from a file descriptor, read in large blocks.
#ifndef TANGLET_IO_LINE_READER_H_
#define TANGLET_IO_LINE_READER_H_

#include <cstddef>
#include <cstring>
#include <string_view>

#include "io/padded.h"

// What a call of line_reader::next got.
enum line_read : int { READ_LINE = 1, READ_END = 0, READ_FAILED = -1, READ_NO_MEMORY = -2 };

class line_reader {
 public:
  // cr_ends_lines: a CR that no newline follows ends a line too, as old
  // editors write them; CR LF stays one line end, the CR left in the line.
  explicit line_reader(int fd, bool cr_ends_lines = false) : fd_(fd), cr_ends_(cr_ends_lines) {}
  ~line_reader();
  line_reader(const line_reader&) = delete;
  line_reader& operator=(const line_reader&) = delete;

  // READ_LINE with line set to the text of the next line: without its
  // newline (a last line without one counts too), and ending at a NUL byte,
  // as the text of a C string would; what follows the NUL up to the newline
  // is dropped as it comes, so that a line without end costs no memory. The
  // view lasts until the next call. Or
  // READ_END, READ_FAILED (see error()) or READ_NO_MEMORY.
  line_read next(padded_text& line) {
    // Most lines are whole in the buffer already.
    if (scanned_ < end_ && !has_nul_) {
      if (const void* newline = std::memchr(buffer_ + scanned_, '\n', end_ - scanned_)) {
        const size_t at = static_cast<size_t>(static_cast<const char*>(newline) - buffer_);
        line = padded_text(buffer_ + begin_, at - begin_);
        begin_ = scanned_ = at + 1;
        return READ_LINE;
      }
    }
    return next_slowly(line);
  }
  int error() const { return error_; }

  // The bytes read and not yet handed out, so that whole lines can be taken
  // from their start without next().
  padded_text unread() const { return padded_text(buffer_ + begin_, end_ - begin_); }
  // Takes bytes from the start of unread(): whole lines, newlines included.
  void consume(size_t bytes) {
    begin_ += bytes;
    if (scanned_ < begin_) scanned_ = begin_;
  }

 private:
  line_read next_slowly(padded_text& line);
  padded_text text(size_t begin, size_t end) const;
  void end_lone_crs(size_t from);
  line_read fill();

  int fd_;
  int error_ = 0;
  bool at_end_ = false;
  char* buffer_ = nullptr;
  size_t capacity_ = 0;
  size_t begin_ = 0;      // start of the current line
  size_t scanned_ = 0;    // no newline between begin_ and here
  size_t end_ = 0;        // end of the data read
  bool has_nul_ = false;  // a NUL byte may stand in [begin_, end_)
  size_t settled_ = 0;    // when not 0: the current line's text ended at a NUL before here
  bool cr_ends_;
};

#endif  // TANGLET_IO_LINE_READER_H_

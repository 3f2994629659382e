#include "io/out_buffer.h"

#include <unistd.h>

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

namespace {

// "00" to "99": two digits a step halves the divisions.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

char* format_wide_int(char* p, int32_t value) {
  // Unsigned, so that INT32_MIN has a magnitude.
  uint32_t u = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  if (value < 0) *p++ = '-';
  const int digits = u < 10           ? 1
                     : u < 100        ? 2
                     : u < 1000       ? 3
                     : u < 10000      ? 4
                     : u < 100000     ? 5
                     : u < 1000000    ? 6
                     : u < 10000000   ? 7
                     : u < 100000000  ? 8
                     : u < 1000000000 ? 9
                                      : 10;
  char* const end = p + digits;
  char* q = end;
  while (u >= 100) {
    q -= 2;
    std::memcpy(q, kDigitPairs + u % 100 * 2, 2);
    u /= 100;
  }
  if (u >= 10) {
    std::memcpy(q - 2, kDigitPairs + u * 2, 2);
  } else {
    q[-1] = static_cast<char>('0' + u);
  }
  return end;
}

void out_buffer::put_int(int32_t value) {
  char digits[11];
  put(std::string_view(digits, static_cast<size_t>(format_int(digits, value) - digits)));
}

void out_buffer::put_escaped(std::string_view s) {
  // Quotes and backslashes are rare: most fields go out in one copy.
  if (!any_needs_escape(s)) {
    put(s);
    return;
  }
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (needs_escape(s[i])) {
      put(std::string_view(s.data() + start, i - start));
      put('\\');
      start = i;
    }
  }
  put(std::string_view(s.data() + start, s.size() - start));
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

#include "io/digits.h"

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

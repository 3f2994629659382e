// The quick road for x86-64 as it comes: sixteen bytes a step.
#include <emmintrin.h>

#include "listing/quick.h"

#define TANGLET_QUICK_ROAD quick_road_sse2
#include "listing/quick_grammar.inc"

namespace {

inline void classify(const char* p, size_t n, const char marks[3], line_masks& out) {
  const __m128i blank = _mm_set1_epi8(' '), below_tab = _mm_set1_epi8('\t' - 1),
                above_cr = _mm_set1_epi8('\r' + 1), tab = _mm_set1_epi8('\t'),
                quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'),
                newline = _mm_set1_epi8('\n'), nul = _mm_setzero_si128();
  const __m128i m0 = _mm_set1_epi8(marks[0]), m1 = _mm_set1_epi8(marks[1]),
                m2 = _mm_set1_epi8(marks[2]);
  line_masks m = {};
  for (size_t at = 0; at < n; at += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    // Signed compares: bytes from 0x80 up are negative, so no white space.
    const __m128i space =
        _mm_or_si128(_mm_cmpeq_epi8(v, blank),
                     _mm_and_si128(_mm_cmpgt_epi8(v, below_tab), _mm_cmplt_epi8(v, above_cr)));
    const __m128i rare =
        _mm_or_si128(_mm_cmpeq_epi8(v, tab),
                     _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)));
    const size_t w = at / 64;
    const unsigned shift = at % 64;
    auto bits = [&](__m128i x) {
      return uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(x))} << shift;
    };
    m.space[w] |= bits(space);
    m.rare[w] |= bits(rare);
    m.mark[0][w] |= bits(_mm_cmpeq_epi8(v, m0));
    m.mark[1][w] |= bits(_mm_cmpeq_epi8(v, m1));
    m.mark[2][w] |= bits(_mm_cmpeq_epi8(v, m2));
    m.end[w] |= bits(_mm_or_si128(_mm_cmpeq_epi8(v, newline), _mm_cmpeq_epi8(v, nul)));
  }
  uint64_t valid[2];
  line_valid(n, valid);
  for (size_t w = 0; w < 2; ++w) {
    out.space[w] = m.space[w] & valid[w];
    out.rare[w] = m.rare[w] & valid[w];
    for (int k = 0; k < 3; ++k) out.mark[k][w] = m.mark[k][w] & valid[w];
    out.end[w] = m.end[w] & valid[w];
  }
}

}  // namespace

// The quick road for x86-64 as it comes: sixteen bytes a step.
#include <emmintrin.h>

#include "listing/quick/quick.h"

#define TANGLET_QUICK_ROAD quick_road_sse2
#include "listing/quick/grammar.inc"

namespace {

inline void classify_word(const char* p, const char marks[3], word_masks& w) {
  const __m128i blank = _mm_set1_epi8(' '), below_tab = _mm_set1_epi8('\t' - 1),
                above_cr = _mm_set1_epi8('\r' + 1), tab = _mm_set1_epi8('\t'),
                quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'),
                newline = _mm_set1_epi8('\n'), nul = _mm_setzero_si128();
  const __m128i m0 = _mm_set1_epi8(marks[0]), m1 = _mm_set1_epi8(marks[1]),
                m2 = _mm_set1_epi8(marks[2]);
  w = {};
  for (unsigned at = 0; at < 64; at += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    // Signed compares: bytes from 0x80 up are negative, so no white space.
    const __m128i space =
        _mm_or_si128(_mm_cmpeq_epi8(v, blank),
                     _mm_and_si128(_mm_cmpgt_epi8(v, below_tab), _mm_cmplt_epi8(v, above_cr)));
    const __m128i rare =
        _mm_or_si128(_mm_cmpeq_epi8(v, tab),
                     _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)));
    auto bits = [&](__m128i x) {
      return uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(x))} << at;
    };
    w.space |= bits(space);
    w.rare |= bits(rare);
    w.mark[0] |= bits(_mm_cmpeq_epi8(v, m0));
    w.mark[1] |= bits(_mm_cmpeq_epi8(v, m1));
    w.mark[2] |= bits(_mm_cmpeq_epi8(v, m2));
    w.end |= bits(_mm_or_si128(_mm_cmpeq_epi8(v, newline), _mm_cmpeq_epi8(v, nul)));
  }
}

}  // namespace

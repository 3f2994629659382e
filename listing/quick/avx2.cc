// The quick road for processors with AVX2, BMI2 and POPCNT: 32 bytes a step.
// Built with those instruction sets; used only where the processor has them.
#include <immintrin.h>

#include "listing/quick/quick.h"

#define TANGLET_QUICK_ROAD quick_road_avx2
#include "listing/quick/grammar.inc"

namespace {

inline void classify_word(const char* p, const char marks[3], word_masks& w) {
  const __m256i blank = _mm256_set1_epi8(' '), below_tab = _mm256_set1_epi8('\t' - 1),
                above_cr = _mm256_set1_epi8('\r' + 1), tab = _mm256_set1_epi8('\t'),
                quote = _mm256_set1_epi8('"'), backslash = _mm256_set1_epi8('\\'),
                newline = _mm256_set1_epi8('\n'), nul = _mm256_setzero_si256();
  const __m256i m0 = _mm256_set1_epi8(marks[0]), m1 = _mm256_set1_epi8(marks[1]),
                m2 = _mm256_set1_epi8(marks[2]);
  w = {};
  for (unsigned at = 0; at < 64; at += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at));
    const __m256i space = _mm256_or_si256(
        _mm256_cmpeq_epi8(v, blank),
        _mm256_and_si256(_mm256_cmpgt_epi8(v, below_tab), _mm256_cmpgt_epi8(above_cr, v)));
    const __m256i rare = _mm256_or_si256(
        _mm256_cmpeq_epi8(v, tab),
        _mm256_or_si256(_mm256_cmpeq_epi8(v, quote), _mm256_cmpeq_epi8(v, backslash)));
    auto bits = [&](__m256i x) {
      return uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(x))} << at;
    };
    w.space |= bits(space);
    w.rare |= bits(rare);
    w.mark[0] |= bits(_mm256_cmpeq_epi8(v, m0));
    w.mark[1] |= bits(_mm256_cmpeq_epi8(v, m1));
    w.mark[2] |= bits(_mm256_cmpeq_epi8(v, m2));
    w.end |= bits(_mm256_or_si256(_mm256_cmpeq_epi8(v, newline), _mm256_cmpeq_epi8(v, nul)));
  }
}

}  // namespace

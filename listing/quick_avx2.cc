// The quick road for processors with AVX2, BMI2 and POPCNT: 32 bytes a step.
// Built with those instruction sets; used only where the processor has them.
#include <immintrin.h>

#include "listing/quick.h"

#define TANGLET_QUICK_ROAD quick_road_avx2
#include "listing/quick_grammar.inc"

namespace {

inline void classify(const char* p, size_t n, const char marks[3], line_masks& out) {
  const __m256i blank = _mm256_set1_epi8(' '), below_tab = _mm256_set1_epi8('\t' - 1),
                above_cr = _mm256_set1_epi8('\r' + 1), tab = _mm256_set1_epi8('\t'),
                quote = _mm256_set1_epi8('"'), backslash = _mm256_set1_epi8('\\'),
                newline = _mm256_set1_epi8('\n'), nul = _mm256_setzero_si256();
  const __m256i m0 = _mm256_set1_epi8(marks[0]), m1 = _mm256_set1_epi8(marks[1]),
                m2 = _mm256_set1_epi8(marks[2]);
  line_masks m = {};
  for (size_t at = 0; at < n; at += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at));
    const __m256i space = _mm256_or_si256(
        _mm256_cmpeq_epi8(v, blank),
        _mm256_and_si256(_mm256_cmpgt_epi8(v, below_tab), _mm256_cmpgt_epi8(above_cr, v)));
    const __m256i rare = _mm256_or_si256(
        _mm256_cmpeq_epi8(v, tab),
        _mm256_or_si256(_mm256_cmpeq_epi8(v, quote), _mm256_cmpeq_epi8(v, backslash)));
    const size_t w = at / 64;
    const unsigned shift = at % 64;
    auto bits = [&](__m256i x) {
      return uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(x))} << shift;
    };
    m.space[w] |= bits(space);
    m.rare[w] |= bits(rare);
    m.mark[0][w] |= bits(_mm256_cmpeq_epi8(v, m0));
    m.mark[1][w] |= bits(_mm256_cmpeq_epi8(v, m1));
    m.mark[2][w] |= bits(_mm256_cmpeq_epi8(v, m2));
    m.end[w] |= bits(_mm256_or_si256(_mm256_cmpeq_epi8(v, newline), _mm256_cmpeq_epi8(v, nul)));
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

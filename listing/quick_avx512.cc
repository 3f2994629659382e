// The quick road for processors with AVX-512BW (and AVX2, BMI2, POPCNT): a
// word of masks from each 64 bytes in a few instructions. Built with those
// instruction sets; used only where the processor has them.
#include <immintrin.h>

#include "listing/quick.h"

#define TANGLET_QUICK_ROAD quick_road_avx512
#include "listing/quick_grammar.inc"

namespace {

inline void classify(const char* p, size_t n, const char marks[3], line_masks& m) {
  const __m512i blank = _mm512_set1_epi8(' '), tab = _mm512_set1_epi8('\t'),
                controls = _mm512_set1_epi8('\r' - '\t'), quote = _mm512_set1_epi8('"'),
                backslash = _mm512_set1_epi8('\\'), newline = _mm512_set1_epi8('\n');
  const __m512i m0 = _mm512_set1_epi8(marks[0]), m1 = _mm512_set1_epi8(marks[1]),
                m2 = _mm512_set1_epi8(marks[2]);
  uint64_t valid[2];
  line_valid(n, valid);
  for (size_t w = 0; w < 2; ++w) {
    // A line of one word reads its first 64 bytes twice rather than past
    // the slack.
    const __m512i v = _mm512_loadu_si512(p + (w * 64 < n ? w * 64 : 0));
    // TAB to CR: at most four above TAB, unsigned.
    m.space[w] = (_mm512_cmpeq_epi8_mask(v, blank) |
                  _mm512_cmple_epu8_mask(_mm512_sub_epi8(v, tab), controls)) &
                 valid[w];
    m.rare[w] = (_mm512_cmpeq_epi8_mask(v, tab) | _mm512_cmpeq_epi8_mask(v, quote) |
                 _mm512_cmpeq_epi8_mask(v, backslash)) &
                valid[w];
    m.mark[0][w] = _mm512_cmpeq_epi8_mask(v, m0) & valid[w];
    m.mark[1][w] = _mm512_cmpeq_epi8_mask(v, m1) & valid[w];
    m.mark[2][w] = _mm512_cmpeq_epi8_mask(v, m2) & valid[w];
    m.end[w] = (_mm512_cmpeq_epi8_mask(v, newline) | _mm512_testn_epi8_mask(v, v)) & valid[w];
  }
}

}  // namespace

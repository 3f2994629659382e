// The quick road for processors with AVX-512BW (and AVX2, BMI2, POPCNT): a
// word of masks from each 64 bytes in a few instructions. Built with those
// instruction sets; used only where the processor has them.
#include <immintrin.h>

#include "listing/quick/quick.h"

#define TANGLET_QUICK_ROAD quick_road_avx512
#include "listing/quick/grammar.inc"

namespace {

inline void classify_word(const char* p, const char marks[3], word_masks& w) {
  const __m512i v = _mm512_loadu_si512(p);
  const __m512i tab = _mm512_set1_epi8('\t');
  // TAB to CR: at most four above TAB, unsigned.
  w.space = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(' ')) |
            _mm512_cmple_epu8_mask(_mm512_sub_epi8(v, tab), _mm512_set1_epi8('\r' - '\t'));
  w.rare = _mm512_cmpeq_epi8_mask(v, tab) | _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('"')) |
           _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\\'));
  w.mark[0] = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(marks[0]));
  w.mark[1] = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(marks[1]));
  w.mark[2] = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(marks[2]));
  w.end = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\n')) | _mm512_testn_epi8_mask(v, v);
}

}  // namespace

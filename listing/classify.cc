#include "listing/classify.h"

#include <cstring>
#include <initializer_list>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TANGLET_X86 1
#endif

namespace {

// The bits of bytes before n.
void line_valid(size_t n, uint64_t valid[2]) {
  valid[0] = n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
  valid[1] = n >= 128 ? ~uint64_t{0} : n > 64 ? (uint64_t{1} << (n - 64)) - 1 : 0;
}

// Clears the bits of bytes from n on.
void keep_line(size_t n, line_masks& m) {
  uint64_t valid[2];
  line_valid(n, valid);
  for (uint64_t* w : {m.space, m.rare, m.mark[0], m.mark[1], m.mark[2]}) {
    w[0] &= valid[0];
    w[1] &= valid[1];
  }
}

void classify_scalar(const char* p, size_t n, const char marks[3], line_masks& m) {
  std::memset(&m, 0, sizeof m);
  for (size_t i = 0; i < n; ++i) {
    const char c = p[i];
    const uint64_t bit = uint64_t{1} << (i % 64);
    const size_t w = i / 64;
    if (c == ' ' || (c >= '\t' && c <= '\r')) m.space[w] |= bit;
    if (c == '\t' || c == '"' || c == '\\') m.rare[w] |= bit;
    for (int k = 0; k < 3; ++k) {
      if (c == marks[k]) m.mark[k][w] |= bit;
    }
  }
}

#if defined(TANGLET_X86) && defined(__SSE2__)
void classify_sse2(const char* p, size_t n, const char marks[3], line_masks& out) {
  line_masks m = {};
  const __m128i blank = _mm_set1_epi8(' '), below_tab = _mm_set1_epi8('\t' - 1),
                above_cr = _mm_set1_epi8('\r' + 1), tab = _mm_set1_epi8('\t'),
                quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\');
  const __m128i m0 = _mm_set1_epi8(marks[0]), m1 = _mm_set1_epi8(marks[1]),
                m2 = _mm_set1_epi8(marks[2]);
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
  }
  keep_line(n, m);
  out = m;
}
#endif

#if defined(TANGLET_X86)
__attribute__((target("avx2"))) void classify_avx2(const char* p, size_t n, const char marks[3],
                                                   line_masks& out) {
  line_masks m = {};
  const __m256i blank = _mm256_set1_epi8(' '), below_tab = _mm256_set1_epi8('\t' - 1),
                above_cr = _mm256_set1_epi8('\r' + 1), tab = _mm256_set1_epi8('\t'),
                quote = _mm256_set1_epi8('"'), backslash = _mm256_set1_epi8('\\');
  const __m256i m0 = _mm256_set1_epi8(marks[0]), m1 = _mm256_set1_epi8(marks[1]),
                m2 = _mm256_set1_epi8(marks[2]);
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
    // A lambda would not share this function's instruction set.
#define TANGLET_BITS(x) (uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(x))} << shift)
    m.space[w] |= TANGLET_BITS(space);
    m.rare[w] |= TANGLET_BITS(rare);
    m.mark[0][w] |= TANGLET_BITS(_mm256_cmpeq_epi8(v, m0));
    m.mark[1][w] |= TANGLET_BITS(_mm256_cmpeq_epi8(v, m1));
    m.mark[2][w] |= TANGLET_BITS(_mm256_cmpeq_epi8(v, m2));
#undef TANGLET_BITS
  }
  keep_line(n, m);
  out = m;
}

__attribute__((target("avx512f,avx512bw"))) void classify_avx512(const char* p, size_t n,
                                                                 const char marks[3],
                                                                 line_masks& m) {
  const __m512i blank = _mm512_set1_epi8(' '), tab = _mm512_set1_epi8('\t'),
                controls = _mm512_set1_epi8('\r' - '\t'), quote = _mm512_set1_epi8('"'),
                backslash = _mm512_set1_epi8('\\');
  const __m512i m0 = _mm512_set1_epi8(marks[0]), m1 = _mm512_set1_epi8(marks[1]),
                m2 = _mm512_set1_epi8(marks[2]);
  uint64_t valid[2];
  line_valid(n, valid);
  // Each mask is stored once, whole, so that its reader gets it forwarded.
  for (size_t w = 0; w < 2; ++w) {
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
  }
}
#endif

classify_fn classifier_of(int level) {
  switch (level) {
    case CLASSIFY_SCALAR:
      return classify_scalar;
#if defined(TANGLET_X86) && defined(__SSE2__)
    case CLASSIFY_SSE2:
      return classify_sse2;
#endif
#if defined(TANGLET_X86)
    case CLASSIFY_AVX2:
      return __builtin_cpu_supports("avx2") ? classify_avx2 : nullptr;
    case CLASSIFY_AVX512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")
                 ? classify_avx512
                 : nullptr;
#endif
    default:
      return nullptr;
  }
}

}  // namespace

bool classify_supported(int level) { return classifier_of(level) != nullptr; }

int best_classifier() {
#if defined(TANGLET_X86)
  __builtin_cpu_init();  // may run before the library's own constructors
#endif
  for (int level = CLASSIFY_AVX512; level > CLASSIFY_SCALAR; --level) {
    if (classify_supported(level)) return level;
  }
  return CLASSIFY_SCALAR;
}

bool use_classifier(int level) {
  const classify_fn f = classifier_of(level);
  if (f == nullptr) return false;
  classify_line = f;
  return true;
}

classify_fn classify_line = classifier_of(best_classifier());

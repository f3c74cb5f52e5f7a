#include "core/search/text_match.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KDX_WIDE_FIND 1
#endif

namespace {

constexpr uint8_t FoldByte(uint8_t b) {
  return static_cast<uint8_t>(b - 'A') < 26 ? static_cast<uint8_t>(b + 32) : b;
}

bool IsContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// Whether the folded word (size m) occurs at text.
bool MatchesFolded(const uint8_t* text, const uint8_t* word, size_t m) {
  for (size_t j = 0; j < m; ++j) {
    if (FoldByte(text[j]) != word[j]) return false;
  }
  return true;
}

#if defined(KDX_WIDE_FIND)
// The candidate filter of KdxFoldedWord::Find over 32 starts at a time, for
// processors with AVX2: tests the starts from *from on while 32 remain, and
// answers the first match (or SIZE_MAX) with *from at the starts not tested.
__attribute__((target("avx2"))) size_t FindWide(const uint8_t* text, size_t starts,
                                                const uint8_t* word, size_t m, size_t first,
                                                size_t last, size_t* from) {
  const __m256i a = _mm256_set1_epi8(static_cast<char>(word[first]));
  const __m256i b = _mm256_set1_epi8(static_cast<char>(word[last]));
  const __m256i aBit =
      _mm256_set1_epi8(static_cast<char>(word[first] >= 'a' && word[first] <= 'z' ? 0x20 : 0));
  const __m256i bBit =
      _mm256_set1_epi8(static_cast<char>(word[last] >= 'a' && word[last] <= 'z' ? 0x20 : 0));
  size_t i = *from;
  for (; i + 32 <= starts; i += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i + first));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i + last));
    auto mask = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(x, aBit), a),
                                              _mm256_cmpeq_epi8(_mm256_or_si256(y, bBit), b))));
    while (mask != 0) {
      const auto bit = static_cast<unsigned>(__builtin_ctz(mask));
      if (MatchesFolded(text + i + bit, word, m)) {
        *from = i;
        return i + bit;
      }
      mask &= mask - 1;
    }
  }
  *from = i;
  return SIZE_MAX;
}

const bool kWideFind = __builtin_cpu_supports("avx2") != 0;
#endif

}  // namespace

void KDX_FoldAscii(const uint8_t* src, size_t size, uint8_t* dst) {
  size_t i = 0;
#if defined(__SSE2__)
  // Shifted so that 'A'..'Z' become the 26 smallest signed bytes.
  const __m128i shift = _mm_set1_epi8(static_cast<char>(0x80 - 'A'));
  const __m128i limit = _mm_set1_epi8(static_cast<char>(-128 + 26));
  const __m128i caseBit = _mm_set1_epi8(0x20);
  for (; i + 16 <= size; i += 16) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    __m128i upper = _mm_cmplt_epi8(_mm_add_epi8(x, shift), limit);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_add_epi8(x, _mm_and_si128(upper, caseBit)));
  }
#endif
  for (; i < size; ++i) dst[i] = FoldByte(src[i]);
}

KdxFoldedWord::KdxFoldedWord(std::string_view word) : folded_(word) {
  auto* bytes = reinterpret_cast<uint8_t*>(folded_.data());
  KDX_FoldAscii(bytes, folded_.size(), bytes);
  if (folded_.empty()) return;
  // Filter on the last byte of the first character and the word's last byte:
  // lead bytes of Japanese text (0xE3 and so on) are too common to filter on.
  last_ = folded_.size() - 1;
  first_ = 0;
  while (first_ + 1 < folded_.size() && IsContinuation(bytes[first_ + 1])) ++first_;
  if (first_ == last_) first_ = 0;
}

bool KdxFoldedWord::MatchesAt(const uint8_t* text) const {
  return MatchesFolded(text, reinterpret_cast<const uint8_t*>(folded_.data()), folded_.size());
}

size_t KdxFoldedWord::Find(const uint8_t* text, size_t size) const {
  const size_t m = folded_.size();
  if (m == 0) return 0;
  if (m > size) return SIZE_MAX;
  const auto* word = reinterpret_cast<const uint8_t*>(folded_.data());
  const size_t starts = size - m + 1;  // candidate start positions
  size_t i = 0;
#if defined(KDX_WIDE_FIND)
  if (kWideFind) {
    const size_t at = FindWide(text, starts, word, m, first_, last_, &i);
    if (at != SIZE_MAX) return at;
  }
#endif
#if defined(__SSE2__)
  // The text is folded on the fly: a filter byte that is a letter is compared
  // with the text byte's case bit set, which is exact for letters only.
  auto letterBit = [](uint8_t c) {
    return _mm_set1_epi8(static_cast<char>(c >= 'a' && c <= 'z' ? 0x20 : 0));
  };
  const __m128i a = _mm_set1_epi8(static_cast<char>(word[first_]));
  const __m128i b = _mm_set1_epi8(static_cast<char>(word[last_]));
  const __m128i aBit = letterBit(word[first_]);
  const __m128i bBit = letterBit(word[last_]);
  // Each load covers 16 candidate starts; the last byte read is at most
  // starts - 1 + last_ = size - 1.
  for (; i + 16 <= starts; i += 16) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + first_));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + last_));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
        _mm_cmpeq_epi8(_mm_or_si128(x, aBit), a), _mm_cmpeq_epi8(_mm_or_si128(y, bBit), b))));
    while (mask != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
      if (MatchesAt(text + i + bit)) return i + bit;
      mask &= mask - 1;
    }
  }
#endif
  for (; i < starts; ++i) {
    if (FoldByte(text[i + first_]) == word[first_] && FoldByte(text[i + last_]) == word[last_] &&
        MatchesAt(text + i)) {
      return i;
    }
  }
  return SIZE_MAX;
}

bool KDX_TextContainsWord(std::string_view text, std::string_view word) {
  return KdxFoldedWord(word).FoundIn(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

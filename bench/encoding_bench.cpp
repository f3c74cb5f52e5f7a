// Encoding speed: detection over 64 MiB of mixed Japanese and ASCII text (as
// UTF-8 and as Shift JIS), the import's decision and decoding, whole-text
// conversion between Shift JIS and UTF-8, and the per-call cost of filling a
// title field.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/util/vell_encoding.h"

namespace {

constexpr size_t kTextBytes = size_t{64} << 20;

// Notes-like text: Japanese sentences with kana, kanji, punctuation and
// half-width katakana, between English words, numbers and line breaks.
const std::string& MixedUtf8() {
  static const std::string text = [] {
    const char* pieces[] = {
        "今日は会議の議事録を作成しました。",
        "The quick brown fox jumps over the lazy dog. ",
        "東京都千代田区１－２－３　ﾃｽﾄﾋﾞﾙ４階",
        "予定：打ち合わせ（午後３時から）、資料の確認。",
        "version 2.4.1 released on 2024-05-01\n",
        "カタカナとひらがなと漢字が混ざった文章です。\n",
        "memo: ",
        "〒100-0001 ～①㈱髙",
    };
    std::string s;
    s.reserve(kTextBytes + 256);
    uint32_t state = 12345;
    while (s.size() < kTextBytes) {
      state = state * 1103515245u + 12345u;
      s += pieces[(state >> 16) % std::size(pieces)];
    }
    return s;
  }();
  return text;
}

const std::string& MixedSjis() {
  static const std::string text = [] {
    std::string s;
    if (Vell_EncodeFromUTF8(MixedUtf8(), kVellEncodingSJIS, s) != kVellEncOk) std::abort();
    return s;
  }();
  return text;
}

void Detect(benchmark::State& state, const std::string& text, const char* expect) {
  char name[kVellEncodingNameSize];
  for (auto _ : state) {
    Vell_GetTextEncoding(reinterpret_cast<const uint8_t*>(text.data()), text.size(), name,
                         sizeof name);
    benchmark::DoNotOptimize(name);
  }
  if (std::string(name) != expect) state.SkipWithError("wrong encoding detected");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_DetectUtf8(benchmark::State& state) { Detect(state, MixedUtf8(), kVellEncodingUTF8); }
BENCHMARK(BM_DetectUtf8)->Unit(benchmark::kMillisecond);

void BM_DetectSjis(benchmark::State& state) { Detect(state, MixedSjis(), kVellEncodingSJIS); }
BENCHMARK(BM_DetectSjis)->Unit(benchmark::kMillisecond);

void BM_DecodeSjis(benchmark::State& state) {
  const std::string& sjis = MixedSjis();
  std::string out;
  for (auto _ : state) {
    if (Vell_DecodeToUTF8(sjis, kVellEncodingSJIS, out) != kVellEncOk) state.SkipWithError("");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sjis.size()));
}
BENCHMARK(BM_DecodeSjis)->Unit(benchmark::kMillisecond);

// The whole decision an import takes, detection and decoding, over each.
void Import(benchmark::State& state, const std::string& text, const char* expect) {
  std::string out, used;
  for (auto _ : state) {
    if (Vell_DecodeTextForImport(text, out, &used) != kVellEncOk) state.SkipWithError("");
    benchmark::DoNotOptimize(out.data());
  }
  if (used != expect) state.SkipWithError("read in the wrong encoding");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ImportUtf8(benchmark::State& state) { Import(state, MixedUtf8(), kVellEncodingUTF8); }
BENCHMARK(BM_ImportUtf8)->Unit(benchmark::kMillisecond);

void BM_ImportSjis(benchmark::State& state) { Import(state, MixedSjis(), kVellEncodingSJIS); }
BENCHMARK(BM_ImportSjis)->Unit(benchmark::kMillisecond);

void BM_EncodeSjis(benchmark::State& state) {
  const std::string& utf8 = MixedUtf8();
  std::string out;
  for (auto _ : state) {
    if (Vell_EncodeFromUTF8(utf8, kVellEncodingSJIS, out) != kVellEncOk) state.SkipWithError("");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * utf8.size()));
}
BENCHMARK(BM_EncodeSjis)->Unit(benchmark::kMillisecond);

// One entry title into its 512-byte field, as every save of a title does.
void BM_TitleToSjisField(benchmark::State& state) {
  const std::string title = "会議の議事録（2024年5月）";
  char field[512];
  for (auto _ : state) {
    if (Vell_CStringWithUTF8(title, kVellEncodingSJIS, sizeof field, field) != 0) std::abort();
    benchmark::DoNotOptimize(field);
  }
}
BENCHMARK(BM_TitleToSjisField);

}  // namespace

BENCHMARK_MAIN();

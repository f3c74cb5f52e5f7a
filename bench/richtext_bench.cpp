// Rich-text speed: reading and writing a 1 MB Japanese RTF document with mixed
// character and paragraph formatting, and taking the plain text of 10,000
// bodies of a few KB each.
//
// The RTF is made in memory: a QTextDocument of Japanese and ASCII runs in
// bold, italic, colours, sizes and alignments is grown until WriteRtf gives at
// least 1 MB, so the bytes carry \uN escapes with Shift JIS fallback bytes as
// the writer puts them. Aims: reading and writing under 100 ms each.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QColor>
#include <QGuiApplication>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>

#include "richtext/body_format.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

namespace {

constexpr qsizetype kRtfBytes = qsizetype{1} << 20;
constexpr int kBodies = 10000;

const char* const kPieces[] = {
    "今日は会議の議事録を作成しました。",
    "The quick brown fox jumps over the lazy dog. ",
    "東京都千代田区１－２－３　ﾃｽﾄﾋﾞﾙ４階",
    "予定：打ち合わせ（午後３時から）、資料の確認。",
    "version 2.4.1 released on 2024-05-01 ",
    "カタカナとひらがなと漢字が混ざった文章です。",
    "memo: ",
    "〒100-0001 ～①㈱髙",
};

uint32_t Next(uint32_t* state) {
  *state = *state * 1103515245u + 12345u;
  return *state >> 16;
}

// Appends one paragraph of formatted runs to the document at cursor.
void AppendParagraph(QTextCursor* cursor, uint32_t* state, bool first) {
  static const QColor kColours[] = {Qt::black, Qt::red, Qt::darkBlue, Qt::darkGreen,
                                    QColor(0x80, 0x40, 0x00)};
  static const Qt::Alignment kAlignments[] = {Qt::AlignLeft, Qt::AlignCenter, Qt::AlignRight,
                                              Qt::AlignJustify};
  static const double kSizes[] = {9.0, 10.5, 12.0, 14.0, 18.0};

  QTextBlockFormat block;
  block.setAlignment(kAlignments[Next(state) % std::size(kAlignments)]);
  if (first) {
    cursor->setBlockFormat(block);
  } else {
    cursor->insertBlock(block);
  }
  const uint32_t runs = 4 + Next(state) % 8;
  for (uint32_t i = 0; i < runs; ++i) {
    QTextCharFormat format;
    const uint32_t bits = Next(state);
    format.setFontWeight((bits & 1) != 0 ? QFont::Bold : QFont::Normal);
    format.setFontItalic((bits & 2) != 0);
    format.setForeground(kColours[(bits >> 2) % std::size(kColours)]);
    format.setFontPointSize(kSizes[(bits >> 5) % std::size(kSizes)]);
    cursor->insertText(QString::fromUtf8(kPieces[Next(state) % std::size(kPieces)]), format);
  }
}

struct Sample {
  std::unique_ptr<QTextDocument> document;
  QByteArray rtf;
};

// The document grown until its RTF reaches kRtfBytes. Never freed, so that the
// document does not outlive the QGuiApplication in static destruction.
const Sample& JapaneseSample() {
  static const Sample* const sample = [] {
    auto* s = new Sample;
    s->document = std::make_unique<QTextDocument>();
    QTextCursor cursor(s->document.get());
    uint32_t state = 12345;
    bool first = true;
    for (;;) {
      for (int i = 0; i < 200; ++i) {
        AppendParagraph(&cursor, &state, first);
        first = false;
      }
      s->rtf = kdx_richtext::WriteRtf(*s->document, kdx_richtext::RtfAttachmentMode::embed).rtf;
      if (s->rtf.size() >= kRtfBytes) break;
    }
    return s;
  }();
  return *sample;
}

// A body of a few KB: mixed text with line breaks, as a user might type it.
const QByteArray& SmallBody() {
  static const QByteArray body = [] {
    QString text;
    uint32_t state = 777;
    while (text.size() < 2000) {
      text += QString::fromUtf8(kPieces[Next(&state) % std::size(kPieces)]);
      if (Next(&state) % 4 == 0) text += QLatin1Char('\n');
    }
    return kdx_richtext::KDXCOMM_ConvertTextToRtfd(text, QString(), 12.0);
  }();
  return body;
}

void BM_ReadRtf(benchmark::State& state) {
  const QByteArray& rtf = JapaneseSample().rtf;
  QTextDocument document;
  for (auto _ : state) {
    const kdx_richtext::RtfReadResult result = kdx_richtext::ReadRtf(rtf, &document);
    if (!result.ok) {
      state.SkipWithError("ReadRtf failed");
      break;
    }
    benchmark::DoNotOptimize(document.characterCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * rtf.size());
  state.counters["rtf_bytes"] = static_cast<double>(rtf.size());
  state.counters["characters"] = static_cast<double>(document.characterCount());
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_WriteRtf(benchmark::State& state) {
  const Sample& sample = JapaneseSample();
  qsizetype bytes = 0;
  for (auto _ : state) {
    const QByteArray rtf =
        kdx_richtext::WriteRtf(*sample.document, kdx_richtext::RtfAttachmentMode::embed).rtf;
    bytes = rtf.size();
    benchmark::DoNotOptimize(rtf.constData());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
  state.counters["rtf_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A table of state.range(0) rows whose first column is one cell merged down
// the whole table, read and written again: the time per row should not grow
// with the number of rows.
void BM_LongTable(benchmark::State& state) {
  QByteArray rtf = "{\\rtf1\\ansi \\trowd\\clvmgf\\cellx1000\\cellx2000 a\\cell b\\cell\\row ";
  for (int64_t row = 1; row < state.range(0); ++row) {
    rtf += "\\trowd\\clvmrg\\cellx1000\\cellx2000 \\cell c\\cell\\row ";
  }
  rtf += "}";
  for (auto _ : state) {
    QTextDocument document;
    if (!kdx_richtext::ReadRtf(rtf, &document).ok) {
      state.SkipWithError("ReadRtf failed");
      break;
    }
    benchmark::DoNotOptimize(
        kdx_richtext::WriteRtf(document, kdx_richtext::RtfAttachmentMode::embed).rtf.size());
  }
  state.counters["us_per_row"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LongTable)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(3);

// One iteration extracts the plain text of kBodies bodies; per_body is the mean per body.
void BM_BodyPlainText(benchmark::State& state) {
  const QByteArray& body = SmallBody();
  QString text;
  for (auto _ : state) {
    for (int i = 0; i < kBodies; ++i) {
      if (kdx_richtext::BodyPlainText(body, &text) != kdx_richtext::BodyStatus::ok) {
        state.SkipWithError("BodyPlainText failed");
        return;
      }
      benchmark::DoNotOptimize(text.constData());
    }
  }
  state.counters["body_bytes"] = static_cast<double>(body.size());
  state.counters["text_chars"] = static_cast<double>(text.size());
  state.counters["per_body"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBodies,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BodyPlainText)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same through the text-block entry point, to Shift JIS.
void BM_ConvertRtfdToText(benchmark::State& state) {
  const QByteArray& body = SmallBody();
  for (auto _ : state) {
    for (int i = 0; i < kBodies; ++i) {
      const kdx_richtext::BodyText text = kdx_richtext::KDXCOMM_ConvertRtfdToText(body, "S-JIS");
      if (text.status != kdx_richtext::BodyStatus::ok) {
        state.SkipWithError("KDXCOMM_ConvertRtfdToText failed");
        return;
      }
      benchmark::DoNotOptimize(text.bytes.data());
    }
  }
  state.counters["per_body"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBodies,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ConvertRtfdToText)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const Sample& sample = JapaneseSample();
  std::fprintf(stderr, "sample RTF: %lld bytes, %d characters; body: %lld bytes\n",
               static_cast<long long>(sample.rtf.size()), sample.document->characterCount(),
               static_cast<long long>(SmallBody().size()));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

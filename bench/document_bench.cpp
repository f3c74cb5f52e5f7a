// Document speed at 10,000 and 100,000 entries: opening (all tables and the
// entry hash), saving after one entry changed, and loading one entry's body,
// text and note.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "core/document/blocks.h"
#include "core/document/entry_table.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"
#include "core/document/records.h"
#include "core/session/kdx_session.h"
#include "sample_document.h"

namespace {

// One sample document per size, written once into the temporary folder.
const std::string& SamplePath(int32_t entries) {
  static std::map<int32_t, std::string> paths;
  auto it = paths.find(entries);
  if (it != paths.end()) return it->second;
  std::string path =
      (std::filesystem::temp_directory_path() /
       ("kdx-bench-" + std::to_string(getpid()) + "-" + std::to_string(entries) + ".kdx"))
          .string();
  std::filesystem::remove(path);
  if (KdxWriteSampleDocument(path, entries) != 0) {
    std::fprintf(stderr, "cannot write the sample document %s\n", path.c_str());
    std::abort();
  }
  return paths.emplace(entries, path).first->second;
}

struct OpenDocument {
  KdxSession session;
  explicit OpenDocument(const std::string& path, KdxAccess access = KdxAccess::kRead) {
    if (session.Open(path, access) != KdxOpenResult::kOk) std::abort();
  }
  const KDX_DATA& data() const { return session.data(); }
};

void BM_Open(benchmark::State& state) {
  const std::string& path = SamplePath(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    OpenDocument doc(path);
    benchmark::DoNotOptimize(doc.data().entryAry->count);
  }
}
BENCHMARK(BM_Open)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One entry changed behind the session's back: the save compares every record.
void BM_SaveAfterOneChange(benchmark::State& state) {
  const std::string& path = SamplePath(static_cast<int32_t>(state.range(0)));
  OpenDocument doc(path, KdxAccess::kWrite);
  if (doc.session.Save() != 0) std::abort();  // the first save stamps the file information
  uint64_t before = std::filesystem::file_size(path);
  int n = 0;
  for (auto _ : state) {
    KDX_DATA* data = doc.session.EditDirectly();
    KDX_ENTRY entry;
    EN_GetData_ByIndex(data->entryAry, data->entryAry->count / 2, &entry);
    std::snprintf(entry.en_title, sizeof entry.en_title, "変更された題名 %d", ++n);
    EN_SetData_ByIndex(data->entryAry, data->entryAry->count / 2, entry);
    if (doc.session.Save() != 0) std::abort();
  }
  state.counters["grown_bytes"] = static_cast<double>(std::filesystem::file_size(path) - before);
}
BENCHMARK(BM_SaveAfterOneChange)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same change through the session, which knows what it touched: the
// entry window's autosave.
void BM_SaveAfterOneTrackedChange(benchmark::State& state) {
  const std::string& path = SamplePath(static_cast<int32_t>(state.range(0)));
  OpenDocument doc(path, KdxAccess::kWrite);
  if (doc.session.Save() != 0) std::abort();
  int n = 0;
  const int32_t index = doc.data().entryAry->count / 2;
  for (auto _ : state) {
    KDX_ENTRY entry;
    EN_GetData_ByIndex(doc.data().entryAry, index, &entry);
    std::snprintf(entry.en_title, sizeof entry.en_title, "変更された題名 %d", ++n);
    if (doc.session.UpdateEntry(entry) != KdxChangeResult::kOk || doc.session.Save() != 0)
      std::abort();
  }
}
BENCHMARK(BM_SaveAfterOneTrackedChange)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LoadOneEntry(benchmark::State& state) {
  const std::string& path = SamplePath(static_cast<int32_t>(state.range(0)));
  OpenDocument doc(path);
  std::mt19937 rng(7);
  std::vector<uint8_t> text, note, body;
  for (auto _ : state) {
    int32_t index = static_cast<int32_t>(rng() % static_cast<uint32_t>(doc.data().entryAry->count));
    int32_t id = KDX_GetStoredEntryID(
        static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(doc.data().entryAry, index)));
    // A sample entry has its text, a note now and then, and no body.
    const auto load = [&](KdxBlockKind kind, std::vector<uint8_t>& out) {
      const int32_t status = KDX_LoadBlockData(path.c_str(), kind, id, out);
      if (status != 0 && (status != kKdxBlockMissing || kind == KdxBlockKind::kText)) std::abort();
    };
    load(KdxBlockKind::kBody, body);
    load(KdxBlockKind::kText, text);
    load(KdxBlockKind::kNote, note);
    benchmark::DoNotOptimize(text.size());
  }
}
BENCHMARK(BM_LoadOneEntry)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// Container speed on documents of 100,000 entries: appending members, walking
// them, and loading and saving a table of 100,000 records of 2,393 bytes (the
// stored size of one entry).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/container/rez.h"
#include "core/util/vell_ary.h"

namespace {

constexpr int32_t kRecordSize = 2393;
constexpr int32_t kRecords = 100000;
constexpr uint32_t kTag = REZ_MakeTag("ENTR");

std::string TempPath(const char* name) {
  static std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "kdx-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) abort();
    return pattern;
  }();
  return folder + "/" + name;
}

VellAryPtr MakeTable() {
  VellAryPtr ary(Vell_Ary_Init(kRecordSize, kRecords, 0));
  std::vector<uint8_t> record(kRecordSize);
  for (int32_t i = 0; i < kRecords; ++i) {
    std::memcpy(record.data(), &i, sizeof i);
    std::memset(record.data() + 4, 'a' + i % 26, 64);
    if (Vell_Ary_Add(ary.get(), record.data()) != 0) abort();
  }
  return ary;
}

// A container holding the table, written once and shared by the benchmarks.
const std::string& TablePath() {
  static std::string path = [] {
    std::string p = TempPath("table.kdx");
    REZ_FILE file;
    if (REZ_Create(p.c_str(), &file) != REZ_OK) abort();
    auto ary = MakeTable();
    if (REZ_ARY_Save(&file, kTag, ary.get(), kRecordSize) != REZ_OK) abort();
    if (REZ_Close(&file) != REZ_OK) abort();
    return p;
  }();
  return path;
}

uint64_t FileSize(const std::string& path) { return std::filesystem::file_size(path); }

void BM_AppendMembers(benchmark::State& state) {
  std::vector<uint8_t> record(kRecordSize, 'x');
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = TempPath("append.kdx");
    unlink(path.c_str());
    REZ_FILE file;
    if (REZ_Create(path.c_str(), &file) != REZ_OK) abort();
    state.ResumeTiming();
    for (int32_t i = 0; i < kRecords; ++i) {
      if (REZ_AddData(&file, kTag, record.size(), record.data()) != REZ_OK) abort();
    }
    if (REZ_Close(&file) != REZ_OK) abort();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_AppendMembers)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WalkMembers(benchmark::State& state) {
  const std::string& path = TablePath();
  std::vector<uint8_t> record(kRecordSize);
  for (auto _ : state) {
    REZ_FILE file;
    if (REZ_Open(path.c_str(), 1, &file) != REZ_OK) abort();
    int32_t count = 0;
    for (int32_t s = REZ_FirstMember(&file, kTag); s == REZ_OK; s = REZ_NextMember(&file)) {
      if (REZ_GetData(&file, record.size(), record.data()) != REZ_OK) abort();
      ++count;
    }
    if (count != kRecords) abort();
    if (REZ_Close(&file) != REZ_OK) abort();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_WalkMembers)->Unit(benchmark::kMillisecond);

void BM_AryLoad(benchmark::State& state) {
  const std::string& path = TablePath();
  for (auto _ : state) {
    REZ_FILE file;
    if (REZ_Open(path.c_str(), 1, &file) != REZ_OK) abort();
    VellAryPtr ary(Vell_Ary_Init(kRecordSize, 0, 0));
    if (REZ_ARY_Load(&file, kTag, kRecordSize, ary.get()) != 0) abort();
    if (ary->count != kRecords) abort();
    if (REZ_Close(&file) != REZ_OK) abort();
  }
}
BENCHMARK(BM_AryLoad)->Unit(benchmark::kMillisecond);

// Saves the table over itself, unchanged (range 0) or with one record changed (1).
void BM_ArySave(benchmark::State& state) {
  const std::string& path = TablePath();
  VellAryPtr ary;
  {
    REZ_FILE file;
    if (REZ_Open(path.c_str(), 1, &file) != REZ_OK) abort();
    ary.reset(Vell_Ary_Init(kRecordSize, 0, 0));
    if (REZ_ARY_Load(&file, kTag, kRecordSize, ary.get()) != 0) abort();
  }
  uint64_t sizeBefore = FileSize(path);
  uint8_t flip = 0;
  for (auto _ : state) {
    if (state.range(0) == 1) {
      auto* record = static_cast<uint8_t*>(Vell_Ary_GetDataPtr(ary.get(), kRecords / 2));
      record[100] = ++flip;
    }
    REZ_FILE file;
    if (REZ_Open(path.c_str(), 0, &file) != REZ_OK) abort();
    if (REZ_ARY_Save(&file, kTag, ary.get(), kRecordSize) != REZ_OK) abort();
    if (REZ_Close(&file) != REZ_OK) abort();
  }
  state.counters["grown_bytes"] = static_cast<double>(FileSize(path) - sizeBefore);
}
BENCHMARK(BM_ArySave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

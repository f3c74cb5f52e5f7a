// Searches arbitrary bytes as a document file: the text and note chains are
// walked and their blocks read, deciphered and matched for entries 0 to 3 (1
// and 3 encrypted). Whatever the bytes, nothing may read out of bounds, hang
// or crash, and the search must end with a status.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/document/entry_table.h"
#include "core/document/kdx_data.h"
#include "core/search/search_engine.h"

namespace {

struct Fixture {
  KdxScopedData scoped;
  KDX_DATA& data = scoped.data;
  Fixture() {
    for (int32_t id = 0; id < 4; ++id) {
      KDX_ENTRY entry{};
      entry.en_id = id;
      std::snprintf(entry.en_title, sizeof entry.en_title, "Title %d", id);
      entry.en_bo_encrypt = entry.en_no_encrypt = entry.en_encrypt = id % 2;
      EN_AddData(data.entryAry, entry);
    }
    KDX_RebuildEntryHash(&data);
    data.kdxFilePath = "/tmp/kdx-search-fuzz-" + std::to_string(getpid()) + ".kdx";
  }
  ~Fixture() { std::remove(data.kdxFilePath.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static Fixture fixture;
  FILE* file = std::fopen(fixture.data.kdxFilePath.c_str(), "wb");
  if (file == nullptr) return 0;
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  if (std::fclose(file) != 0 || !written) return 0;
  std::vector<KDX_FOUND_RESULT> results;
  const uint32_t all = kKdxSearchBody | kKdxSearchNote | kKdxSearchTitle;
  for (int32_t mode : {kKdxSearchPhrase, kKdxSearchAllWords, kKdxSearchAnyWord}) {
    (void)KDX_SearchEntries(&fixture.data, "a 議", mode,
                            mode == kKdxSearchPhrase ? kKdxSearchBody : all, {}, results, nullptr);
  }
  (void)FindOneSearchWord(&fixture.data, "A", results);
  return 0;
}

// kdx_generate OUT [ENTRIES]: writes a container shaped like a document of
// ENTRIES entries (default 1,000): an entry table of 2,393-byte records and one
// text member per entry. Used for trying kdx out and for benchmarks.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/container/rez.h"
#include "core/util/vell_ary.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: kdx_generate OUT [ENTRIES]\n");
    return 2;
  }
  long entries = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 1000;
  if (entries < 0 || entries > 10000000) {
    std::fprintf(stderr, "kdx_generate: ENTRIES must be from 0 to 10000000\n");
    return 2;
  }
  REZ_FILE file;
  if (REZ_Create(argv[1], &file) != REZ_OK) {
    std::fprintf(stderr, "kdx_generate: %s: cannot be created (does it exist already?)\n", argv[1]);
    return 1;
  }
  constexpr int32_t kEntrySize = 2393;
  VellAryPtr table(Vell_Ary_Init(kEntrySize, static_cast<int32_t>(entries) + 1, 0));
  std::vector<uint8_t> record(kEntrySize);
  int status = REZ_OK;
  for (int32_t id = 0; id < entries && status == REZ_OK; ++id) {
    std::memset(record.data(), 0, record.size());
    uint32_t le = REZ_EndianLong_NtoL(static_cast<uint32_t>(id));
    std::memcpy(record.data(), &le, 4);
    std::snprintf(reinterpret_cast<char*>(record.data()) + 4, 512, "文章 %d", id);
    Vell_Ary_Add(table.get(), record.data());
    std::string text = "本文 " + std::to_string(id) + " の見本です。Sample text of entry " +
                       std::to_string(id) + ".\n";
    status = REZ_AddData(&file, REZ_MakeTag("TXCT"), text.size(), text.data());
  }
  if (status == REZ_OK) status = REZ_ARY_Save(&file, REZ_MakeTag("ENTR"), table.get(), kEntrySize);
  if (REZ_Close(&file) != 0 && status == REZ_OK) status = REZ_ERR_IO;
  if (status != REZ_OK) {
    std::fprintf(stderr, "kdx_generate: %s: writing failed (code %d)\n", argv[1], status);
    return 1;
  }
  return 0;
}

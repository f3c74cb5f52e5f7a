// Parses arbitrary bytes as a version-2 export file. Nothing may crash, and a
// file that is accepted must give values that fit their fields with room for
// the NUL, valid UTF-8, a wrap mode of 1 to 3 and a label of 0 to 7.
//
// Seeds in corpus/v2 are Shift JIS files written by the import tests' layout:
// a complete one with a multi-line note, one with an empty body, and one whose
// note comes before the keyword (refused).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/util/vell_utf8.h"
#include "transfer/v2_import.h"

namespace {

void Fail(int line) {
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}
#define CHECK(ok) ((ok) ? void() : Fail(__LINE__))

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  KdxV2Export v2;
  if (KDX_ParseV2Export(bytes, &v2) != KdxV2Parse::ok) return 0;
  CHECK(v2.title.size() <= 511);
  CHECK(v2.cat1.size() <= 127 && v2.cat2.size() <= 127 && v2.cat3.size() <= 127);
  for (const std::string* date : {&v2.created, &v2.updated, &v2.viewed, &v2.used}) {
    CHECK(date->size() <= 14 && date->find('\r') == std::string::npos);
  }
  CHECK(v2.turn >= 1 && v2.turn <= 3);
  CHECK(v2.label >= 0 && v2.label <= 7);
  CHECK(v2.turnWidth.empty() || v2.turnWidth.size() <= 11);
  for (const std::string* text : {&v2.body, &v2.title, &v2.cat1, &v2.note}) {
    CHECK(Vell_IsValidUtf8(*text));
  }
  return 0;
}

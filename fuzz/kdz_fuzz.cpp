// Reads arbitrary bytes as an entry export file. Nothing may crash, hang or
// leak, and what is read must be usable: every text field and the extension
// NUL-terminated valid UTF-8 when the input was, the label within 0 to 7, a
// failed read leaving the entry untouched, and a note found whenever the
// file starts with the note marker.
//
// Seeds in corpus/kdz: full.kdz (every key of a written file, a two-line
// note), injected.kdz (keys after the note, a marker inside a value, a tab in
// a value), short.kdz (a marker without its blank at the end of the file).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/document/records.h"
#include "core/util/vell_utf8.h"
#include "transfer/kdz_file.h"

namespace {

void Fail(int line) {
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}
#define CHECK(ok) ((ok) ? void() : Fail(__LINE__))

bool Terminated(const char* field, size_t size) { return std::memchr(field, 0, size) != nullptr; }

// A private file the input is written to for each run, removed at exit.
struct InputFile {
  std::string path;
  InputFile() {
    char name[] = "/tmp/kdz_fuzz_XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) std::abort();
    ::close(fd);
    path = name;
  }
  ~InputFile() { ::unlink(path.c_str()); }
};

const std::string& InputPath() {
  static const InputFile file;
  return file.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string& path = InputPath();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  if (std::fclose(file) != 0 || !written) return 0;
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);

  KDX_ENTRY entry;
  std::memset(&entry, 0x5a, sizeof entry);
  const KDX_ENTRY before = entry;
  char extension[16];
  std::memset(extension, 0x5a, sizeof extension);
  const int32_t read = KDX_ReadEntry_FromKdzFile(path, &entry, extension);
  if (read == 0) {
    CHECK(size == 0);
    CHECK(std::memcmp(&entry, &before, sizeof entry) == 0);
  } else {
    CHECK(read == 1);
    CHECK(entry.en_co_id >= 0 && entry.en_co_id <= 7);
    CHECK(Terminated(extension, sizeof extension));
    for (const auto& [field, width] : {std::pair{entry.en_title, sizeof entry.en_title},
                                       {entry.en_cat1_name, sizeof entry.en_cat1_name},
                                       {entry.en_file_path, sizeof entry.en_file_path},
                                       {entry.en_encode, sizeof entry.en_encode},
                                       {entry.en_create_date, sizeof entry.en_create_date}}) {
      CHECK(Terminated(field, width));
      if (Vell_IsValidUtf8(input)) CHECK(Vell_IsValidUtf8(field));
    }
  }

  std::string note;
  const int32_t found = KDX_ReadNote_FromKdzFile(path, &note);
  CHECK(found == 1 || found == kKdzNoNote);
  CHECK(note.size() <= size);
  if (input.substr(0, 7) == "[note] ") CHECK(found == 1 && note == input.substr(7));
  return 0;
}

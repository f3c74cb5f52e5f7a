// Opens arbitrary bytes as a container and walks every tag and member,
// reading each member's data whole and in part, then edits a copy. Whatever
// the bytes, nothing may read out of bounds, hang or crash.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/container/rez.h"
#include "core/util/vell_ary.h"

namespace {

// On damaged bytes a call may well fail; what is checked is that it stays
// within bounds and ends, so its result is not looked at.
void Tried(int32_t) {}

void WalkAll(REZ_FILE* file) {
  int64_t budget = static_cast<int64_t>(REZ_MaxChainSteps(file)) * 4 + 16;
  std::vector<uint8_t> buffer;
  int32_t status = REZ_FirstTag(file);
  while (status == REZ_OK && --budget > 0) {
    uint32_t tag = file->current.tag;
    int32_t member = REZ_FirstMember(file, tag);
    while (member == REZ_OK && --budget > 0) {
      int64_t length = REZ_GetDataLength(file);
      if (length >= 0 && length <= (1 << 20)) {
        buffer.resize(static_cast<size_t>(length) + 1);
        Tried(REZ_GetData(file, buffer.size(), buffer.data()));
        if (length > 0) {
          Tried(REZ_GetSubdata(file, static_cast<uint64_t>(length) - 1, 1, buffer.data()));
        }
        Tried(REZ_GetSubdata(file, 0xFFFFFFFFull, 2, buffer.data()));
      }
      member = REZ_NextMember(file);
    }
    for (int32_t size : {4, 36, 2393}) {
      VellAryPtr ary(Vell_Ary_Init(size, 0, 0));
      int32_t reason;
      Tried(REZ_ARY_IsLoadable(file, tag, size, &reason));
      Tried(REZ_ARY_Load(file, tag, size, ary.get()));
    }
    Tried(REZ_FirstMember(file, tag));
    status = REZ_NextTag(file);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  {
    REZ_FILE file;
    if (REZ_OpenStream(std::make_unique<MemoryRezStream>(bytes), 1, &file) == REZ_OK) {
      WalkAll(&file);
      Tried(REZ_PreviousTag(&file));
      Tried(REZ_PreviousMember(&file));
    }
  }
  // Edits on a damaged file must refuse or keep it walkable, never loop or overrun.
  REZ_FILE file;
  if (REZ_OpenStream(std::make_unique<MemoryRezStream>(bytes), 0, &file) != REZ_OK) return 0;
  const uint8_t record[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  if (REZ_FirstTag(&file) == REZ_OK) {
    uint32_t tag = file.current.tag;
    Tried(REZ_InsertData(&file, sizeof record, record));
    Tried(REZ_AddData(&file, tag, sizeof record, record));
    if (REZ_FirstMember(&file, tag) == REZ_OK && REZ_NextMember(&file) == REZ_OK) {
      Tried(REZ_RemoveData(&file));
    }
    if (REZ_FirstMember(&file, tag) == REZ_OK) Tried(REZ_RemoveData(&file));
  }
  Tried(REZ_AddData(&file, REZ_MakeTag("FUZZ"), sizeof record, record));
  VellAryPtr ary(Vell_Ary_Init(8, 0, 0));
  if (Vell_Ary_Add(ary.get(), record) != 0) return 0;
  Tried(REZ_ARY_Save(&file, REZ_MakeTag("FUZZ"), ary.get(), 8));
  WalkAll(&file);
  return 0;
}

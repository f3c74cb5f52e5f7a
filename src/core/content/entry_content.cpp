// Body, text and note blocks in plain and encrypted form. The three kinds share
// one implementation; a descriptor carries the block operations of each.
#include "core/content/entry_content.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iterator>
#include <span>
#include <string>

#include "core/document/block_io.h"
#include "core/document/entry_table.h"
#include "core/document/id_counter.h"
#include "core/document/kdx_file.h"
#include "core/util/vell_crypto.h"
#include "core/util/vell_endian.h"
#include "core/util/vell_log.h"
#include "core/util/vell_string.h"
#include "core/util/vell_time.h"
#include "core/util/vell_utf8.h"

using block_io::Allocate;

namespace {

using SaveFn = int32_t (*)(KDX_DATA*, int32_t, int32_t, int32_t, const void*);
using CreateFn = int32_t (*)(const char*, int32_t, int32_t, int32_t, int32_t, const void*);

struct KindOps {
  KdxBlockKind kind;
  SaveFn save;
  CreateFn create;
  uint32_t tag;
  const char* counterName;  // of the container identifiers
  const char* name;         // in log lines
  const char* prefix;       // of the public names
};

constexpr KindOps kKinds[] = {
    {KdxBlockKind::kBody, BO_Save, BO_CreateNewContainer, kKdxTagBORB, "bo_id", "Body", "BO"},
    {KdxBlockKind::kText, TX_Save, TX_CreateNewContainer, kKdxTagTEXT, "tx_id", "Text", "TX"},
    {KdxBlockKind::kNote, NO_Save, NO_CreateNewContainer, kKdxTagNORB, "no_id", "Note", "NO"},
};

const KindOps& OpsOf(KdxBlockKind kind) { return kKinds[static_cast<size_t>(kind)]; }

bool IsEncrypted(const KDX_ENTRY& entry, KdxBlockKind kind) {
  return (kind == KdxBlockKind::kNote ? entry.en_no_encrypt : entry.en_bo_encrypt) == 1;
}

// The head of a content block (blocks.h).
constexpr size_t kHeadContainerIdAt = 0;
constexpr size_t kHeadEntryIdAt = 4;
constexpr size_t kHeadDataSizeAt = 8;

bool ValidEncryptedSize(uint64_t size) { return size >= 16 && (size - 16) % 16 == 0; }

int32_t SizeOf(const std::vector<uint8_t>& bytes) { return static_cast<int32_t>(bytes.size()); }

// The encrypted stored form of size content bytes. 0, kKdxBlockNoMemory or
// kKdxEncryptFailed.
[[nodiscard]] int32_t Encipher(const void* bytes, int32_t size, std::vector<uint8_t>& out) {
  out.clear();
  const int32_t stored = Vell_GetEncryptedDataLength(size);
  if (stored < 0 || (size > 0 && bytes == nullptr)) return kKdxEncryptFailed;
  // Enciphering the zero-extended content adds a padding block, which is
  // not kept: the stored form is the IV and the content's blocks only.
  std::vector<uint8_t> work;
  if (!Allocate(work, static_cast<uint64_t>(stored) - 16) ||
      !Allocate(out, static_cast<uint64_t>(stored) + 16)) {
    return kKdxBlockNoMemory;
  }
  if (size > 0) std::memcpy(work.data(), bytes, static_cast<size_t>(size));
  const int32_t written = Vell_Encrypt(work.data(), stored - 16, kKdxProgramKeyHex, out.data());
  if (written != stored + 16) {
    out.clear();
    return kKdxEncryptFailed;
  }
  out.resize(static_cast<size_t>(stored));
  return 0;
}

// Deciphers an encrypted stored form into out, which holds at least its size
// - 16 bytes. kKdxBlockDamaged (nothing deciphered) for a size off the 16 + 16k
// rule, or kKdxEncryptFailed.
int32_t Decipher(std::span<const uint8_t> stored, uint8_t* out) {
  if (!ValidEncryptedSize(stored.size()) || stored.size() > INT32_MAX) return kKdxBlockDamaged;
  const auto size = static_cast<int32_t>(stored.size());
  if (Vell_DecryptBlocks(stored.data(), size, kKdxProgramKeyHex, out) != size - 16) {
    return kKdxEncryptFailed;
  }
  return 0;
}

// Writes the content of a stored form into out, which holds capacity bytes and
// is zero beyond what is written: the plain bytes, or the E - 16 deciphered ones.
[[nodiscard]] int32_t ContentInto(const std::vector<uint8_t>& stored, bool encrypted, uint8_t* out,
                                  size_t capacity) {
  if (!encrypted) {
    const size_t count = std::min(capacity, stored.size());
    if (count > 0) std::memcpy(out, stored.data(), count);
    return 0;
  }
  if (!ValidEncryptedSize(stored.size())) return kKdxBlockDamaged;
  const size_t plain = stored.size() - 16;
  std::vector<uint8_t> spare;
  uint8_t* target = out;
  if (capacity < plain) {
    if (!Allocate(spare, plain)) return kKdxBlockNoMemory;
    target = spare.data();
  }
  const int32_t status = Decipher(stored, target);
  if (status != 0) return status;
  if (target != out && capacity > 0) std::memcpy(out, spare.data(), capacity);
  return 0;
}

// The stored form the other flag asks for: enciphered, or deciphered keeping
// the size E (content, then zeros).
[[nodiscard]] int32_t OtherForm(const std::vector<uint8_t>& stored, bool toEncrypted,
                                std::vector<uint8_t>& out) {
  if (toEncrypted) return Encipher(stored.data(), SizeOf(stored), out);
  if (!Allocate(out, stored.size())) return kKdxBlockNoMemory;
  return ContentInto(stored, true, out.data(), out.size());
}

[[nodiscard]] int32_t LoadInto(const char* path, KdxBlockKind kind, int32_t entryId, bool encrypted,
                               int32_t size, void* out) {
  std::vector<uint8_t> stored;
  int32_t status = KDX_LoadBlockData(path, kind, entryId, stored);
  if (status != 0) return status;
  if (size < 0 || static_cast<size_t>(size) > stored.size() || (size > 0 && out == nullptr)) {
    return REZ_ERR_ARGUMENT;
  }
  if (size > 0) std::memset(out, 0, static_cast<size_t>(size));
  return ContentInto(stored, encrypted, static_cast<uint8_t*>(out), static_cast<size_t>(size));
}

[[nodiscard]] int32_t LoadContainer(const char* name, const char* path, const KDX_ENTRY& entry,
                                    KdxBlockKind kind, uint8_t** buffer) {
  *buffer = nullptr;
  std::vector<uint8_t> stored;
  int32_t status = KDX_LoadBlockData(path, kind, entry.en_id, stored);
  int step = status == kKdxBlockMissing ? 1 : status == kKdxBlockNoMemory ? 2 : 3;
  if (status == 0 && !stored.empty()) {
    auto* out = static_cast<uint8_t*>(std::calloc(stored.size() + 1, 1));
    status = out == nullptr ? kKdxBlockNoMemory
                            : ContentInto(stored, IsEncrypted(entry, kind), out, stored.size());
    step = status == kKdxBlockNoMemory ? 2 : 3;
    if (status == 0) {
      *buffer = out;
    } else {
      std::free(out);
    }
  }
  if (status != 0) {
    Vell_SystemErrorLog("[-%d] %s[%d]\r\n", step, name, entry.en_id);
    return step == 1 ? kKdxLoadMissing : step == 2 ? kKdxLoadNoMemory : kKdxLoadFailed;
  }
  return SizeOf(stored);
}

[[nodiscard]] int32_t SaveEncrypted(const KindOps& ops, KDX_DATA* data, int32_t entryId,
                                    int32_t expandSize, int32_t size, const void* bytes) {
  std::vector<uint8_t> stored;
  int32_t status = Encipher(bytes, size, stored);
  if (status != 0) {
    Vell_SystemErrorLog("[-%d] KDX_SaveEncrypt%s\r\n", status == kKdxBlockNoMemory ? 1 : 2,
                        ops.name);
    return status;
  }
  return ops.save(data, entryId, expandSize, SizeOf(stored), stored.data());
}

[[nodiscard]] int32_t CreateBlock(const KindOps& ops, const char* path, int32_t expandSize,
                                  int32_t containerId, int32_t entryId, int32_t encrypt,
                                  int32_t size, const void* bytes) {
  if (encrypt != 1) return ops.create(path, expandSize, containerId, entryId, size, bytes);
  std::vector<uint8_t> stored;
  int32_t status = Encipher(bytes, size, stored);
  if (status != 0) {
    Vell_SystemErrorLog("[-%d] KDX_%s_CreateNewContainer\r\n", status == kKdxBlockNoMemory ? 1 : 2,
                        ops.prefix);
    return status;
  }
  return ops.create(path, expandSize, containerId, entryId, SizeOf(stored), stored.data());
}

// Rewrites one block in the other form; *before gets the stored form it had,
// so that the caller can put it back. The block is unchanged on failure.
[[nodiscard]] int32_t ConvertBlock(KDX_DATA* data, const KindOps& ops, int32_t entryId,
                                   int32_t expandSize, bool toEncrypted,
                                   std::vector<uint8_t>* before) {
  const char* path = data->kdxFilePath.c_str();
  int32_t status = KDX_LoadBlockData(path, ops.kind, entryId, *before);
  if (status != 0) return status;
  std::vector<uint8_t> after;
  status = OtherForm(*before, toEncrypted, after);
  if (status == 0) status = ops.save(data, entryId, expandSize, SizeOf(after), after.data());
  if (status != 0) {
    Vell_SystemErrorLog("[-1] KDX_Convert%s%s[%d %d]\r\n", toEncrypted ? "Encrypt" : "Decrypt",
                        ops.name, entryId, status);
  }
  return status;
}

[[nodiscard]] int32_t Convert(KDX_DATA* data, KdxBlockKind kind, int32_t entryId,
                              int32_t expandSize, bool toEncrypted) {
  std::vector<uint8_t> before;
  return ConvertBlock(data, OpsOf(kind), entryId, expandSize, toEncrypted, &before);
}

[[nodiscard]] int32_t SwitchEncryption(KDX_DATA* data, KDX_ENTRY* entry, int32_t index,
                                       int32_t expandSize, bool toEncrypted) {
  const char* name = toEncrypted ? "KDX_SetEncrypt" : "KDX_SetDecrypt";
  if ((entry->en_bo_encrypt == 1) == toEncrypted) return kKdxSwitchNotNeeded;
  const int32_t id = entry->en_id;
  KDX_ENTRY stored;
  EN_GetData_ByIndex(data->entryAry, index, &stored);
  if (index < 0 || index >= Vell_Ary_GetSize(data->entryAry) || stored.en_id != id) {
    index = EN_FindIndex_ByID(data->entryAry, id);
    if (index < 0) {
      Vell_SystemErrorLog("[-1] %s[%d]\r\n", name, id);
      return kKdxSwitchFailed;
    }
  }

  struct Done {
    const KindOps* ops;
    std::vector<uint8_t> before;
  };
  std::vector<Done> done;
  int32_t status = 0;
  for (const KindOps& ops : kKinds) {
    if (IsEncrypted(*entry, ops.kind) == toEncrypted) continue;
    std::vector<uint8_t> before;
    status = ConvertBlock(data, ops, id, expandSize, toEncrypted, &before);
    if (status == 0) done.push_back({&ops, std::move(before)});
    if (status == kKdxBlockMissing) status = 0;  // nothing to convert
    if (status != 0) {
      Vell_SystemErrorLog("[-2] %s[%d %s %d]\r\n", name, id, ops.name, status);
      break;
    }
  }

  const KDX_ENTRY previous = *entry;
  bool tablesFailed = false;
  if (status == 0) {
    const int32_t flag = toEncrypted ? 1 : 0;
    entry->en_encrypt = entry->en_no_encrypt = entry->en_bo_encrypt = flag;
    Vell_GetCurrentTimeAsString(entry->en_update_date, kVellDateCharsSize);
    EN_SetData_ByIndex(data->entryAry, index, *entry);
    if (KDX_SaveAllData(data->kdxFilePath.c_str(), data) == 0) return 0;
    Vell_SystemErrorLog("[-3] %s[%d]\r\n", name, id);
    tablesFailed = true;
    *entry = previous;
    EN_SetData_ByIndex(data->entryAry, index, previous);
  }

  bool undone = true;
  for (auto it = done.rbegin(); it != done.rend(); ++it) {
    if (it->ops->save(data, id, expandSize, SizeOf(it->before), it->before.data()) != 0)
      undone = false;
  }
  // A failed save may have written the entry table before another table
  // failed: write the old flags back.
  if (tablesFailed && KDX_SaveAllData(data->kdxFilePath.c_str(), data) != 0) undone = false;
  if (!undone) {
    Vell_SystemErrorLog("[-4] %s[%d]\r\n", name, id);
    return kKdxSwitchNotUndone;
  }
  return kKdxSwitchFailed;
}

int32_t ScanRead(const char* name, KdxBlockKind kind, REZ_FILE* file, const KDX_DATA* data,
                 uint8_t** buffer, int32_t* sizeOut) {
  *buffer = nullptr;
  const int64_t length = REZ_GetDataLength(file);
  std::vector<uint8_t> member;
  if (length >= 0 && !Allocate(member, static_cast<uint64_t>(length))) return -4;
  const int32_t status = REZ_GetData(file, member.size(), member.data());
  if (status != REZ_OK) {
    Vell_SystemErrorLog("[-1] %s[%d]\r\n", name, status);
    return -1;
  }
  KdxContentBlock block;
  KdxBlockRead read = KDX_ReadContentBlock(member, &block, name);
  if (read != KdxBlockRead::kOk) return static_cast<int32_t>(read);
  auto* out = static_cast<uint8_t*>(std::calloc(block.stored.size() + 1, 1));
  if (out == nullptr) return -4;
  KDX_ENTRY entry;
  if (KDX_FindEntry(data, block.entryId, &entry) < 0) {
    Vell_SystemErrorLog("[-5] %s[%d]\r\n", name, block.entryId);
    std::free(out);
    return -5;
  }
  std::vector<uint8_t> work;
  std::span<const uint8_t> content;
  read = KDX_DecodeContent(block, IsEncrypted(entry, kind), work, &content, name);
  if (read != KdxBlockRead::kOk) {
    std::free(out);
    return static_cast<int32_t>(read);
  }
  if (!content.empty()) std::memcpy(out, content.data(), content.size());
  *buffer = out;
  if (sizeOut != nullptr) *sizeOut = static_cast<int32_t>(block.stored.size());
  return block.entryId;
}

}  // namespace

// ---- public names ------------------------------------------------------------

int32_t KDX_SaveEncryptBody(KDX_DATA* data, int32_t entryId, int32_t expandSize, int32_t size,
                            const void* bytes) {
  return SaveEncrypted(kKinds[0], data, entryId, expandSize, size, bytes);
}
int32_t KDX_SaveEncryptText(KDX_DATA* data, int32_t entryId, int32_t expandSize, int32_t size,
                            const void* bytes) {
  return SaveEncrypted(kKinds[1], data, entryId, expandSize, size, bytes);
}
int32_t KDX_SaveEncryptNote(KDX_DATA* data, int32_t entryId, int32_t expandSize, int32_t size,
                            const void* bytes) {
  return SaveEncrypted(kKinds[2], data, entryId, expandSize, size, bytes);
}

namespace {
[[nodiscard]] int32_t SaveByFlag(const KindOps& ops, KDX_DATA* data, const KDX_ENTRY& entry,
                                 int32_t expandSize, int32_t size, const void* bytes) {
  if (IsEncrypted(entry, ops.kind))
    return SaveEncrypted(ops, data, entry.en_id, expandSize, size, bytes);
  return ops.save(data, entry.en_id, expandSize, size, bytes);
}
}  // namespace

int32_t KDX_BO_Save(KDX_DATA* data, const KDX_ENTRY& entry, int32_t expandSize, int32_t size,
                    const void* bytes) {
  return SaveByFlag(kKinds[0], data, entry, expandSize, size, bytes);
}
int32_t KDX_TX_Save(KDX_DATA* data, const KDX_ENTRY& entry, int32_t expandSize, int32_t size,
                    const void* bytes) {
  return SaveByFlag(kKinds[1], data, entry, expandSize, size, bytes);
}
int32_t KDX_NO_Save(KDX_DATA* data, const KDX_ENTRY& entry, int32_t expandSize, int32_t size,
                    const void* bytes) {
  return SaveByFlag(kKinds[2], data, entry, expandSize, size, bytes);
}

int32_t KDX_BO_Load(const char* path, const KDX_ENTRY& entry, int32_t size, void* out) {
  return LoadInto(path, KdxBlockKind::kBody, entry.en_id, IsEncrypted(entry, KdxBlockKind::kBody),
                  size, out);
}
int32_t KDX_TX_Load(const char* path, const KDX_ENTRY& entry, int32_t size, void* out) {
  return LoadInto(path, KdxBlockKind::kText, entry.en_id, IsEncrypted(entry, KdxBlockKind::kText),
                  size, out);
}
int32_t KDX_NO_Load(const char* path, const KDX_ENTRY& entry, int32_t size, void* out) {
  return LoadInto(path, KdxBlockKind::kNote, entry.en_id, IsEncrypted(entry, KdxBlockKind::kNote),
                  size, out) == 0
             ? 1
             : 0;
}
int32_t KDX_LoadDecryptBody(const char* path, int32_t entryId, int32_t size, void* out) {
  return LoadInto(path, KdxBlockKind::kBody, entryId, true, size, out);
}
int32_t KDX_LoadDecryptText(const char* path, int32_t entryId, int32_t size, void* out) {
  return LoadInto(path, KdxBlockKind::kText, entryId, true, size, out);
}
int32_t KDX_LoadDecryptNote(const char* path, int32_t entryId, int32_t size, void* out) {
  return LoadInto(path, KdxBlockKind::kNote, entryId, true, size, out) == 0 ? 1 : 0;
}

int32_t KDX_LoadBOContainer(const char* path, const KDX_ENTRY& entry, uint8_t** buffer) {
  return LoadContainer("KDX_LoadBOContainer", path, entry, KdxBlockKind::kBody, buffer);
}
int32_t KDX_LoadTXContainer(const char* path, const KDX_ENTRY& entry, uint8_t** buffer) {
  return LoadContainer("KDX_LoadTXContainer", path, entry, KdxBlockKind::kText, buffer);
}
int32_t KDX_LoadNOContainer(const char* path, const KDX_ENTRY& entry, uint8_t** buffer) {
  return LoadContainer("KDX_LoadNOContainer", path, entry, KdxBlockKind::kNote, buffer);
}

int32_t KDX_LoadBlockText(const char* path, const KDX_ENTRY& entry, KdxBlockKind kind,
                          std::string* text) {
  uint8_t* buffer = nullptr;
  const int32_t size = kind == KdxBlockKind::kNote ? KDX_LoadNOContainer(path, entry, &buffer)
                                                   : KDX_LoadTXContainer(path, entry, &buffer);
  text->clear();
  if (size > 0) {
    const char* chars = reinterpret_cast<const char*>(buffer);
    text->assign(chars, strnlen(chars, static_cast<size_t>(size)));
  }
  std::free(buffer);
  return size;
}

std::string KDX_GetNoteText(const char* path, const KDX_ENTRY& entry, size_t maxBytes) {
  std::string note;
  // Lists and previews show an unreadable note as empty; the load logs it.
  static_cast<void>(KDX_LoadBlockText(path, entry, KdxBlockKind::kNote, &note));
  note.resize(Vell_Utf8CutLength(note, maxBytes));
  return note;
}

int32_t KDX_LoadStoredForm(const char* path, KdxBlockKind kind, const KDX_ENTRY& entry,
                           std::vector<uint8_t>& out) {
  int32_t status = KDX_LoadBlockData(path, kind, entry.en_id, out);
  if (status == 0 && IsEncrypted(entry, kind) && !ValidEncryptedSize(out.size())) {
    out.clear();
    return kKdxBlockDamaged;
  }
  return status;
}

int32_t KDX_BO_CreateNewContainer(const char* path, int32_t expandSize, int32_t containerId,
                                  int32_t entryId, int32_t encrypt, int32_t size,
                                  const void* bytes) {
  return CreateBlock(kKinds[0], path, expandSize, containerId, entryId, encrypt, size, bytes);
}
int32_t KDX_TX_CreateNewContainer(const char* path, int32_t expandSize, int32_t containerId,
                                  int32_t entryId, int32_t encrypt, int32_t size,
                                  const void* bytes) {
  return CreateBlock(kKinds[1], path, expandSize, containerId, entryId, encrypt, size, bytes);
}
int32_t KDX_NO_CreateNewContainer(const char* path, int32_t expandSize, int32_t containerId,
                                  int32_t entryId, int32_t encrypt, int32_t size,
                                  const void* bytes) {
  return CreateBlock(kKinds[2], path, expandSize, containerId, entryId, encrypt, size, bytes);
}
int32_t KDX_CreateStoredBlock(const char* path, KdxBlockKind kind, int32_t expandSize,
                              int32_t containerId, int32_t entryId, int32_t size,
                              const void* bytes) {
  return OpsOf(kind).create(path, expandSize, containerId, entryId, size, bytes);
}

int32_t KDX_AddEntryWithBlocks(KDX_DATA* data, const KDX_ENTRY& entry, int32_t expandSize,
                               const KdxStoredBlocks& blocks, KdxBlockOrder order) {
  const char* path = data->kdxFilePath.c_str();
  const int32_t id = entry.en_id;
  if (id < 0) return REZ_ERR_ARGUMENT;
  // Blocks under an identifier handed out again (counters lost or not saved
  // after a crash) would otherwise be found before the new ones.
  int32_t status = KDX_RemoveOrphanBlocks(path, id);
  if (status > 0) Vell_SystemErrorLog("[0] KDX_AddEntryWithBlocks orphans[%d %d]\r\n", id, status);
  constexpr KdxBlockKind kTextFirst[] = {KdxBlockKind::kText, KdxBlockKind::kNote,
                                         KdxBlockKind::kBody};
  for (size_t k = 0; k < std::size(kKinds); ++k) {
    if (status < 0) break;
    const KindOps& ops = order == KdxBlockOrder::kTextNoteBody ? OpsOf(kTextFirst[k]) : kKinds[k];
    const auto& stored = blocks[static_cast<size_t>(ops.kind)];
    if (!stored.has_value()) continue;
    const int32_t containerId = KDX_DrawBlockId(data, ops.tag, ops.counterName);
    status = containerId < 0
                 ? REZ_ERR_ARGUMENT
                 : ops.create(path, expandSize, containerId, id, SizeOf(*stored), stored->data());
  }
  if (status >= 0) status = EN_AddData(data->entryAry, entry) == 0 ? 0 : kKdxBlockNoMemory;
  if (status < 0) {
    Vell_SystemErrorLog("[-1] KDX_AddEntryWithBlocks[%d %d]\r\n", id, status);
    // Best effort while the failure is reported: the removal logs its own
    // failures, and a block left behind is removed before its identifier is
    // handed out again.
    static_cast<void>(KDX_RemoveOrphanBlocks(path, id));
    return status;
  }
  // A node that cannot be had leaves the entry to the linear search every
  // lookup through the hash falls back to.
  static_cast<void>(Vell_Hash_Add(
      data->entryHash, Vell_Ary_GetSize(data->entryAry) - 1,
      Vell_GenerateHashValue_FromInteger(data->entryHash, static_cast<uint32_t>(id))));
  return 0;
}

std::string KDX_WithTrailingZero(std::string_view bytes) {
  std::string out;
  if (bytes.empty()) return out;
  out.reserve(bytes.size() + 1);
  out.append(bytes);
  out.push_back('\0');
  return out;
}

int32_t KDX_MakeStoredForm(std::string_view content, bool encrypted, std::vector<uint8_t>& out) {
  out.clear();
  if (content.size() > static_cast<size_t>(INT32_MAX - 64)) return REZ_ERR_ARGUMENT;
  if (encrypted) return Encipher(content.data(), static_cast<int32_t>(content.size()), out);
  if (!Allocate(out, content.size())) return kKdxBlockNoMemory;
  std::copy(content.begin(), content.end(), out.begin());
  return 0;
}

int32_t KDX_ReencipherStoredForm(const std::vector<uint8_t>& stored, bool encrypted,
                                 std::vector<uint8_t>& out) {
  out.clear();
  if (!encrypted) {
    if (!Allocate(out, stored.size())) return kKdxBlockNoMemory;
    std::copy(stored.begin(), stored.end(), out.begin());
    return 0;
  }
  if (!ValidEncryptedSize(stored.size()) || stored.size() > INT32_MAX) return kKdxBlockDamaged;
  std::vector<uint8_t> plain;
  if (!Allocate(plain, stored.size() - 16)) return kKdxBlockNoMemory;
  if (const int32_t status = Decipher(stored, plain.data()); status != 0) return status;
  if (plain.empty()) {
    // The form of an empty content that is only an IV: a fresh IV alone.
    if (!Allocate(out, 16)) return kKdxBlockNoMemory;
    return Vell_Encrypt(nullptr, 0, kKdxProgramKeyHex, out.data()) == 16 ? 0 : kKdxEncryptFailed;
  }
  // Enciphering n bytes zero-extends them to the block after n: without its
  // last (zero) byte the content is extended back to exactly these bytes.
  const auto size = static_cast<int32_t>(plain.size());
  return Encipher(plain.data(), plain.back() == 0 ? size - 1 : size, out);
}

int32_t KDX_AddNewEntry(KDX_DATA* data, KDX_ENTRY* entry, int32_t expandSize,
                        const KdxEntryContent& content) {
  const std::string_view parts[] = {content.body, content.text, content.note};
  KdxStoredBlocks blocks;
  for (const KindOps& ops : kKinds) {
    const std::string_view part = parts[static_cast<size_t>(ops.kind)];
    const int32_t status = KDX_MakeStoredForm(part, IsEncrypted(*entry, ops.kind),
                                              blocks[static_cast<size_t>(ops.kind)].emplace());
    if (status != 0) return status;
  }
  entry->en_bo_block_size =
      content.bodyBlockSize.value_or(static_cast<int32_t>(content.body.size()));
  return KDX_AddEntryWithBlocks(data, *entry, expandSize, blocks, content.order);
}

int32_t KDX_ConvertEncryptBody(KDX_DATA* data, int32_t entryId, int32_t expandSize) {
  return Convert(data, KdxBlockKind::kBody, entryId, expandSize, true);
}
int32_t KDX_ConvertEncryptText(KDX_DATA* data, int32_t entryId, int32_t expandSize) {
  return Convert(data, KdxBlockKind::kText, entryId, expandSize, true) == 0 ? 1 : 0;
}
int32_t KDX_ConvertEncryptNote(KDX_DATA* data, int32_t entryId, int32_t expandSize) {
  return Convert(data, KdxBlockKind::kNote, entryId, expandSize, true) == 0 ? 1 : 0;
}
int32_t KDX_ConvertDecryptBody(KDX_DATA* data, int32_t entryId, int32_t expandSize) {
  return Convert(data, KdxBlockKind::kBody, entryId, expandSize, false) == 0 ? 1 : 0;
}
int32_t KDX_ConvertDecryptText(KDX_DATA* data, int32_t entryId, int32_t expandSize) {
  return Convert(data, KdxBlockKind::kText, entryId, expandSize, false) == 0 ? 1 : 0;
}
int32_t KDX_ConvertDecryptNote(KDX_DATA* data, int32_t entryId, int32_t expandSize) {
  return Convert(data, KdxBlockKind::kNote, entryId, expandSize, false) == 0 ? 1 : 0;
}

int32_t KDX_SetEncrypt(KDX_DATA* data, KDX_ENTRY* entry, int32_t index, int32_t expandSize) {
  return SwitchEncryption(data, entry, index, expandSize, true);
}
int32_t KDX_SetDecrypt(KDX_DATA* data, KDX_ENTRY* entry, int32_t index, int32_t expandSize) {
  return SwitchEncryption(data, entry, index, expandSize, false);
}

KdxBlockRead KDX_ReadContentBlock(std::span<const uint8_t> member, KdxContentBlock* block,
                                  const char* logName) {
  if (member.size() < kKdxContentHeadSize) {
    // As the container answers a read past the member's end.
    if (logName != nullptr) Vell_SystemErrorLog("[-1] %s[%d]\r\n", logName, REZ_ERR_ARGUMENT);
    return KdxBlockRead::kShortHead;
  }
  block->containerId = Vell_GetLE32Signed(member.data() + kHeadContainerIdAt);
  block->entryId = Vell_GetLE32Signed(member.data() + kHeadEntryIdAt);
  const int32_t size = Vell_GetLE32Signed(member.data() + kHeadDataSizeAt);
  if (size < 0 || static_cast<size_t>(size) > member.size() - kKdxContentHeadSize) {
    if (logName != nullptr) Vell_SystemErrorLog("[-3] %s[%d]\r\n", logName, block->entryId);
    return KdxBlockRead::kSizeOutside;
  }
  block->stored = member.subspan(kKdxContentHeadSize, static_cast<size_t>(size));
  return KdxBlockRead::kOk;
}

KdxBlockRead KDX_DecodeContent(const KdxContentBlock& block, bool encrypted,
                               std::vector<uint8_t>& work, std::span<const uint8_t>* content,
                               const char* logName) {
  if (!encrypted) {
    *content = block.stored;
    return KdxBlockRead::kOk;
  }
  KdxBlockRead result = KdxBlockRead::kUndecipherable;
  if (ValidEncryptedSize(block.stored.size())) {
    const size_t plain = block.stored.size() - 16;
    try {
      if (work.size() < plain) work.resize(plain);
      result = Decipher(block.stored, work.data()) == 0 ? KdxBlockRead::kOk
                                                        : KdxBlockRead::kUndecipherable;
    } catch (const std::exception&) {
      result = KdxBlockRead::kNoMemory;
    }
    if (result == KdxBlockRead::kOk) {
      *content = std::span<const uint8_t>(work.data(), plain);
      return result;
    }
  }
  if (logName != nullptr) {
    Vell_SystemErrorLog("[%d] %s[%d]\r\n", static_cast<int32_t>(result), logName, block.entryId);
  }
  return result;
}

int32_t KDX_TX_GetData(REZ_FILE* file, const KDX_DATA* data, uint8_t** buffer, int32_t* size) {
  return ScanRead("KDX_TX_GetData", KdxBlockKind::kText, file, data, buffer, size);
}
int32_t KDX_NO_GetData(REZ_FILE* file, const KDX_DATA* data, uint8_t** buffer, int32_t* size) {
  return ScanRead("KDX_NO_GetData", KdxBlockKind::kNote, file, data, buffer, size);
}

void KDX_GetDataSizeString(int64_t size, char* dst, size_t dstSize) {
  // A number cut short would show another number: show none instead.
  if (Vell_LongToCommaString(size, dst, dstSize) != 0 && dstSize > 0) dst[0] = '\0';
}

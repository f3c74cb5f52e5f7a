// An entry's content as the entry sees it: its body, text and note blocks
// saved and loaded in plain or encrypted form by the entry's flags, an entry
// switched between the two forms, and new entries created with their blocks.
//
// The body and text follow en_bo_encrypt, the note en_no_encrypt.
//
// Stored forms (the data of a content block, see blocks.h):
//   plain      the n content bytes; data size n
//   encrypted  E = Vell_GetEncryptedDataLength(n) bytes: the 16-byte IV, then
//              the AES-128-CBC ciphertext of the content zero-extended to
//              E - 16 bytes. No padding block is stored; data size E.
// Loaded form: data size + 1 zero bytes with the content (deciphered when
// encrypted) at the start, so a text or note always ends in a NUL and an
// encrypted block reads as its content followed by zeros. The size reported
// is the data size (E for an encrypted block); readers of texts and notes stop
// at the first NUL, readers of bodies must allow trailing zeros.
//
// An encrypted data size is trusted only when it is 16 + a multiple of 16;
// anything else is a damaged block (kKdxBlockDamaged), never deciphered.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/container/rez.h"
#include "core/content/content_status.h"  // the results this layer adds
#include "core/document/blocks.h"
#include "core/document/kdx_data.h"
#include "core/document/records.h"

// ---- Saving (in place when the block has room, else a grown block) ---------

// Enciphers size bytes to the encrypted form and saves it as the block's data.
// The container's result, kKdxBlockNoMemory or kKdxEncryptFailed (logged).
[[nodiscard]] int32_t KDX_SaveEncryptBody(KDX_DATA* data, int32_t entryId, int32_t expandSize,
                                          int32_t size, const void* bytes);
[[nodiscard]] int32_t KDX_SaveEncryptText(KDX_DATA* data, int32_t entryId, int32_t expandSize,
                                          int32_t size, const void* bytes);
[[nodiscard]] int32_t KDX_SaveEncryptNote(KDX_DATA* data, int32_t entryId, int32_t expandSize,
                                          int32_t size, const void* bytes);
// Saves in the form the entry's flag asks for; 0 or a negative code.
[[nodiscard]] int32_t KDX_BO_Save(KDX_DATA* data, const KDX_ENTRY& entry, int32_t expandSize,
                                  int32_t size, const void* bytes);
[[nodiscard]] int32_t KDX_TX_Save(KDX_DATA* data, const KDX_ENTRY& entry, int32_t expandSize,
                                  int32_t size, const void* bytes);
[[nodiscard]] int32_t KDX_NO_Save(KDX_DATA* data, const KDX_ENTRY& entry, int32_t expandSize,
                                  int32_t size, const void* bytes);

// ---- Loading ---------------------------------------------------------------

// Writes the first size bytes of the loaded form into out (size at most the
// data size). Body and text: 0 or a negative code; the note: 1 or 0.
[[nodiscard]] int32_t KDX_BO_Load(const char* path, const KDX_ENTRY& entry, int32_t size,
                                  void* out);
[[nodiscard]] int32_t KDX_TX_Load(const char* path, const KDX_ENTRY& entry, int32_t size,
                                  void* out);
[[nodiscard]] int32_t KDX_NO_Load(const char* path, const KDX_ENTRY& entry, int32_t size,
                                  void* out);
// The same, always deciphering.
[[nodiscard]] int32_t KDX_LoadDecryptBody(const char* path, int32_t entryId, int32_t size,
                                          void* out);
[[nodiscard]] int32_t KDX_LoadDecryptText(const char* path, int32_t entryId, int32_t size,
                                          void* out);
[[nodiscard]] int32_t KDX_LoadDecryptNote(const char* path, int32_t entryId, int32_t size,
                                          void* out);

// Allocates the loaded form into *buffer (freed with Vell_MallocFree) and
// returns the data size; 0 for an empty block (*buffer null); kKdxLoadMissing,
// kKdxLoadNoMemory or kKdxLoadFailed (logged, *buffer null). A failed load is
// never reported as an empty block, so a caller never saves emptiness over
// content it could not read.
[[nodiscard]] int32_t KDX_LoadBOContainer(const char* path, const KDX_ENTRY& entry,
                                          uint8_t** buffer);
[[nodiscard]] int32_t KDX_LoadTXContainer(const char* path, const KDX_ENTRY& entry,
                                          uint8_t** buffer);
[[nodiscard]] int32_t KDX_LoadNOContainer(const char* path, const KDX_ENTRY& entry,
                                          uint8_t** buffer);

// The entry's block in its stored form, exactly as in the file; an encrypted
// data size off the 16 + 16k rule gives kKdxBlockDamaged. 0, kKdxBlockMissing
// or another negative code, with out empty.
[[nodiscard]] int32_t KDX_LoadStoredForm(const char* path, KdxBlockKind kind,
                                         const KDX_ENTRY& entry, std::vector<uint8_t>& out);

// ---- New blocks --------------------------------------------------------------

// The stored form of content: its bytes, or enciphered when encrypted is set.
// 0, kKdxBlockNoMemory or kKdxEncryptFailed.
[[nodiscard]] int32_t KDX_MakeStoredForm(std::string_view content, bool encrypted,
                                         std::vector<uint8_t>& out);

// A stored form for a copy of a block: a plain form as it is; an encrypted
// one deciphered and enciphered again under a fresh IV, so that no IV is
// stored twice, keeping its size when its last deciphered byte is zero (as
// every encrypted form made here ends). 0, kKdxBlockDamaged for an encrypted
// size off the 16 + 16k rule, or another negative code.
[[nodiscard]] int32_t KDX_ReencipherStoredForm(const std::vector<uint8_t>& stored, bool encrypted,
                                               std::vector<uint8_t>& out);

// Appends a block for the entry, encrypted when encrypt is 1. 0, or a negative
// code with nothing created (an enciphering failure is logged).
[[nodiscard]] int32_t KDX_BO_CreateNewContainer(const char* path, int32_t expandSize,
                                                int32_t containerId, int32_t entryId,
                                                int32_t encrypt, int32_t size, const void* bytes);
[[nodiscard]] int32_t KDX_TX_CreateNewContainer(const char* path, int32_t expandSize,
                                                int32_t containerId, int32_t entryId,
                                                int32_t encrypt, int32_t size, const void* bytes);
[[nodiscard]] int32_t KDX_NO_CreateNewContainer(const char* path, int32_t expandSize,
                                                int32_t containerId, int32_t entryId,
                                                int32_t encrypt, int32_t size, const void* bytes);
// Appends a block of the kind holding size bytes as they are (a stored form).
[[nodiscard]] int32_t KDX_CreateStoredBlock(const char* path, KdxBlockKind kind, int32_t expandSize,
                                            int32_t containerId, int32_t entryId, int32_t size,
                                            const void* bytes);

// Stored forms of a new entry's blocks, indexed by KdxBlockKind; an empty
// optional makes no block of that kind.
using KdxStoredBlocks = std::array<std::optional<std::vector<uint8_t>>, 3>;

// The order in which a new entry's blocks are appended; each draws its
// container identifier from its kind's counter as it is made.
enum class KdxBlockOrder {
  kBodyTextNote,  // entries made in the windows, copies
  kTextNoteBody,  // version-2 imports
};

// Appends entry (its en_id freshly drawn) to the entry table and the entry
// hash, with the given blocks under new container identifiers. Blocks an
// earlier program run may have left under the same en_id are removed first.
// All or nothing: on failure the blocks made are removed again and the table
// is unchanged. 0 or a negative code. The caller saves the tables.
[[nodiscard]] int32_t KDX_AddEntryWithBlocks(KDX_DATA* data, const KDX_ENTRY& entry,
                                             int32_t expandSize, const KdxStoredBlocks& blocks,
                                             KdxBlockOrder order = KdxBlockOrder::kBodyTextNote);

// The content of a new entry; each kind gets a block, empty ones included.
// The bytes are stored as given: an import passes its text with the NUL it
// keeps, and a rich-text file's body with its extra zero byte.
struct KdxEntryContent {
  std::string_view body;  // opaque bytes of the rich-text body
  std::string_view text;  // UTF-8 plain text of the body
  std::string_view note;  // UTF-8 note
  // en_bo_block_size when an import records its own value; else the body's length.
  std::optional<int32_t> bodyBlockSize = std::nullopt;
  KdxBlockOrder order = KdxBlockOrder::kBodyTextNote;
};
// What an import stores: a text block made by an import ends in its NUL, and
// the body of a rich-text file or package is its data and one zero byte. The
// bytes followed by one zero byte; nothing for no bytes (an empty block).
[[nodiscard]] std::string KDX_WithTrailingZero(std::string_view bytes);

// KDX_AddEntryWithBlocks with the content in the form the entry's flags ask
// for; sets en_bo_block_size (see bodyBlockSize).
[[nodiscard]] int32_t KDX_AddNewEntry(KDX_DATA* data, KDX_ENTRY* entry, int32_t expandSize,
                                      const KdxEntryContent& content);

// ---- Switching the form ----------------------------------------------------

// Rewrites one block of the entry in the other form. The encrypting body
// conversion answers 0, kKdxBlockMissing, kKdxBlockNoMemory or another
// negative code; the others 1 on success and 0 on any failure. A converted
// plain block keeps the encrypted size E: its content, then zeros.
[[nodiscard]] int32_t KDX_ConvertEncryptBody(KDX_DATA* data, int32_t entryId, int32_t expandSize);
[[nodiscard]] int32_t KDX_ConvertEncryptText(KDX_DATA* data, int32_t entryId, int32_t expandSize);
[[nodiscard]] int32_t KDX_ConvertEncryptNote(KDX_DATA* data, int32_t entryId, int32_t expandSize);
[[nodiscard]] int32_t KDX_ConvertDecryptBody(KDX_DATA* data, int32_t entryId, int32_t expandSize);
[[nodiscard]] int32_t KDX_ConvertDecryptText(KDX_DATA* data, int32_t entryId, int32_t expandSize);
[[nodiscard]] int32_t KDX_ConvertDecryptNote(KDX_DATA* data, int32_t entryId, int32_t expandSize);

// Switches the entry (the record at index of entryAry) to encrypted or plain:
// converts body, text and note (a missing block needs nothing), sets the three
// flags and en_update_date, and saves the tables at once so that flags and
// blocks agree on disk. kKdxSwitchNotNeeded when the entry is already in that
// state; kKdxSwitchFailed or kKdxSwitchNotUndone (see content_status.h), *entry
// then unchanged.
[[nodiscard]] int32_t KDX_SetEncrypt(KDX_DATA* data, KDX_ENTRY* entry, int32_t index,
                                     int32_t expandSize);
[[nodiscard]] int32_t KDX_SetDecrypt(KDX_DATA* data, KDX_ENTRY* entry, int32_t index,
                                     int32_t expandSize);

// ---- Sequential scans --------------------------------------------------------

// A content block as read from its member's data.
struct KdxContentBlock {
  int32_t containerId = 0;
  int32_t entryId = 0;
  std::span<const uint8_t> stored;  // the data, as stored, in the member's bytes
};

// Reads the head of the content block whose member data is member and checks
// its data size. With a logName, failures are logged under that name.
[[nodiscard]] KdxBlockRead KDX_ReadContentBlock(std::span<const uint8_t> member,
                                                KdxContentBlock* block,
                                                const char* logName = nullptr);
// The block's content: its stored bytes when plain; when encrypted, the
// stored size - 16 deciphered bytes, written to work (grown as needed). With
// a logName, failures are logged under that name and block.entryId.
[[nodiscard]] KdxBlockRead KDX_DecodeContent(const KdxContentBlock& block, bool encrypted,
                                             std::vector<uint8_t>& work,
                                             std::span<const uint8_t>* content,
                                             const char* logName = nullptr);

// Reads the text (note) block file stands on during a walk of its tag: *buffer
// gets the loaded form (freed with Vell_MallocFree), *size (when given) the
// data size. The block's entry identifier, or a negative step: -1 the member
// unreadable or shorter than the head, -3 size outside the member, -4 memory,
// -5 no such entry, -6 memory for the deciphered content, -7 undecipherable.
[[nodiscard]] int32_t KDX_TX_GetData(REZ_FILE* file, const KDX_DATA* data, uint8_t** buffer,
                                     int32_t* size = nullptr);
[[nodiscard]] int32_t KDX_NO_GetData(REZ_FILE* file, const KDX_DATA* data, uint8_t** buffer,
                                     int32_t* size = nullptr);

// The entry's text or note block as text: decrypted, up to its first NUL (a
// stored block may end in zero bytes). Returns what the loader returned: the
// data size, 0 for an empty block, or a negative code (text then empty).
[[nodiscard]] int32_t KDX_LoadBlockText(const char* path, const KDX_ENTRY& entry, KdxBlockKind kind,
                                        std::string* text);

// The note of an entry as text (decrypted, up to its first NUL), cut to
// maxBytes at a character boundary. Empty when the note is empty, missing or
// unreadable: for lists and previews, never for saving back.
[[nodiscard]] std::string KDX_GetNoteText(const char* path, const KDX_ENTRY& entry,
                                          size_t maxBytes = SIZE_MAX);

// "1,234,567": the size in bytes with comma grouping; empty when dst is too
// small for all of it.
void KDX_GetDataSizeString(int64_t size, char* dst, size_t dstSize);

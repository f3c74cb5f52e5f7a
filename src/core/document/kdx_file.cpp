// Creating, loading and saving the document file's record tables.
#include "core/document/kdx_file.h"

#include <xxhash.h>

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>
#include <thread>

#include "core/container/rez_handle.h"
#include "core/document/blocks.h"
#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/column_table.h"
#include "core/document/entry_layout.h"
#include "core/document/env_table.h"
#include "core/document/file_type.h"
#include "core/document/id_counter.h"
#include "core/document/record_table.h"
#include "core/document/records.h"
#include "core/util/vell_crypto.h"
#include "core/util/vell_endian.h"
#include "core/util/vell_log.h"
#include "core/util/vell_time.h"
#include "core/util/vell_utf8.h"

extern const unsigned char kKdxDefaultFileTypeIcon[];
extern const std::size_t kKdxDefaultFileTypeIcon_size;

// What the file held after the last load or save: per table, the position of
// each member and a digest of its record, so that a save writes only changes.
struct KdxFileState {
  RezTableSnapshot entr, idco, ctle, envi, cats, clbu, colo, fity;
  // Tables that fell back to their defaults at load: their damaged members are
  // replaced at the next save.
  std::vector<uint32_t> replaceOnSave;
  // Whether the block counters were raised above the ids in the block heads.
  // Done at the first new block rather than at load: it reads every block head
  // of the file, which readers never need.
  bool blockCountersRaised = false;
};

namespace {

// Titles of encrypted entries are enciphered in place in the stored record.
constexpr size_t kTitleOffset = kdx_entry_layout::kTitle.offset;
constexpr size_t kTitleSize = kdx_entry_layout::kTitle.width;
// The enciphered part with its padding and initialisation vector fills the field.
static_assert(kKdxEncryptedTitlePlain + 16 + 16 == kTitleSize);

constexpr uint32_t kLoadOrder[] = {kKdxTagENVI, kKdxTagIDCO, kKdxTagENTR, kKdxTagCATS,
                                   kKdxTagCTLE, kKdxTagCLBU, kKdxTagCOLO, kKdxTagFITY};

KdxFileState* StateOf(KDX_DATA* data) {
  if (data->fileState == nullptr) data->fileState = std::make_shared<KdxFileState>();
  return data->fileState.get();
}

uint64_t Digest(const void* record, int32_t size) {
  return XXH3_64bits(record, static_cast<size_t>(size));
}

// Digests of every record. Large tables are split over two threads: the pass
// reads the whole table and is bound by memory bandwidth, and it sits on the
// path of every save.
void CutEncryptedTitle(uint8_t* stored);

// With cutTitles (the entry table) the titles of encrypted entries are cut
// first, in the same pass, while each record is in the cache anyway.
std::vector<uint64_t> Digests(VELL_ARY* ary, bool cutTitles = false) {
  std::vector<uint64_t> out(static_cast<size_t>(ary->count));
  auto work = [ary, &out, cutTitles](int32_t begin, int32_t end) {
    for (int32_t i = begin; i < end; ++i) {
      auto* record = static_cast<uint8_t*>(Vell_Ary_GetDataPtr(ary, i));
      if (cutTitles) CutEncryptedTitle(record);
      out[static_cast<size_t>(i)] = Digest(record, ary->recordSize);
    }
  };
  constexpr int32_t kSplitAbove = 8192;
  if (ary->count < kSplitAbove) {
    work(0, ary->count);
    return out;
  }
  int32_t half = ary->count / 2;
  std::thread helper(work, 0, half);
  work(half, ary->count);
  helper.join();
  return out;
}

// The longest prefix of a title field that ends on a whole character, before
// any NUL, within limit bytes.
size_t WholeTitleLength(const char* title, size_t fieldSize, size_t limit) {
  size_t length = strnlen(title, fieldSize);
  return Vell_Utf8CutLength(std::string_view(title, length), limit);
}

// The stored form of an entry: its title enciphered when the entry is.
[[nodiscard]] int32_t ProduceStoredEntry(const uint8_t* plain, uint8_t* out) {
  std::memcpy(out, plain, kKdxEntrySize);
  if (KDX_GetStoredEntryEncrypt(plain) != 1) return 0;
  uint8_t cipher[kTitleSize];
  int32_t written =
      Vell_Encrypt(plain + kTitleOffset, kKdxEncryptedTitlePlain, kKdxProgramKeyHex, cipher);
  if (written != static_cast<int32_t>(kTitleSize)) {
    Vell_SystemErrorLog("[-1] KDX_SaveEncrptedEntryArray[%d]\r\n", KDX_GetStoredEntryID(plain));
    return kKdxErrFile;
  }
  std::memcpy(out + kTitleOffset, cipher, kTitleSize);
  return 0;
}

// The title of an encrypted entry longer than fits the enciphered part is cut
// at a character boundary in memory too, so what is shown is what is stored.
void CutEncryptedTitle(uint8_t* stored) {
  if (KDX_GetStoredEntryEncrypt(stored) != 1) return;
  char* title = reinterpret_cast<char*>(stored + kTitleOffset);
  size_t keep = WholeTitleLength(title, kTitleSize, kKdxEncryptedTitlePlain - 1);
  std::memset(title + keep, 0, kTitleSize - keep);
}

void CutEncryptedTitles(VELL_ARY* entryAry) {
  for (int32_t i = 0; i < entryAry->count; ++i) {
    CutEncryptedTitle(static_cast<uint8_t*>(Vell_Ary_GetDataPtr(entryAry, i)));
  }
}

// Deciphers the title of one stored entry in place; an undecipherable title
// becomes empty (logged) and the rest of the record is kept.
void DecryptStoredTitle(uint8_t* stored) {
  uint8_t plain[kTitleSize] = {};
  int32_t length = Vell_DecryptBounded(stored + kTitleOffset, kTitleSize, kKdxProgramKeyHex, plain,
                                       sizeof plain);
  char* title = reinterpret_cast<char*>(stored + kTitleOffset);
  std::memset(title, 0, kTitleSize);
  if (length < 0) {
    Vell_SystemErrorLog("[-1] KDX_LoadDecryptEntryArray[%d]\r\n", KDX_GetStoredEntryID(stored));
    return;
  }
  size_t limit = std::min<size_t>(static_cast<size_t>(length), kKdxEncryptedTitlePlain - 1);
  size_t keep = WholeTitleLength(reinterpret_cast<const char*>(plain), limit, limit);
  std::memcpy(title, plain, keep);
}

// Loads one table into ary (which must be empty): 0 when loaded or absent, the
// load's code otherwise. positions receives the member positions.
[[nodiscard]] int32_t LoadTable(REZ_FILE* file, uint32_t tag, VELL_ARY* ary,
                                std::vector<uint32_t>* positions) {
  int32_t status = REZ_ARY_LoadWithPositions(file, tag, ary->recordSize, ary, positions);
  if (status == REZ_ARY_ABSENT) {  // an empty table
    positions->clear();
    return 0;
  }
  return status;
}

void ClearTables(KDX_DATA* data) {
  for (VELL_ARY* ary :
       {data->envAry, data->idCounterAry, data->entryAry, data->catSetAry, data->catTitleAry,
        data->columnAry, data->colorLabelAry, data->fileTypeAry}) {
    Vell_Ary_RemoveAll(ary);
  }
  data->fileState.reset();
}

VELL_ARY* TableOf(KDX_DATA* data, uint32_t tag) {
  switch (tag) {
    case kKdxTagENVI:
      return data->envAry;
    case kKdxTagIDCO:
      return data->idCounterAry;
    case kKdxTagENTR:
      return data->entryAry;
    case kKdxTagCATS:
      return data->catSetAry;
    case kKdxTagCTLE:
      return data->catTitleAry;
    case kKdxTagCLBU:
      return data->columnAry;
    case kKdxTagCOLO:
      return data->colorLabelAry;
    case kKdxTagFITY:
      return data->fileTypeAry;
  }
  return nullptr;
}

RezTableSnapshot* SnapshotOf(KdxFileState* state, uint32_t tag) {
  switch (tag) {
    case kKdxTagENVI:
      return &state->envi;
    case kKdxTagIDCO:
      return &state->idco;
    case kKdxTagENTR:
      return &state->entr;
    case kKdxTagCATS:
      return &state->cats;
    case kKdxTagCTLE:
      return &state->ctle;
    case kKdxTagCLBU:
      return &state->clbu;
    case kKdxTagCOLO:
      return &state->colo;
    case kKdxTagFITY:
      return &state->fity;
  }
  return nullptr;
}

[[nodiscard]] int32_t InitDefaultLabels(VELL_ARY* colorLabelAry) {
  return CO_InitData("なし", "必須", "重要", "進行中", "未決", "個人用", "計画１", "計画２",
                     colorLabelAry);
}

// Puts the defaults of a table that could not be loaded in its place. 0, or
// kKdxFailed when they could not be made (the table is then partly filled).
[[nodiscard]] int32_t FallBack(KDX_DATA* data, uint32_t tag) {
  VELL_ARY* ary = TableOf(data, tag);
  Vell_Ary_RemoveAll(ary);
  int32_t status = 0;
  if (tag == kKdxTagCTLE) status = TI_InitData("分類１", "分類２", "分類３", ary);
  if (tag == kKdxTagCLBU) {
    status = KDX_InitColumnWidth(data->idCounterAry, ary);
    KDX_InitDefaultSortKeys(ary);
  }
  if (tag == kKdxTagCOLO) status = InitDefaultLabels(ary);
  return status == 0 ? 0 : kKdxFailed;
}

// The largest value of a 32-bit identifier at offset 0 of each record, or -1.
int32_t MaxLeadingId(const VELL_ARY* ary) {
  int32_t max = -1;
  for (int32_t i = 0; i < ary->count; ++i) {
    max = std::max(max,
                   KDX_GetStoredEntryID(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, i))));
  }
  return max;
}

// The largest identifier at the head of the tag's blocks, or -1.
int32_t MaxBlockId(REZ_FILE* file, uint32_t tag) {
  int32_t max = -1;
  uint64_t steps = REZ_MaxChainSteps(file);
  for (int32_t s = REZ_FirstMember(file, tag); s == REZ_OK && steps-- > 0;
       s = REZ_NextMember(file)) {
    uint8_t head[4];
    if (file->current.dataLength >= 4 && REZ_GetSubdata(file, 0, 4, head) == REZ_OK) {
      max = std::max(max, Vell_GetLE32Signed(head));
    }
  }
  file->hasCurrent = 0;
  return max;
}

// Raises every counter above the identifiers present, in the tables and in the
// block heads, so that none is handed out twice even when the counters were
// lost or are older than the rest of the file. False when a counter could not
// be raised or made: it would then start again below identifiers in use.
[[nodiscard]] bool RaiseCounters(REZ_FILE* file, KDX_DATA* data) {
  int32_t maxIcon = -1;
  kdx_table::FileTypeTable::ForEach(data->fileTypeAry, [&](const KDX_FILE_TYPE& type, int32_t) {
    maxIcon = std::max(maxIcon, type.ft_fi_id);
  });
  struct Present {
    uint32_t tag;
    const char* name;
    int32_t maxId;
  };
  const Present present[] = {
      {kKdxTagENTR, "en_id", MaxLeadingId(data->entryAry)},
      {kKdxTagCATS, "ct_id", MaxLeadingId(data->catSetAry)},
      {kKdxTagCLBU, "cl_id", MaxLeadingId(data->columnAry)},
      {kKdxTagENVI, "ev_id", MaxLeadingId(data->envAry)},
      {kKdxTagFITY, "ft_id", MaxLeadingId(data->fileTypeAry)},
      {kKdxTagFIIC, "fi_id", std::max(maxIcon, MaxBlockId(file, kKdxTagFIIC))},
  };
  bool ok = true;
  for (const Present& p : present) {
    ok = IC_RaiseAboveExisting(data->idCounterAry, p.tag, p.name, p.maxId) == 0 && ok;
  }
  return ok;
}

// Raises the body, text and note counters above the container ids in the
// block heads. False when one could not be raised or made.
[[nodiscard]] bool RaiseBlockCounters(REZ_FILE* file, VELL_ARY* idCounterAry) {
  struct BlockCounter {
    uint32_t tag;
    const char* name;
  };
  bool ok = true;
  for (BlockCounter counter :
       {BlockCounter{kKdxTagBORB, "bo_id"}, BlockCounter{kKdxTagTEXT, "tx_id"},
        BlockCounter{kKdxTagNORB, "no_id"}}) {
    ok = IC_RaiseAboveExisting(idCounterAry, counter.tag, counter.name,
                               MaxBlockId(file, counter.tag)) == 0 &&
         ok;
  }
  return ok;
}

// Saves one table through its snapshot; ENTR enciphers titles as it goes.
// changedEntries, for the entry table only: the indices of the only entries
// that may have changed since the last load or save (null: any may have).
[[nodiscard]] int32_t SaveTable(REZ_FILE* file, KDX_DATA* data, uint32_t tag,
                                const std::vector<int32_t>* changedEntries) {
  KdxFileState* state = StateOf(data);
  VELL_ARY* ary = TableOf(data, tag);
  RezTableSnapshot* snapshot = SnapshotOf(state, tag);
  auto replace = std::find(state->replaceOnSave.begin(), state->replaceOnSave.end(), tag);
  if (replace != state->replaceOnSave.end()) {
    // Members of another size were there at load: take the whole tag away first.
    while (REZ_FirstMember(file, tag) == REZ_OK) {
      int32_t status = REZ_RemoveData(file);
      if (status != REZ_OK) return status;
    }
    snapshot->valid = false;
  }
  RezRecordProducer produce;
  if (tag == kKdxTagENTR) {
    produce = [ary](int32_t i, uint8_t* out) {
      return ProduceStoredEntry(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, i)), out);
    };
  } else {
    produce = [ary](int32_t i, uint8_t* out) {
      std::memcpy(out, Vell_Ary_GetDataPtr(ary, i), static_cast<size_t>(ary->recordSize));
      return 0;
    };
  }
  std::vector<uint64_t> digests;
  if (tag == kKdxTagENTR && changedEntries != nullptr && snapshot->valid &&
      replace == state->replaceOnSave.end() &&
      snapshot->digests.size() <= static_cast<size_t>(ary->count)) {
    // The caller says which entries it changed: the others keep their digests,
    // and the entries appended since are digested as new.
    const size_t saved = snapshot->digests.size();
    digests = snapshot->digests;
    digests.resize(static_cast<size_t>(ary->count));
    auto digestAt = [&](int32_t i) {
      auto* record = static_cast<uint8_t*>(Vell_Ary_GetDataPtr(ary, i));
      if (record == nullptr) return;
      CutEncryptedTitle(record);
      digests[static_cast<size_t>(i)] = Digest(record, ary->recordSize);
    };
    for (int32_t i : *changedEntries) {
      if (i >= 0 && static_cast<size_t>(i) < saved) digestAt(i);
    }
    for (size_t i = saved; i < digests.size(); ++i) digestAt(static_cast<int32_t>(i));
    // A caller that changed an entry without saying so would lose that change
    // here: builds with assertions compare with the full pass.
    assert(digests == Digests(ary, true));
  } else {
    digests = Digests(ary, tag == kKdxTagENTR);
  }
  int32_t status =
      REZ_ARY_SaveWithSnapshot(file, tag, ary->count, ary->recordSize, digests, produce, snapshot);
  if (status == REZ_OK && replace != state->replaceOnSave.end())
    state->replaceOnSave.erase(replace);
  return status;
}

}  // namespace

std::shared_ptr<KdxFileState> KDX_FileStateMoved(const KDX_DATA& data,
                                                 const std::function<uint32_t(uint32_t)>& moved) {
  if (data.fileState == nullptr) return nullptr;
  auto state = std::make_shared<KdxFileState>(*data.fileState);
  for (uint32_t tag : kLoadOrder) {
    RezTableSnapshot* snapshot = SnapshotOf(state.get(), tag);
    for (uint32_t& position : snapshot->positions) {
      position = moved(position);
      if (position == kRezNoLink) {
        *snapshot = RezTableSnapshot{};
        break;
      }
    }
  }
  return state;
}

void KDX_ForgetSavedState(KDX_DATA* data) {
  bool raised = data->fileState != nullptr && data->fileState->blockCountersRaised;
  data->fileState.reset();
  StateOf(data)->blockCountersRaised = raised;
}

int32_t KDX_DrawBlockId(KDX_DATA* data, uint32_t tag, const char* name) {
  if (data == nullptr || data->idCounterAry == nullptr) return kKdxFailed;
  KdxFileState* state = StateOf(data);
  if (!state->blockCountersRaised) {
    RezFileHandle file;
    if (file.Open(data->kdxFilePath.c_str(), 1) == REZ_OK) {
      // A counter left below the ids in the file would hand one out again.
      if (!RaiseBlockCounters(file.get(), data->idCounterAry)) {
        Vell_SystemErrorLog("[-1] KDX_DrawBlockId %s\r\n", name);
        return kKdxFailed;
      }
      state->blockCountersRaised = true;
    }
  }
  return IC_GetID_FromCounter(data->idCounterAry, tag, name);
}

int32_t KDX_LoadDecryptEntryArray(REZ_FILE* file, VELL_ARY* entryAry) {
  std::vector<uint32_t> positions;
  int32_t status = LoadTable(file, kKdxTagENTR, entryAry, &positions);
  if (status != 0) return status;
  for (int32_t i = 0; i < entryAry->count; ++i) {
    auto* stored = static_cast<uint8_t*>(Vell_Ary_GetDataPtr(entryAry, i));
    if (KDX_GetStoredEntryEncrypt(stored) == 1) DecryptStoredTitle(stored);
  }
  return 0;
}

int32_t KDX_SaveEncrptedEntryArray(REZ_FILE* file, VELL_ARY* entryAry) {
  CutEncryptedTitles(entryAry);
  RezTableSnapshot none;
  return REZ_ARY_SaveWithSnapshot(
      file, kKdxTagENTR, entryAry->count, kKdxEntrySize,
      std::vector<uint64_t>(static_cast<size_t>(entryAry->count)),
      [entryAry](int32_t i, uint8_t* out) {
        return ProduceStoredEntry(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(entryAry, i)),
                                  out);
      },
      &none);
}

int32_t KDX_LoadAllData(const char* path, KDX_DATA* data, std::vector<std::string>* warnings) {
  data->kdxFilePath = path != nullptr ? path : "";
  RezFileHandle file;
  if (path == nullptr || file.Open(path, 1) != REZ_OK) {
    Vell_SystemErrorLog("[-1] KDX_LoadAllData\r\n");
    return kKdxErrFile;
  }
  KdxFileState* state = StateOf(data);
  int step = 2;
  for (uint32_t tag : kLoadOrder) {
    VELL_ARY* ary = TableOf(data, tag);
    RezTableSnapshot* snapshot = SnapshotOf(state, tag);
    int32_t status = LoadTable(file.get(), tag, ary, &snapshot->positions);
    if (status == 0 && tag == kKdxTagENTR) {
      for (int32_t i = 0; i < ary->count; ++i) {
        auto* stored = static_cast<uint8_t*>(Vell_Ary_GetDataPtr(ary, i));
        if (KDX_GetStoredEntryEncrypt(stored) == 1) DecryptStoredTitle(stored);
      }
    }
    if (status != 0) {
      Vell_SystemErrorLog("[-%d] KDX_LoadAllData[%s %d]\r\n", step, REZ_TagName(tag).c_str(),
                          status);
      bool essential =
          tag == kKdxTagENVI || tag == kKdxTagIDCO || tag == kKdxTagENTR || tag == kKdxTagCATS;
      if (essential || FallBack(data, tag) != 0) {
        ClearTables(data);
        return kKdxErrFile;
      }
      state->replaceOnSave.push_back(tag);
      snapshot->positions.clear();
      if (warnings != nullptr) warnings->push_back(REZ_TagName(tag));
    } else {
      // Digests are of the plain records: an encrypted entry whose plain record
      // is unchanged still has valid ciphertext in its member.
      snapshot->digests = Digests(ary);
      snapshot->valid = snapshot->positions.size() == snapshot->digests.size();
    }
    ++step;
  }
  if (!RaiseCounters(file.get(), data)) {
    Vell_SystemErrorLog("[-%d] KDX_LoadAllData[counters]\r\n", step);
    ClearTables(data);
    return kKdxErrFile;
  }
  // Without the hash (no memory) lookups fall back to a linear search.
  static_cast<void>(KDX_RebuildEntryHash(data));
  return 0;
}

namespace {

[[nodiscard]] int32_t SaveAll(const char* path, KDX_DATA* data,
                              const std::vector<int32_t>* changedEntries) {
  RezFileHandle file;
  // The tables are written without touching a content block: keep the block index.
  KdxBlockIndexToken token;
  if (path != nullptr) token = KDX_BlockIndexBeforeOtherWrite(path);
  if (path == nullptr || file.Open(path, 0) != REZ_OK) {
    Vell_SystemErrorLog("[-1] KDX_SaveAllData\r\n");
    return kKdxErrFile;
  }
  int32_t result = 0;
  // Stale file information is still written with the tables, but the save
  // does not count as done: the stamp is part of it.
  if (EV_SetFileInfo(data->envAry, data->idCounterAry) != 0) {
    Vell_SystemErrorLog("[-11] KDX_SaveAllData[file info]\r\n");
    result = kKdxErrFile;
  }
  constexpr uint32_t kSaveOrder[] = {kKdxTagENTR, kKdxTagIDCO, kKdxTagCTLE, kKdxTagENVI,
                                     kKdxTagCATS, kKdxTagCLBU, kKdxTagCOLO, kKdxTagFITY};
  int step = 2;
  for (uint32_t tag : kSaveOrder) {
    int32_t status = SaveTable(file.get(), data, tag, changedEntries);
    if (status != 0 && result == 0) {
      Vell_SystemErrorLog("[-%d] KDX_SaveAllData[%s %d]\r\n", step, REZ_TagName(tag).c_str(),
                          status);
      result = kKdxErrFile;
    }
    ++step;
  }
  if (file.Close() != REZ_OK && result == 0) {
    Vell_SystemErrorLog("[-10] KDX_SaveAllData\r\n");
    result = kKdxErrFile;
  }
  if (result != 0) data->fileState.reset();
  KDX_BlockIndexAfterOtherWrite(path, token);
  return result;
}

}  // namespace

int32_t KDX_SaveAllData(const char* path, KDX_DATA* data) { return SaveAll(path, data, nullptr); }

int32_t KDX_SaveAfterEntryChanges(const char* path, KDX_DATA* data,
                                  const std::vector<int32_t>& changedIndices) {
  return SaveAll(path, data, &changedIndices);
}

namespace {

// Saves the given tables of data in order; the first failure ends it.
[[nodiscard]] int32_t SaveTablesInOrder(REZ_FILE* file, KDX_DATA* data,
                                        std::initializer_list<uint32_t> tags) {
  for (uint32_t tag : tags) {
    VELL_ARY* ary = TableOf(data, tag);
    int32_t status = REZ_ARY_Save(file, tag, ary, ary->recordSize);
    if (status != REZ_OK) return status;
  }
  return REZ_OK;
}

}  // namespace

int32_t CreateKdxFile(const char* path) {
  if (path == nullptr) return kKdxErrFile;
  KdxScopedData tables;
  if (!tables.ok) return kKdxErrFile;
  KDX_DATA& data = tables.data;
  // A document missing any of these would be written as if whole.
  const bool made = IC_InitData(data.idCounterAry) == 0 &&
                    CT_InitData("その他", data.idCounterAry, data.catSetAry) == 0 &&
                    TI_InitData("分類１", "分類２", "分類３", data.catTitleAry) == 0 &&
                    KDX_InitColumnWidth(data.idCounterAry, data.columnAry) == 0;
  KDX_InitDefaultSortKeys(data.columnAry);
  if (!made || InitDefaultLabels(data.colorLabelAry) != 0 ||
      EV_SetFileInfo(data.envAry, data.idCounterAry) != 0 ||
      EV_SetIntValue(data.envAry, data.idCounterAry, "target_kdx_app", 0) != 0) {
    Vell_SystemErrorLog("[-1] CreateKdxFile\r\n");
    return kKdxErrFile;
  }

  RezFileHandle file;
  if (file.Create(path) != REZ_OK) return kKdxErrFile;
  int32_t status = SaveTablesInOrder(
      file.get(), &data,
      {kKdxTagCATS, kKdxTagIDCO, kKdxTagCTLE, kKdxTagCLBU, kKdxTagCOLO, kKdxTagENVI});
  if (file.Close() != REZ_OK && status == REZ_OK) status = REZ_ERR_IO;

  // The default file type "txt" with its icon block, then its table and the
  // counters that now include the identifiers it drew.
  if (status == REZ_OK) {
    KDX_FILE_TYPE type;
    status = FT_MakeRecord(data.idCounterAry, "txt", 0,
                           static_cast<int32_t>(kKdxDefaultFileTypeIcon_size), &type);
    int32_t iconId = IC_GetID_FromCounter(data.idCounterAry, kKdxTagFIIC, "fi_id");
    if (status == 0 && iconId >= 0) {
      type.ft_fi_id = iconId;
      status = FI_CreateNewData(path, iconId, kKdxDefaultFileTypeIcon,
                                static_cast<int32_t>(kKdxDefaultFileTypeIcon_size));
    } else {
      status = REZ_ERR_ARGUMENT;
    }
    if (status == 0) status = FT_AddData(data.fileTypeAry, type);
  }
  if (status == REZ_OK && (status = file.Open(path, 0)) == REZ_OK) {
    status = SaveTablesInOrder(file.get(), &data, {kKdxTagFITY, kKdxTagIDCO});
    if (file.Close() != REZ_OK && status == REZ_OK) status = REZ_ERR_IO;
  }
  if (status != REZ_OK) {
    Vell_SystemErrorLog("[-2] CreateKdxFile[%d]\r\n", status);
    return kKdxErrFile;
  }
  return 0;
}

KdxVersionCheck KDX_CheckFileVersion(const KDX_DATA* data, std::string* versionText) {
  KDX_FILE_INFO info;
  if (EV_GetFileInfo(data->envAry, &info) == 0) return KdxVersionCheck::kNotKardinexFile;
  if (std::strcmp(info.kdxFileVersion, kKdxFileFormatVersion) == 0) return KdxVersionCheck::kOpen;
  if (std::strcmp(info.kdxFileVersion, "2") == 0) return KdxVersionCheck::kConvertFromV2;
  if (versionText != nullptr) {
    char text[64];
    Vell_MakeVersionString(info.updateAppVersion, 2, text, sizeof text);
    *versionText = text;
  }
  return KdxVersionCheck::kNewerVersion;
}

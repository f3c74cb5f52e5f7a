#include "core/session/kdx_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>

#include "core/container/rez_journal.h"
#include "core/content/entry_content.h"
#include "core/content/entry_copy.h"
#include "core/content/password.h"
#include "core/content/password_store.h"
#include "core/document/block_index.h"
#include "core/document/entry_table.h"
#include "core/document/kdx_file.h"
#include "core/listing/entry_list.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"

KdxSession::KdxSession() = default;

KdxSession::~KdxSession() { Close(); }

int32_t KdxSession::CreateFile(const std::string& path) {
  // Made under a private name and linked into place whole, so that a killed
  // process never leaves a half-made document under the name (link also
  // refuses a file that is there by now).
  const std::string partial = path + ".partial-" + std::to_string(::getpid());
  static_cast<void>(::unlink(partial.c_str()));  // left by an earlier run of this process id
  int32_t status = CreateKdxFile(partial.c_str());
  if (status == 0 && ::link(partial.c_str(), path.c_str()) != 0) status = kKdxErrFile;
  static_cast<void>(::unlink(partial.c_str()));
  if (status == 0 && !Vell_SyncFolderOf(path)) status = kKdxErrFile;
  return status;
}

KdxOpenResult KdxSession::RecoverBeforeReading(const std::string& path, KdxAccess access) {
  if (!Vell_IsFileExists(REZ_JournalPath(path).c_str())) return KdxOpenResult::kOk;
  // A commit that did not finish: whoever can take the write lock rolls it
  // back before anything is read. A writer holding the lock is finishing it.
  KdxDocumentLock writer;
  switch (writer.Acquire(path, true)) {
    case KdxDocumentLock::Result::kLocked:
      return REZ_RecoverJournal(path) >= 0 ? KdxOpenResult::kOk : KdxOpenResult::kCannotOpen;
    case KdxDocumentLock::Result::kHeldElsewhere:
      return access == KdxAccess::kInspect ? KdxOpenResult::kOk : KdxOpenResult::kHeldElsewhere;
    case KdxDocumentLock::Result::kCannotOpen:
      break;
  }
  return KdxOpenResult::kCannotOpen;
}

KdxOpenResult KdxSession::Open(const std::string& path, KdxAccess access,
                               const KdxPasswordPrompt& password,
                               const KdxConvertQuestion& convert) {
  Close();
  path_ = path;
  access_ = access;
  if (!Vell_IsFileExists(path.c_str())) return KdxOpenResult::kNoSuchFile;
  if (access != KdxAccess::kWrite) {
    const KdxOpenResult recovered = RecoverBeforeReading(path, access);
    if (recovered != KdxOpenResult::kOk) return recovered;
  }
  if (access != KdxAccess::kInspect) {
    switch (lock_.Acquire(path, access == KdxAccess::kWrite)) {
      case KdxDocumentLock::Result::kLocked:
        break;
      case KdxDocumentLock::Result::kHeldElsewhere:
        return KdxOpenResult::kHeldElsewhere;
      case KdxDocumentLock::Result::kCannotOpen:
        return KdxOpenResult::kCannotOpen;
    }
  }
  // From here on every early return leaves the session closed by Close().
  auto fail = [this](KdxOpenResult result) {
    Close();
    return result;
  };
  if (access == KdxAccess::kWrite) {
    // Every change from here on goes through the transaction (a journal left
    // by a crash is rolled back first).
    int32_t status;
    transaction_ = RezTransaction::Begin(path, &status);
    if (transaction_ == nullptr) return fail(KdxOpenResult::kCannotOpen);
  }
  if (KDX_InitKdxData(&data_) != 0) return fail(KdxOpenResult::kNoMemory);
  dataMade_ = true;
  if (KDX_LoadAllData(path.c_str(), &data_, &loadWarnings_) != 0) {
    return fail(KdxOpenResult::kDamaged);
  }
  if (access != KdxAccess::kInspect) {
    switch (KDX_CheckFileVersion(&data_, &versionText_)) {
      case KdxVersionCheck::kOpen:
        break;
      case KdxVersionCheck::kNotKardinexFile:
        return fail(KdxOpenResult::kNotKardinexFile);
      case KdxVersionCheck::kConvertFromV2:
        if (access != KdxAccess::kWrite || !convert || !convert()) {
          return fail(KdxOpenResult::kNeedsConversion);
        }
        needsConversion_ = true;
        break;
      case KdxVersionCheck::kNewerVersion: {
        // Kept for the message; Close() clears the rest.
        std::string version = std::move(versionText_);
        Close();
        versionText_ = std::move(version);
        return KdxOpenResult::kNewerVersion;
      }
    }
    char stored[kKdxPasswordFieldSize];
    const int32_t length = KDXCOMM_GetPassword(data_.envAry, stored, sizeof stored);
    if (length < 0) return fail(KdxOpenResult::kPasswordDamaged);
    if (length > 0) {
      for (int attempt = 0;; ++attempt) {
        std::optional<std::string> typed = password ? password(attempt) : std::nullopt;
        if (!typed) {
          return fail(attempt == 0 ? KdxOpenResult::kPasswordCancelled
                                   : KdxOpenResult::kPasswordRefused);
        }
        if (KDX_PasswordMatches(typed->c_str(), stored)) break;
      }
    }
  }
  open_ = true;
  return KdxOpenResult::kOk;
}

void KdxSession::Close() {
  if (transaction_ != nullptr) {
    // What was not saved is dropped; the block index follows what the end
    // of the transaction moves.
    struct stat before {};
    const bool stamped = ::stat(path_.c_str(), &before) == 0;
    std::vector<RezMovedMember> moved;
    transaction_->Finish(&moved);
    if (stamped) block_index::KeepAcrossMoves(path_.c_str(), before, moved);
    transaction_.reset();
  }
  if (dataMade_) KDX_FreeKdxData(&data_);
  dataMade_ = false;
  open_ = false;
  needsConversion_ = false;
  lock_.Release();
  path_.clear();
  versionText_.clear();
  loadWarnings_.clear();
  ForgetChanges();
  EntriesChanged();
}

std::optional<KDX_ENTRY> KdxSession::FindEntry(int32_t id) const {
  if (!open_) return std::nullopt;
  KDX_ENTRY entry;
  if (KDX_FindEntry(&data_, id, &entry) < 0) return std::nullopt;
  return entry;
}

std::vector<int32_t> KdxSession::EntryIds() const {
  std::vector<int32_t> ids;
  if (!open_) return ids;
  ids.reserve(static_cast<size_t>(data_.entryAry->count));
  for (int32_t i = 0; i < data_.entryAry->count; ++i) {
    ids.push_back(
        KDX_GetStoredEntryID(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(data_.entryAry, i))));
  }
  return ids;
}

KdxNoteReader KdxSession::NoteReader() const {
  const KDX_DATA* data = &data_;
  return [data](int32_t id) {
    KDX_ENTRY entry;
    if (KDX_FindEntry(data, id, &entry) < 0) return std::string();
    return KDX_GetNoteText(data->kdxFilePath.c_str(), entry);
  };
}

void KdxSession::MarkEntryChanged(int32_t index) { changedIndices_.insert(index); }

void KdxSession::ForgetChanges() {
  changedIndices_.clear();
  compareAll_ = false;
}

void KdxSession::EntriesChanged() { listSortedBy_.reset(); }

KdxChangeResult KdxSession::CreateEntry(const KdxNewEntry& fields, KDX_ENTRY* created) {
  if (!open_) return KdxChangeResult::kFailed;
  // Appended entries need no mark: the save finds them by the count.
  EntriesChanged();
  const int32_t status = KDX_CreateEntry(&data_, fields, PREF_ReadExpandSize(), created);
  if (status == kKdxNoIdentifierLeft) return KdxChangeResult::kNoIdentifierLeft;
  return status == 0 ? KdxChangeResult::kOk : KdxChangeResult::kFailed;
}

KdxChangeResult KdxSession::UpdateEntry(const KDX_ENTRY& entry) {
  if (!open_) return KdxChangeResult::kFailed;
  const int32_t index = KDX_FindEntry(&data_, entry.en_id);
  if (index < 0) return KdxChangeResult::kNoSuchEntry;
  EN_SetData_ByIndex(data_.entryAry, index, entry);
  MarkEntryChanged(index);
  EntriesChanged();
  return KdxChangeResult::kOk;
}

KdxChangeResult KdxSession::UpdateEntryAndCategories(const KDX_ENTRY& entry) {
  const KdxChangeResult result = UpdateEntry(entry);
  if (result != KdxChangeResult::kOk) return result;
  // The category sets are a small table every save compares whole.
  return CT_SetData(data_.catSetAry, data_.idCounterAry, entry.en_cat1_name, entry.en_cat2_name,
                    entry.en_cat3_name) < 0
             ? KdxChangeResult::kFailed
             : KdxChangeResult::kOk;
}

int32_t KdxSession::SaveEntryContent(const KDX_ENTRY& entry, KdxBlockKind kind,
                                     std::string_view bytes) {
  if (!writable()) return kKdxFailed;
  if (bytes.size() > static_cast<size_t>(INT32_MAX)) return kKdxFailed;
  const auto size = static_cast<int32_t>(bytes.size());
  const int32_t expand = PREF_ReadExpandSize();
  switch (kind) {
    case KdxBlockKind::kBody:
      return KDX_BO_Save(&data_, entry, expand, size, bytes.data());
    case KdxBlockKind::kText:
      return KDX_TX_Save(&data_, entry, expand, size, bytes.data());
    case KdxBlockKind::kNote:
      return KDX_NO_Save(&data_, entry, expand, size, bytes.data());
  }
  return kKdxFailed;
}

KdxChangeResult KdxSession::CopyEntry(int32_t id, KDX_ENTRY* copy) {
  std::optional<KDX_ENTRY> source = FindEntry(id);
  if (!source) return KdxChangeResult::kNoSuchEntry;
  KDX_ENTRY made;
  EntriesChanged();
  const int32_t status = KDX_CopyOneEntry(&data_, *source, PREF_ReadExpandSize(), &made);
  if (status < 0) return KdxChangeResult::kFailed;
  if (copy != nullptr) *copy = made;
  return status == 0 ? KdxChangeResult::kTitleKeptAsSource : KdxChangeResult::kOk;
}

KdxChangeResult KdxSession::RemoveEntry(int32_t id) {
  std::optional<KDX_ENTRY> entry = FindEntry(id);
  if (!entry) return KdxChangeResult::kNoSuchEntry;
  EntriesChanged();
  const int32_t status = KDX_RemoveOneEntry(&data_, *entry);
  // The entries after it moved up one place.
  compareAll_ = true;
  // Without the hash (no memory) lookups fall back to a linear search.
  static_cast<void>(KDX_RebuildEntryHash(&data_));
  return status == 0 ? KdxChangeResult::kOk : KdxChangeResult::kFailed;
}

KdxChangeResult KdxSession::SetEncrypted(int32_t id, bool encrypted) {
  std::optional<KDX_ENTRY> entry = FindEntry(id);
  if (!entry) return KdxChangeResult::kNoSuchEntry;
  const int32_t index = KDX_FindEntry(&data_, id);
  const int32_t expand = PREF_ReadExpandSize();
  EntriesChanged();
  const int32_t status = encrypted ? KDX_SetEncrypt(&data_, &*entry, index, expand)
                                   : KDX_SetDecrypt(&data_, &*entry, index, expand);
  if (status == kKdxSwitchNotNeeded) return KdxChangeResult::kUnchanged;
  if (status == 0) {
    // The switch saved every table with a full comparison; flags and blocks
    // reach the file together.
    ForgetChanges();
    return Commit() == 0 ? KdxChangeResult::kOk : KdxChangeResult::kFailed;
  }
  DropUnsaved();
  return KdxChangeResult::kFailed;
}

KdxChangeResult KdxSession::MarkUsed(int32_t id, KDX_ENTRY* entry) {
  if (!open_) return KdxChangeResult::kFailed;
  KDX_ENTRY used;
  const int32_t index = KDX_GetUsedEntry_ByID(&data_, id, &used);
  if (index < 0) return KdxChangeResult::kNoSuchEntry;
  MarkEntryChanged(index);
  EntriesChanged();
  if (entry != nullptr) *entry = used;
  return KdxChangeResult::kOk;
}

int32_t KdxSession::ReloadList(KdxCategorySelection* selection, const KDX_SORT_INFO* keys) {
  if (!open_) return kKdxFailed;
  // The list has an order of its own: the entry table, and so the file, keep
  // theirs, and the next save writes only the changed settings. The order is
  // made again only when the keys or some entry changed since it was made (a
  // category click only filters it).
  KDX_SORT_INFO info;
  if (keys != nullptr)
    info = *keys;
  else
    CLCOMM_InitListInfo(data_.columnAry, &info);
  const bool current = listSortedBy_ && std::memcmp(&*listSortedBy_, &info, sizeof info) == 0 &&
                       data_.listOrder.size() == static_cast<size_t>(data_.entryAry->count);
  const int32_t status = KDXCOMM_ReloadMainLists(&data_, selection, NoteReader(), &info, !current);
  if (status == 0)
    listSortedBy_ = info;
  else
    listSortedBy_.reset();
  return status;
}

int32_t KdxSession::SetEntrySelection(const std::vector<int32_t>& ids) {
  if (!open_) return -1;
  std::vector<int32_t> changed;
  const int32_t status = KDXCOMM_SetEntrySelectionFlags(&data_, ids, &changed);
  for (const int32_t index : changed) MarkEntryChanged(index);
  return status;
}

KDX_DATA* KdxSession::EditDirectly() {
  compareAll_ = true;
  EntriesChanged();
  return &data_;
}

int32_t KdxSession::Save() {
  // A save stamps the current format: not over bodies still in the old one.
  if (!open_ || access_ != KdxAccess::kWrite || needsConversion_) return kKdxErrFile;
  int32_t status;
  if (compareAll_) {
    status = KDX_SaveAllData(path_.c_str(), &data_);
  } else {
    const std::vector<int32_t> changed(changedIndices_.begin(), changedIndices_.end());
    status = KDX_SaveAfterEntryChanges(path_.c_str(), &data_, changed);
  }
  ForgetChanges();
  if (status != 0) {
    DropUnsaved();
    return status;
  }
  return Commit();
}

KdxCompactResult KdxSession::Compact(KdxCompactReport* report, const KdxCompactHook& hook) {
  *report = KdxCompactReport{};
  if (!writable()) return KdxCompactResult::kNotWritable;
  if (compareAll_ || !changedIndices_.empty() || !transaction_->Clean())
    return KdxCompactResult::kUnsaved;
  // No transaction may follow the file across the rename; a new one begins
  // on whichever file the name holds afterwards.
  transaction_.reset();
  EntriesChanged();
  KdxDocumentLock newLock;
  // Every member moves; the tables stay as they are, knowing where their
  // records now lie.
  const KdxCompactResult result = KDX_CompactDocument(path_, &data_, &newLock, report, hook);
  if (result == KdxCompactResult::kOk) lock_.Swap(newLock);
  int32_t status;
  transaction_ = RezTransaction::Begin(path_, &status);
  if (transaction_ == nullptr) {
    Close();
    return KdxCompactResult::kReopenFailed;
  }
  return result;
}

int32_t KdxSession::Commit() {
  struct stat before {};
  const bool stamped = ::stat(path_.c_str(), &before) == 0;
  if (transaction_->Commit() != REZ_OK) {
    // The file is as the last save left it; so are the tables again.
    Reload();
    return kKdxErrFile;
  }
  // The held bytes are where the block index already knew them to be.
  if (stamped) block_index::KeepAcrossOtherWrite(path_.c_str(), before);
  return 0;
}

void KdxSession::DropUnsaved() {
  transaction_->Abort();
  Reload();
}

void KdxSession::Reload() {
  ForgetChanges();
  EntriesChanged();
  KDX_FreeKdxData(&data_);
  dataMade_ = KDX_InitKdxData(&data_) == 0;
  loadWarnings_.clear();
  if (!dataMade_ || KDX_LoadAllData(path_.c_str(), &data_, &loadWarnings_) != 0) {
    // Nothing to work on: the session closes rather than save empty tables.
    Vell_SystemErrorLog("[-1] KdxSession::Reload\r\n");
    Close();
  }
}

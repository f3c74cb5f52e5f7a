// The open document: the one way the windows, kdx and the tests open, change,
// save and close a document file. A session owns the document data (every
// record table and the entry hash), the lock on the file, its path and what
// the last load or save wrote, and it keeps track of what its changes touched
// so that a save writes only that.
//
// Threads. A session has one user at a time. It is made, opened, changed,
// saved and closed on one thread (the main thread in the application). A long
// operation (an import, an export, switching many entries' encryption) may
// hand the whole session to one worker thread: the main thread marks it busy
// (BusyScope) before starting the worker and touches nothing of the session
// but busy() until the worker has finished and handed it back. Nothing in a
// session locks; the busy mark is what keeps a second user away.
//
// Changes. The changing operations below mark what they touched; Save() then
// digests and writes only those entries (and the small tables, which are
// always compared). Code that must change the tables directly (the table
// functions of the content, listing and transfer layers) takes EditDirectly(),
// after which the next Save() compares every record, as KDX_SaveAllData does.
// Either way the file ends up exactly as a full rewrite would leave it.
//
// Saving is all or nothing. A write session holds a transaction on its file
// (container/rez_journal.h): nothing it changes inside the file's old end
// reaches the file before Save() commits, and a crash leaves the document as
// the last save left it. The full-text search maps the file and so reads it
// as last saved: save before searching.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/container/rez_journal.h"
#include "core/content/new_entry.h"
#include "core/document/blocks.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_lock.h"
#include "core/document/records.h"
#include "core/listing/category.h"
#include "core/listing/entry_sort.h"
#include "core/listing/note_reader.h"
#include "core/session/kdx_compact.h"

// How a document is opened.
enum class KdxAccess {
  kRead,   // a shared lock: others may read, nobody may write
  kWrite,  // an exclusive lock: the session's changes may be saved
  // The tables only, for a summary of a file another program may be writing:
  // no lock, no version check, no password. Never saved.
  kInspect,
};

// What opening a document came to.
enum class KdxOpenResult {
  kOk,
  kNoSuchFile,
  kHeldElsewhere,    // open for writing in another program
  kCannotOpen,       // the file (or its lock) cannot be opened
  kDamaged,          // not a container, or a table without which it cannot open
  kNotKardinexFile,  // the file information is missing
  kNeedsConversion,  // a document of version 2: converted by the application
  kNewerVersion,     // written by a newer version: versionText() names it
  kPasswordDamaged,  // the stored password does not read back
  kPasswordRefused,  // a wrong password was given, and no right one after it
  kPasswordCancelled,
  kNoMemory,
};

// Asked for the password when the document has one. attempt counts from 0;
// after a wrong password the prompt is asked again with the next attempt.
// std::nullopt gives up.
using KdxPasswordPrompt = std::function<std::optional<std::string>(int attempt)>;

// Asked, before the password, whether a document of the previous format is to
// be opened for conversion to the current one. false (or none given) leaves
// it closed with kNeedsConversion.
using KdxConvertQuestion = std::function<bool()>;

// What a changing operation of the session came to.
enum class KdxChangeResult {
  kOk,
  kNoSuchEntry,
  kUnchanged,          // already in the state asked for (encrypt, decrypt)
  kNoIdentifierLeft,   // the "en_id" counter refuses
  kTitleKeptAsSource,  // a copy was made under its source's title (see entry_copy.h)
  kFailed,             // a block or table step failed; logged, nothing half-done left
};

class KdxSession {
 public:
  KdxSession();
  ~KdxSession();
  KdxSession(const KdxSession&) = delete;
  KdxSession& operator=(const KdxSession&) = delete;

  // Creates a new, empty document file (never over an existing file). 0, or
  // kKdxErrFile.
  [[nodiscard]] static int32_t CreateFile(const std::string& path);

  // Opens path: takes the lock, loads every table, checks the file
  // information and the format version, and asks for the password when the
  // document has one. On anything but kOk the session stays closed. A
  // document of the previous format opens for writing only, and only when
  // convert says so (see needsConversion()).
  [[nodiscard]] KdxOpenResult Open(const std::string& path, KdxAccess access,
                                   const KdxPasswordPrompt& password = {},
                                   const KdxConvertQuestion& convert = {});
  // Forgets the document and releases the lock; unsaved changes are dropped.
  void Close();

  bool isOpen() const { return open_; }
  bool writable() const { return open_ && access_ == KdxAccess::kWrite; }
  // Opened in the previous format, its bodies not converted yet. Save()
  // refuses until ConversionDone(): a save stamps the current format, which
  // bodies of the old one must never carry.
  bool needsConversion() const { return open_ && needsConversion_; }
  void ConversionDone() { needsConversion_ = false; }
  const std::string& path() const { return path_; }
  // After kNewerVersion: the version of the program that can open the file.
  const std::string& versionText() const { return versionText_; }
  // Tables that could not be read and fell back to their defaults (by tag);
  // they are written anew at the next save.
  const std::vector<std::string>& loadWarnings() const { return loadWarnings_; }

  // ---- Reading ------------------------------------------------------------

  const KDX_DATA& data() const { return data_; }
  // The entry with identifier id, through the entry hash.
  [[nodiscard]] std::optional<KDX_ENTRY> FindEntry(int32_t id) const;
  // Identifiers of every entry, in table (file) order.
  [[nodiscard]] std::vector<int32_t> EntryIds() const;
  // The note of an entry as lists show it: decrypted, up to its first NUL.
  [[nodiscard]] KdxNoteReader NoteReader() const;

  // ---- Changing -------------------------------------------------------------
  // None of these saves the tables (but SetEncrypted, which must keep flags
  // and blocks in step on disk): call Save() when the command is done.

  // A new entry with its content (see new_entry.h). *created gets the record.
  [[nodiscard]] KdxChangeResult CreateEntry(const KdxNewEntry& fields,
                                            KDX_ENTRY* created = nullptr);
  // Stores the record over the entry with its en_id.
  [[nodiscard]] KdxChangeResult UpdateEntry(const KDX_ENTRY& entry);
  // The record as an entry window leaves it: stored as UpdateEntry does, and
  // its three categories added to the category sets when no set has them (a
  // name typed into the window is a new category).
  [[nodiscard]] KdxChangeResult UpdateEntryAndCategories(const KDX_ENTRY& entry);
  // Saves one content block of the entry (body, text or note) in the form its
  // flags ask for. Only the block and the identifier counters change, so the
  // next save still digests only the changed entries. 0, or the block save's
  // negative code (logged), the block then as it was.
  [[nodiscard]] int32_t SaveEntryContent(const KDX_ENTRY& entry, KdxBlockKind kind,
                                         std::string_view bytes);
  // A copy with its blocks under a numbered title; *copy gets the new record.
  [[nodiscard]] KdxChangeResult CopyEntry(int32_t id, KDX_ENTRY* copy = nullptr);
  // The entry, its body, text and note.
  [[nodiscard]] KdxChangeResult RemoveEntry(int32_t id);
  // Enciphers or deciphers the entry's title, body, text and note, and saves
  // at once. On failure everything since the last save is dropped, in the
  // file and in the session.
  [[nodiscard]] KdxChangeResult SetEncrypted(int32_t id, bool encrypted);
  // Marks the entry as used now (en_use_date), as opening or exporting does.
  [[nodiscard]] KdxChangeResult MarkUsed(int32_t id, KDX_ENTRY* entry = nullptr);

  // The document window's list rebuild: the browser lists for the selection,
  // the list order (by keys, or the document's sort keys when null; the entry
  // table keeps the file's order) and showIDAry filled in it.
  [[nodiscard]] int32_t ReloadList(KdxCategorySelection* selection,
                                   const KDX_SORT_INFO* keys = nullptr);

  // The tables for a function that changes them directly; the next Save()
  // compares every record with the file.
  KDX_DATA* EditDirectly();
  // The tables for a change of settings only: the environment (window state,
  // selections, with the identifier counters that number new settings) and
  // the column table. Every save compares those small tables whole, so unlike
  // EditDirectly() the next save still digests only the changed entries.
  // Nothing else may be changed through it.
  KDX_DATA* EditSettings() { return &data_; }
  // The entry list's selection (en_is_select_entrylist): set in the entries of
  // ids, cleared in every other; the next save writes only the entries whose
  // flag changed. -1 when an identifier has no entry (the others are marked).
  [[nodiscard]] int32_t SetEntrySelection(const std::vector<int32_t>& ids);

  // Writes the record tables (only what changed since the last load or save)
  // and makes every change since the last save durable, all at once: after a
  // crash the document reads as after this save or as after the one before,
  // never in between. 0, or kKdxErrFile (logged): the document is then as the
  // last save left it, and so are the session's tables.
  [[nodiscard]] int32_t Save();

  // ---- Compaction ---------------------------------------------------------------

  // Writes the document afresh without its dead space and puts the copy in
  // place of the file (see kdx_compact.h); the session then goes on with the
  // new file, its lock held throughout. Only a saved document is compacted
  // (kUnsaved otherwise). On anything but kOk and kReopenFailed the file and
  // the session are as they were; on kReopenFailed the session is closed.
  [[nodiscard]] KdxCompactResult Compact(KdxCompactReport* report, const KdxCompactHook& hook = {});

  // ---- A worker thread at work ----------------------------------------------

  bool busy() const { return busy_.load(std::memory_order_acquire); }
  // Marks the session busy for as long as it lives.
  class BusyScope {
   public:
    explicit BusyScope(KdxSession& session) : session_(session) {
      session_.busy_.store(true, std::memory_order_release);
    }
    ~BusyScope() { session_.busy_.store(false, std::memory_order_release); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    KdxSession& session_;
  };

 private:
  void MarkEntryChanged(int32_t index);
  void ForgetChanges();
  // Some entry may sort elsewhere now: the next list rebuild sorts again.
  void EntriesChanged();
  KdxOpenResult RecoverBeforeReading(const std::string& path, KdxAccess access);
  // The transaction's commit; on failure the tables are read again.
  int32_t Commit();
  // Drops what was not saved, in the file and in the tables.
  void DropUnsaved();
  void Reload();

  KDX_DATA data_{};
  bool dataMade_ = false;
  KdxDocumentLock lock_;
  std::unique_ptr<RezTransaction> transaction_;  // while open for writing
  std::string path_;
  std::string versionText_;
  std::vector<std::string> loadWarnings_;
  KdxAccess access_ = KdxAccess::kRead;
  bool open_ = false;
  bool needsConversion_ = false;
  std::atomic<bool> busy_{false};

  // Change tracking since the last load or save.
  std::unordered_set<int32_t> changedIndices_;  // entries changed in place
  bool compareAll_ = false;                     // anything may have changed
  // The keys data_.listOrder was made by, while no entry changed since.
  std::optional<KDX_SORT_INFO> listSortedBy_;
};

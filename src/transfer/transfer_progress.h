// What a long import or export reports while it runs and what it returns:
// the document window drives these through its progress dialog, kdx through
// a line on standard error. Every callback may be empty.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a checkpoint of an import came to.
enum class KdxCheckpoint {
  kLater,   // nothing done yet: the items wait for a later checkpoint
  kSaved,   // everything stored so far is durable
  kFailed,  // the save failed: what was stored since the last kSaved is gone
};

struct KdxTransferProgress {
  // A phase begins ("ファイルを検索しています...", "ファイルを保存しています...").
  std::function<void(const std::string& message)> phase;
  // One item is being worked on: its path or title, how many are done before
  // it and how many there are in all (total 0 while the count is not known).
  std::function<void(const std::string& item, int64_t done, int64_t total)> item;
  // Polled between items; true ends the work after the current item.
  std::function<bool()> cancelled;
  // Imports call it after each item stored in the document, and once more
  // with last true at the end: the caller makes what was stored durable now
  // and then (it saves). On kFailed what was stored since the last kSaved is
  // not in the document, and the import ends. Without it the caller saves
  // once afterwards.
  std::function<KdxCheckpoint(bool last)> checkpoint;

  void Phase(const std::string& message) const {
    if (phase) phase(message);
  }
  void Item(const std::string& name, int64_t done, int64_t total) const {
    if (item) item(name, done, total);
  }
  [[nodiscard]] bool IsCancelled() const { return cancelled && cancelled(); }
  [[nodiscard]] KdxCheckpoint Checkpoint(bool last) const {
    return checkpoint ? checkpoint(last) : KdxCheckpoint::kLater;
  }
};

// How often an import saves: a killed program keeps what was saved before,
// and "imported N" counts only what the document holds.
inline constexpr int64_t kKdxImportSaveEvery = 1000;

// A checkpoint for KdxTransferProgress that saves (save returns 0 on success)
// after every `every` items and at the end; *saveFailed is set when a save
// failed.
[[nodiscard]] std::function<KdxCheckpoint(bool last)> KdxSaveEvery(int64_t every,
                                                                   std::function<int32_t()> save,
                                                                   bool* saveFailed);

// One item that did not make it, and why, in words for the user.
struct KdxTransferFailure {
  std::string item;  // path or entry title
  std::string reason;
};

// What an import or export came to; a caller that drops it loses the failures.
struct [[nodiscard]] KdxTransferResult {
  int64_t succeeded = 0;  // files imported, entries exported
  int64_t failed = 0;     // items that could not be done; failures lists them
  int64_t skipped = 0;    // items passed over on purpose; skippedItems lists them
  bool cancelled = false;
  std::vector<KdxTransferFailure> failures;
  // Met but not taken, and why: what an import does not read (a FIFO, a
  // device, a link to a folder), a file named that is not an import target.
  std::vector<KdxTransferFailure> skippedItems;
  // Done, but with something the user should know (characters replaced by a
  // substitute in an export, an entry list row skipped).
  std::vector<KdxTransferFailure> warnings;

  void Fail(const std::string& what, const std::string& reason) {
    ++failed;
    failures.push_back({what, reason});
  }
  void Skip(const std::string& what, const std::string& reason) {
    ++skipped;
    skippedItems.push_back({what, reason});
  }
  void Warn(const std::string& what, const std::string& reason) {
    warnings.push_back({what, reason});
  }
  // Adds what another run over more items found.
  void Absorb(const KdxTransferResult& other) {
    succeeded += other.succeeded;
    failed += other.failed;
    skipped += other.skipped;
    cancelled = cancelled || other.cancelled;
    failures.insert(failures.end(), other.failures.begin(), other.failures.end());
    skippedItems.insert(skippedItems.end(), other.skippedItems.begin(), other.skippedItems.end());
    warnings.insert(warnings.end(), other.warnings.begin(), other.warnings.end());
  }
};

// The items an import stored since its caller's last checkpoint. Should a
// checkpoint fail, they are not in the document after all: they move from
// succeeded to failed, so that "imported N" is what the document holds.
class KdxCheckpointedImport {
 public:
  KdxCheckpointedImport(const KdxTransferProgress& progress, KdxTransferResult* result,
                        std::vector<int32_t>* importedIds)
      : progress_(progress), result_(result), importedIds_(importedIds) {}
  // One item stored under id: counted, then a checkpoint. False when the
  // checkpoint failed; the import must stop.
  [[nodiscard]] bool Stored(const std::string& item, int32_t id);
  // The last checkpoint, when anything is left to make durable.
  void Finish();

 private:
  void Lost();

  const KdxTransferProgress& progress_;
  KdxTransferResult* result_;
  std::vector<int32_t>* importedIds_;
  std::vector<std::string> pending_;  // stored since the last checkpoint
};

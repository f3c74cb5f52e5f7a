// Transactions on a container file: every change this process makes to the
// file between one commit and the next reaches the file all at once or not at
// all, across a killed process and a loss of power. The file's format does
// not change; a rollback journal lives beside it only while a commit runs.
//
// How. While a transaction is open on a file, every stream opened on it (by
// REZ_Open, in this process) goes through the transaction:
//   - bytes written past the file's size at the last commit (appends) go to
//     the file at once: nothing reaches them until links inside the old size
//     point at them, so a crash leaves them unreachable;
//   - bytes written inside the old size are held in memory, and reads see
//     them in place of the file's.
// Commit then writes the journal "<file>-journal" (the old size and the old
// bytes of every region about to be overwritten, under a SHA-256), syncs it,
// writes the held bytes into the file, syncs the file, and makes the journal
// invalid again (synced). A journal that is valid when a file is opened for
// writing belongs to a commit that did not finish: REZ_RecoverJournal writes
// its old bytes back and cuts the file to its old size. A journal that is
// not valid was torn before the file was touched, and is only removed.
//
// Invariant: no byte inside the old size is written before the journal
// holding its old value is on the disk.
//
// Readers that bypass the streams (a memory map) see the file as last
// committed. Transactions are for the one process holding the document's
// write lock; one transaction per file at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct REZ_FILE;

// The journal's path for a container file.
std::string REZ_JournalPath(const std::string& path);

// Rolls back what a journal left beside path says: 1 rolled back, 0 nothing
// to do (no journal, or one that was never complete: removed), or a negative
// container code when the file cannot be restored (the journal is kept for
// the next try). Call it holding the write lock, before reading the file.
[[nodiscard]] int32_t REZ_RecoverJournal(const std::string& path);

// A member the end of a transaction moved (RezTransaction::Finish).
struct RezMovedMember {
  uint32_t tag;
  uint32_t from;
  uint32_t to;
};

class RezTransaction {
 public:
  // Starts a transaction on the file at path (which must exist, with no
  // journal left beside it: recover first). Null, with *status a container
  // code, when that cannot be done.
  [[nodiscard]] static std::unique_ptr<RezTransaction> Begin(const std::string& path,
                                                             int32_t* status);
  // Abandons what was not committed (see Abort) and removes the journal.
  ~RezTransaction();
  RezTransaction(const RezTransaction&) = delete;
  RezTransaction& operator=(const RezTransaction&) = delete;

  // Makes every change since the last commit durable, all at once; the
  // transaction goes on from the new state. REZ_OK, or a container code: the
  // file is then as it was at the last commit (or, when even that could not
  // be written, the journal is left for the next open to roll back), and the
  // transaction's changes are dropped.
  [[nodiscard]] int32_t Commit();
  // Drops the held bytes and cuts the file back to its size at the last
  // commit: the file is as it was then.
  void Abort();
  // True when nothing was written since the last commit (held or appended).
  [[nodiscard]] bool Clean() const;
  // Ends the work on the file (the destructor does it when this was not
  // called): drops what was not committed, then tidies the places the
  // transaction freed (see REZ_FreeAfterCommit) and tells which members that
  // moved.
  void Finish(std::vector<RezMovedMember>* moved);

  struct State;  // shared with the streams opened under the transaction

 private:
  explicit RezTransaction(std::shared_ptr<State> state);
  // What the end of a transaction does with the places it freed (see
  // REZ_FreeAfterCommit): members moved past the starting size go back before
  // it, a free end is cut off, and the other free places are zeroed.
  void MoveBackFromEnd(std::vector<RezMovedMember>* moved);
  void CutFreeEnd();
  void WipeFreeSpace();
  std::shared_ptr<State> state_;
  bool finished_ = false;
};

// ---- Space freed under a transaction ----------------------------------------
// A member rewritten in another place (REZ_RelocateData) leaves its old place
// unreachable once the change commits. The transaction remembers such places
// and hands them out again, so that a block saved over and over moves between
// two places instead of growing the file by a copy each time. Bytes written
// into a place handed out go to the file at once, with no copy in the journal:
// what was last committed reaches none of them.
//
// When the transaction ends, members moved past the file's size at its start
// go back into free places before it, the free places at the file's end are
// cut off, and the free places left are overwritten with zeros, so that no old
// content lingers there.

// Whether file was opened on a file a transaction is open on.
[[nodiscard]] bool REZ_UnderTransaction(const REZ_FILE* file);
// The size bytes at position become free when the changes made since the last
// commit are committed (nothing without a transaction).
void REZ_FreeAfterCommit(REZ_FILE* file, uint64_t position, uint64_t size);

// Tests: the process "dies" after this many more writes to container files
// and journals: every write after them is dropped unseen (reported as done),
// as if the process had been killed there. A negative count writes all.
void RezSetWriteBudgetForTesting(int64_t writes);
// The writes left of the budget (negative: no budget).
int64_t RezWriteBudgetForTesting();

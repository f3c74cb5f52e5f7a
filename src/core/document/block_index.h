// Where each entry's content block sits, so that finding it does not walk
// every member of the tag (a document may hold 100,000 entries).
//
// One process-wide index per file, keyed by (device, inode), maps (tag, entry
// id) to the first member in chain order carrying that entry id, which is what
// a walk from the tag's head would find. It is trusted only while the file's
// size, mtime and ctime are what they were when it was built or last updated
// by our own writes; any other change to the file throws it away. Every member
// it names is re-read before use (header, tag, entry id, still linked from its
// predecessor), and a mismatch rebuilds the tag with one walk.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/container/rez.h"
#include "core/container/rez_journal.h"

namespace block_index {

// One operation on one open container file: looks blocks up through the index
// and records the operation's own edits, which Commit applies after the file
// is closed. Construct it once the file is open.
class Session {
 public:
  Session(const char* path, uint32_t tag);

  // Makes the entry's block the file's current member. 1 found, 0 none, a
  // negative container code when the chain is damaged before a match.
  [[nodiscard]] int32_t Find(REZ_FILE* file, int32_t entryId);
  // Tells the container where the chain ends, so an append does not walk it.
  // The container checks the hint before using it.
  void HintTail(REZ_FILE* file) const;

  // Edits made through this session's file handle.
  void Appended(int32_t entryId, uint32_t position);
  void Removed(int32_t entryId, const REZ_METADATA& removed);
  void Rewritten() { wrote_ = true; }
  // The entry's block, found by Find, was rewritten at newPosition in the
  // same place of the chain (REZ_RelocateData).
  void Moved(int32_t entryId, const REZ_METADATA& old, uint32_t newPosition);
  // A write failed part-way, or edits too involved to follow were made: the
  // file's index is dropped at Commit.
  void Invalidate() { invalid_ = true; }

  // After REZ_Close: applies the edits and records the file's new state, or
  // drops the file's index when something else changed it meanwhile.
  void Commit();

 private:
  enum class EditKind { kAppend, kRemove, kMove };
  struct Edit {
    EditKind kind;
    int32_t entryId;
    REZ_METADATA member;
    uint32_t movedTo = kRezNoLink;
  };
  std::string path_;
  uint32_t tag_;
  bool haveStamp_ = false;
  struct stat stamp_ {};
  std::vector<Edit> edits_;
  bool wrote_ = false;
  bool invalid_ = false;
};

// Reads the header at position, checks that it names itself, is of tag and
// lies in the file, and makes it the current member. REZ_OK or REZ_ERR_IO.
[[nodiscard]] int32_t PositionAt(REZ_FILE* file, uint32_t position, uint32_t tag);

// Walks tag's chain from its head, calling visit(entryId) for each member of at
// least 12 bytes with that member current; visit returns false to stop. REZ_OK,
// REZ_ERR_NO_TAG when the tag is absent, another code when the chain is damaged.
[[nodiscard]] int32_t WalkContentChain(REZ_FILE* file, uint32_t tag,
                                       const std::function<bool(int32_t entryId)>& visit);

// After a write by someone who knew the file was in state before and changed
// no content block: the file's index now describes the file's new state.
void KeepAcrossOtherWrite(const char* path, const struct stat& before);

// After the end of a transaction on path (RezTransaction::Finish), which
// moved the members in moved and changed nothing else the index knows, when
// the file was in state before: the index follows the moves and describes
// the file's new state.
void KeepAcrossMoves(const char* path, const struct stat& before,
                     const std::vector<RezMovedMember>& moved);

// Drops every index (tests).
void ClearForTesting();

}  // namespace block_index

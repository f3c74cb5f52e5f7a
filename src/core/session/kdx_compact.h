// Compaction: a document written afresh without the dead space its saves
// leave behind (blocks that grew were appended anew, removed entries' blocks
// stay unlinked in the file).
//
// The copy holds every table and every live content and icon block, byte for
// byte as they are, and nothing else: a content block is live when it is the
// first block of its kind carrying the identifier of an entry of the entry
// table (the one every reader finds), an icon block when it is the first
// carrying the icon identifier of a file type. Encrypted blocks are copied as
// they are stored; the password, identifiers and counters stay as they were.
//
// It is made under a private name in the document's folder, written front to
// back in large pieces, synced, then read back and checked as a reader walks
// it: every tag and member where the plan put it, linked as it must be, no
// byte outside them, and every member's bytes those of the original (the
// digest of each member's data read back equals the one taken as it was read
// from the original). Only then is it renamed over the document, which is
// locked for writing all the while; the folder is synced after. Until the rename the
// document is not touched, so any failure leaves it as it was. The tables are
// not loaded again: their records are the ones in memory, byte for byte, and
// only where their members lie has changed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/kdx_lock.h"

enum class KdxCompactResult {
  kOk,
  kNotWritable,    // the document is not open for writing
  kUnsaved,        // it has changes not saved yet
  kUnreadable,     // its tag list or a chain cannot be walked: check it first
  kCannotWrite,    // the copy could not be written (a full disk, no permission)
  kCopyDiffers,    // the copy did not pass its checks
  kCannotReplace,  // the copy could not be synced or renamed into place
  kOtherLinks,     // the file has other hard links, which a new file would leave behind
  kReopenFailed,   // compacted, but the document could not be opened again
};

// Words for the user.
[[nodiscard]] const char* KDX_CompactResultText(KdxCompactResult result);

struct KdxCompactReport {
  uint64_t sizeBefore = 0;
  uint64_t sizeAfter = 0;
  int32_t entries = 0;
  int32_t categorySets = 0;
  uint64_t blocks = 0;                // content and icon blocks kept
  uint64_t blocksDropped = 0;         // blocks no entry or file type reads
  std::vector<std::string> problems;  // what the check found in a failed copy
  [[nodiscard]] uint64_t reclaimed() const {
    return sizeBefore > sizeAfter ? sizeBefore - sizeAfter : 0;
  }
};

// The steps, for tests that make one fail: hook(step, copyPath) is asked
// before each, and false fails it as the step itself failing would.
enum class KdxCompactStep { kWriteCopy, kSyncCopy, kCheckCopy, kReplace };
using KdxCompactHook = std::function<bool(KdxCompactStep step, const std::string& copyPath)>;

// Compacts the document at path, whose tables data holds as the file holds
// them. The caller holds the document's lock for writing, has nothing
// unsaved, and no transaction open on the file. On kOk *newLock holds the
// lock for writing on the file now at path (the caller's lock is on the file
// that was replaced), and data knows where its records lie in the new file.
[[nodiscard]] KdxCompactResult KDX_CompactDocument(const std::string& path, KDX_DATA* data,
                                                   KdxDocumentLock* newLock,
                                                   KdxCompactReport* report,
                                                   const KdxCompactHook& hook = {});

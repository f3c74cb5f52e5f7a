#include "core/session/kdx_compact.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/container/rez_compact.h"
#include "core/document/blocks.h"
#include "core/document/file_type.h"
#include "core/document/kdx_file.h"
#include "core/document/records.h"
#include "core/util/vell_endian.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"

namespace {

bool IsContentTag(uint32_t tag) {
  return tag == kKdxTagBORB || tag == kKdxTagTEXT || tag == kKdxTagNORB;
}

// Which blocks the copy keeps: the first of each kind per entry, the first
// icon block per file type; every member of every other tag.
class LiveBlocks {
 public:
  explicit LiveBlocks(const KDX_DATA& data) {
    for (int32_t i = 0; i < Vell_Ary_GetSize(data.entryAry); ++i) {
      entries_.insert(
          KDX_GetStoredEntryID(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(data.entryAry, i))));
    }
    for (int32_t i = 0; i < Vell_Ary_GetSize(data.fileTypeAry); ++i) {
      KDX_FILE_TYPE type;
      FT_GetData_ByIndex(data.fileTypeAry, i, &type);
      icons_.insert(type.ft_fi_id);
    }
  }

  bool Keep(uint32_t tag, std::span<const uint8_t> head) {
    if (IsContentTag(tag)) {
      if (head.size() < static_cast<size_t>(kKdxContentHeadSize)) return Dropped();
      const int32_t entry = Vell_GetLE32Signed(head.data() + 4);
      return entries_.count(entry) != 0 && First(tag, entry) ? Kept() : Dropped();
    }
    if (tag == kKdxTagFIIC) {
      if (head.size() < static_cast<size_t>(kKdxSmallHeadSize)) return Dropped();
      const int32_t icon = Vell_GetLE32Signed(head.data());
      return icons_.count(icon) != 0 && First(tag, icon) ? Kept() : Dropped();
    }
    return true;
  }
  uint64_t kept() const { return kept_; }
  uint64_t dropped() const { return dropped_; }

 private:
  // True the first time a block of tag carries id.
  bool First(uint32_t tag, int32_t id) {
    return seen_.insert(uint64_t{tag} << 32 | static_cast<uint32_t>(id)).second;
  }
  bool Kept() {
    ++kept_;
    return true;
  }
  bool Dropped() {
    ++dropped_;
    return false;
  }

  std::unordered_set<int32_t> entries_;
  std::unordered_set<int32_t> icons_;
  std::unordered_set<uint64_t> seen_;
  uint64_t kept_ = 0;
  uint64_t dropped_ = 0;
};

// Where each table member of the source lies in the copy.
std::unordered_map<uint32_t, uint32_t> TableMoves(const RezCopyPlan& plan) {
  std::unordered_map<uint32_t, uint32_t> moves;
  for (const auto& tag : plan.tags) {
    if (IsContentTag(tag.tag) || tag.tag == kKdxTagFIIC) continue;
    for (const auto& m : tag.members) moves.emplace(m.source, m.copy);
  }
  return moves;
}

// Gives the copy the document's permissions and, where allowed, its owner.
void TakeOverMode(const std::string& copyPath, const struct stat& original) {
  if (::chmod(copyPath.c_str(), original.st_mode & 07777) != 0)
    Vell_SystemErrorLog("[-1] KDX_CompactDocument chmod\r\n");
  if ((original.st_uid != ::geteuid() || original.st_gid != ::getegid()) &&
      ::chown(copyPath.c_str(), original.st_uid, original.st_gid) != 0) {
    Vell_SystemErrorLog("[-2] KDX_CompactDocument chown\r\n");
  }
}

}  // namespace

const char* KDX_CompactResultText(KdxCompactResult result) {
  switch (result) {
    case KdxCompactResult::kOk:
      return "compacted";
    case KdxCompactResult::kNotWritable:
      return "is not open for writing";
    case KdxCompactResult::kUnsaved:
      return "has changes that are not saved yet";
    case KdxCompactResult::kUnreadable:
      return "cannot be read to the end (see kdx check); it was left as it was";
    case KdxCompactResult::kCannotWrite:
      return "the compacted copy could not be written; the document was left as it was";
    case KdxCompactResult::kCopyDiffers:
      return "the compacted copy did not check out; the document was left as it was";
    case KdxCompactResult::kCannotReplace:
      return "the compacted copy could not be put in place; the document was left as it was";
    case KdxCompactResult::kOtherLinks:
      return "has other hard links, which a new file would leave behind; it was left as it was";
    case KdxCompactResult::kReopenFailed:
      return "was compacted but could not be opened again";
  }
  return "cannot be compacted";
}

KdxCompactResult KDX_CompactDocument(const std::string& path, KDX_DATA* data,
                                     KdxDocumentLock* newLock, KdxCompactReport* report,
                                     const KdxCompactHook& hook) {
  *report = KdxCompactReport{};
  auto step = [&hook](KdxCompactStep s, const std::string& copy) { return !hook || hook(s, copy); };
  // The file a link names is the one replaced, in its own folder.
  std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), std::free);
  struct stat original {};
  if (real == nullptr || ::stat(real.get(), &original) != 0) return KdxCompactResult::kUnreadable;
  if (original.st_nlink > 1) return KdxCompactResult::kOtherLinks;
  const std::string target = real.get();
  const std::string copyPath = target + ".compact-" + std::to_string(::getpid());
  static_cast<void>(::unlink(copyPath.c_str()));  // left by an earlier run of this process id
  struct Remover {
    const std::string& path;
    bool keep = false;
    ~Remover() {
      if (!keep) static_cast<void>(::unlink(path.c_str()));
    }
  } remover{copyPath};

  std::unique_ptr<RezStream> out = RezOpenPathStream(copyPath, 0, true);
  if (out == nullptr || !step(KdxCompactStep::kWriteCopy, copyPath)) {
    Vell_SystemErrorLog("[-1] KDX_CompactDocument\r\n");
    return KdxCompactResult::kCannotWrite;
  }
  LiveBlocks live(*data);
  RezCopyPlan plan;
  const int32_t written = REZ_WriteCopy(
      target, out.get(),
      [&live](uint32_t tag, std::span<const uint8_t> head) { return live.Keep(tag, head); }, &plan);
  if (written != REZ_OK) {
    Vell_SystemErrorLog("[-2] KDX_CompactDocument[%d]\r\n", written);
    return written == REZ_ERR_IO ? KdxCompactResult::kCannotWrite : KdxCompactResult::kUnreadable;
  }
  report->sizeBefore = plan.sourceSize;
  report->sizeAfter = plan.copySize;
  report->blocks = live.kept();
  report->blocksDropped = live.dropped();
  report->entries = Vell_Ary_GetSize(data->entryAry);
  report->categorySets = Vell_Ary_GetSize(data->catSetAry);

  const bool synced = step(KdxCompactStep::kSyncCopy, copyPath) && out->Sync();
  if (!out->Close() || !synced) {
    Vell_SystemErrorLog("[-3] KDX_CompactDocument\r\n");
    return KdxCompactResult::kCannotReplace;
  }
  // Checked as it will be read: through the file, not the bytes just written.
  if (!step(KdxCompactStep::kCheckCopy, copyPath)) {
    report->problems.push_back("the copy could not be checked");
    Vell_SystemErrorLog("[-4] KDX_CompactDocument\r\n");
    return KdxCompactResult::kCopyDiffers;
  }
  const int32_t checked = REZ_CheckCopy(copyPath, plan);
  if (checked != REZ_OK) {
    report->problems.push_back(checked == REZ_ERR_ARGUMENT
                                   ? "the copy does not hold what was copied into it"
                                   : "the copy cannot be read as a container");
    Vell_SystemErrorLog("[-4] KDX_CompactDocument[%d]\r\n", checked);
    return KdxCompactResult::kCopyDiffers;
  }
  const auto moves = TableMoves(plan);
  std::shared_ptr<KdxFileState> moved = KDX_FileStateMoved(*data, [&moves](uint32_t position) {
    const auto found = moves.find(position);
    return found == moves.end() ? kRezNoLink : found->second;
  });
  TakeOverMode(copyPath, original);

  // The copy is locked before its name is the document's, so that nobody
  // takes the new file between the rename and the caller's taking it over.
  KdxDocumentLock copyLock;
  if (!step(KdxCompactStep::kReplace, copyPath) ||
      copyLock.Acquire(copyPath, true) != KdxDocumentLock::Result::kLocked ||
      ::rename(copyPath.c_str(), target.c_str()) != 0) {
    Vell_SystemErrorLog("[-5] KDX_CompactDocument\r\n");
    return KdxCompactResult::kCannotReplace;
  }
  remover.keep = true;
  // Either file holds the whole document: a rename lost to a crash before the
  // folder reaches the disk leaves the old one, as before the command.
  if (!Vell_SyncFolderOf(target)) Vell_SystemErrorLog("[-6] KDX_CompactDocument\r\n");
  newLock->Swap(copyLock);
  data->fileState = std::move(moved);
  return KdxCompactResult::kOk;
}

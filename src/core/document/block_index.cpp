#include "core/document/block_index.h"

#include <exception>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "core/document/block_io.h"
#include "core/util/vell_endian.h"

namespace block_index {
namespace {

// Members carrying one entry id, in chain order. Only first is looked up; last
// and count let an append followed by the old block's removal (a growing
// save) be followed without a walk.
struct EntrySlot {
  uint32_t first;
  uint32_t last;
  uint32_t count;
};

struct TagIndex {
  std::unordered_map<int32_t, EntrySlot> entries;
  uint32_t tail = kRezNoLink;  // last member of the chain; none when the tag is absent
};

struct FileIndex {
  struct stat stamp;  // the file's state the index describes
  std::unordered_map<uint32_t, TagIndex> tags;
};

using FileKey = std::pair<uint64_t, uint64_t>;  // device, inode

// More documents than this open at once is unusual; past it, start afresh.
constexpr size_t kMaxFiles = 32;

std::mutex g_mutex;
std::map<FileKey, FileIndex> g_files;  // guarded by g_mutex

FileKey KeyOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool SameState(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// The index of tag in a file whose state is stamp, or null. Needs g_mutex.
TagIndex* FindTagIndex(const struct stat& stamp, uint32_t tag) {
  auto file = g_files.find(KeyOf(stamp));
  if (file == g_files.end() || !SameState(file->second.stamp, stamp)) return nullptr;
  auto found = file->second.tags.find(tag);
  return found == file->second.tags.end() ? nullptr : &found->second;
}

[[nodiscard]] int32_t ReadEntryIdOfCurrent(REZ_FILE* file, int32_t* entryId) {
  return block_io::ReadLe32(file, 4, entryId);
}

// Reads the header at pos straight from the stream; false unless it names
// itself and its data lies in the file.
[[nodiscard]] bool ReadRawHeader(REZ_FILE* file, uint64_t pos, REZ_METADATA* h) {
  uint8_t raw[kRezHeaderSize];
  const uint64_t size = file->stream->Size();
  if (pos < kRezRootPosition || pos + kRezHeaderSize > size ||
      !file->stream->ReadAt(pos, raw, kRezHeaderSize)) {
    return false;
  }
  auto field = [&](int i) { return Vell_GetLE32(raw + 4 * i); };
  *h = REZ_METADATA{field(0), field(1), field(2), field(3), field(4), field(5), field(6)};
  return h->position == pos && pos + kRezHeaderSize + uint64_t{h->dataLength} <= size;
}

// Whatever forward link should lead to h still does: its predecessor's, or for
// a tag head the previous head's (or the root's). An unlinked member keeps its
// own links, so only the neighbour tells.
[[nodiscard]] bool StillLinked(REZ_FILE* file, const REZ_METADATA& h) {
  REZ_METADATA prev;
  if (h.prevMember != kRezNoLink) {
    return ReadRawHeader(file, h.prevMember, &prev) && prev.tag == h.tag &&
           prev.nextMember == h.position;
  }
  return ReadRawHeader(file, h.prevTag, &prev) && prev.prevMember == kRezNoLink &&
         prev.nextTag == h.position;
}

// A member that moved in its chain from one place to another.
void FollowMove(TagIndex& index, EntrySlot& slot, uint32_t from, uint32_t to) {
  if (slot.first == from) slot.first = to;
  if (slot.last == from) slot.last = to;
  if (index.tail == from) index.tail = to;
}

// Applies one of our own appends or removals; false when the index can no
// longer say which member is first.
[[nodiscard]] bool Apply(TagIndex& index, bool append, int32_t entryId,
                         const REZ_METADATA& member) {
  auto slot = index.entries.find(entryId);
  if (append) {
    if (slot == index.entries.end()) {
      index.entries.emplace(entryId, EntrySlot{member.position, member.position, 1});
    } else {
      slot->second.last = member.position;
      ++slot->second.count;
    }
    index.tail = member.position;
    return true;
  }
  if (member.position == index.tail) index.tail = member.prevMember;
  if (slot == index.entries.end() || slot->second.first != member.position) return false;
  if (slot->second.count == 1) {
    index.entries.erase(slot);
  } else if (slot->second.count == 2) {
    slot->second = EntrySlot{slot->second.last, slot->second.last, 1};
  } else {
    return false;  // the next match lies somewhere in between
  }
  return true;
}

}  // namespace

int32_t PositionAt(REZ_FILE* file, uint32_t position, uint32_t tag) {
  REZ_METADATA h;
  if (file == nullptr || file->stream == nullptr || !ReadRawHeader(file, position, &h) ||
      h.tag != tag) {
    return REZ_ERR_IO;
  }
  file->current = h;
  file->hasCurrent = 1;
  return REZ_OK;
}

int32_t WalkContentChain(REZ_FILE* file, uint32_t tag,
                         const std::function<bool(int32_t entryId)>& visit) {
  int32_t status = REZ_FirstMember(file, tag);
  if (status != REZ_OK) return status;
  uint64_t steps = REZ_MaxChainSteps(file);
  for (;;) {
    if (file->current.dataLength >= 12) {
      int32_t entryId;
      status = ReadEntryIdOfCurrent(file, &entryId);
      if (status != REZ_OK) return status;
      if (!visit(entryId)) return REZ_OK;
    }
    if (file->current.nextMember == kRezNoLink) return REZ_OK;
    if (steps-- == 0) return REZ_ERR_NO_MEMBER;  // the chain loops
    status = REZ_NextMember(file);
    if (status != REZ_OK) return status;
  }
}

void KeepAcrossOtherWrite(const char* path, const struct stat& before) {
  struct stat now;
  const bool restamped = ::stat(path, &now) == 0 && KeyOf(now) == KeyOf(before);
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_files.find(KeyOf(before));
  if (it == g_files.end()) return;
  if (restamped && SameState(it->second.stamp, before)) {
    it->second.stamp = now;
  } else {
    g_files.erase(it);
  }
}

void KeepAcrossMoves(const char* path, const struct stat& before,
                     const std::vector<RezMovedMember>& moved) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_files.find(KeyOf(before));
    if (it == g_files.end() || !SameState(it->second.stamp, before)) return;
    for (const RezMovedMember& m : moved) {
      auto tag = it->second.tags.find(m.tag);
      if (tag == it->second.tags.end()) continue;
      for (auto& [id, slot] : tag->second.entries) FollowMove(tag->second, slot, m.from, m.to);
    }
  }
  KeepAcrossOtherWrite(path, before);
}

void ClearForTesting() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_files.clear();
}

Session::Session(const char* path, uint32_t tag) : path_(path != nullptr ? path : ""), tag_(tag) {
  haveStamp_ = path != nullptr && ::stat(path, &stamp_) == 0;
}

int32_t Session::Find(REZ_FILE* file, int32_t entryId) {
  if (file == nullptr || file->stream == nullptr) return REZ_ERR_ARGUMENT;
  bool indexed = false;
  uint32_t position = kRezNoLink;
  if (haveStamp_) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (const TagIndex* index = FindTagIndex(stamp_, tag_)) {
      indexed = true;
      auto slot = index->entries.find(entryId);
      if (slot != index->entries.end()) position = slot->second.first;
    }
  }
  if (indexed && position == kRezNoLink) return 0;
  if (indexed) {
    int32_t stored;
    if (PositionAt(file, position, tag_) == REZ_OK && file->current.dataLength >= 12 &&
        StillLinked(file, file->current) && ReadEntryIdOfCurrent(file, &stored) == REZ_OK &&
        stored == entryId) {
      return 1;
    }
    file->hasCurrent = 0;
  }

  // One walk of the tag rebuilds its index and answers the question.
  TagIndex built;
  REZ_METADATA match{};
  bool found = false;
  int32_t status;
  try {
    status = WalkContentChain(file, tag_, [&](int32_t id) {
      const uint32_t pos = file->current.position;
      auto [slot, added] = built.entries.try_emplace(id, EntrySlot{pos, pos, 1});
      if (!added) {
        slot->second.last = pos;
        ++slot->second.count;
      }
      if (id == entryId && !found) {
        match = file->current;
        found = true;
      }
      return true;
    });
  } catch (const std::exception&) {
    status = REZ_ERR_ARGUMENT;  // out of memory: answer without keeping an index
    built.entries.clear();
  }
  if (status == REZ_OK) built.tail = file->current.position;
  // An absent tag is remembered too: every new entry asks about it.
  if ((status == REZ_OK || status == REZ_ERR_NO_TAG) && haveStamp_) {
    std::lock_guard<std::mutex> lock(g_mutex);
    try {
      auto it = g_files.find(KeyOf(stamp_));
      if (it == g_files.end() || !SameState(it->second.stamp, stamp_)) {
        if (it != g_files.end()) g_files.erase(it);
        if (g_files.size() >= kMaxFiles) g_files.clear();
        it = g_files.emplace(KeyOf(stamp_), FileIndex{stamp_, {}}).first;
      }
      it->second.tags[tag_] = std::move(built);
    } catch (const std::exception&) {
      g_files.erase(KeyOf(stamp_));
    }
  }
  if (found) {
    file->current = match;
    file->hasCurrent = 1;
    return 1;
  }
  file->hasCurrent = 0;
  return status == REZ_OK || status == REZ_ERR_NO_TAG ? 0 : status;
}

void Session::HintTail(REZ_FILE* file) const {
  if (!haveStamp_ || file == nullptr) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  const TagIndex* index = FindTagIndex(stamp_, tag_);
  if (index == nullptr || index->tail == kRezNoLink) return;
  try {
    file->lastMember[tag_] = index->tail;
  } catch (const std::exception&) {
    // Without the hint the append walks the chain.
  }
}

void Session::Appended(int32_t entryId, uint32_t position) {
  wrote_ = true;
  try {
    edits_.push_back(Edit{EditKind::kAppend, entryId, REZ_METADATA{tag_, 0, position, 0, 0, 0, 0}});
  } catch (const std::exception&) {
    invalid_ = true;
  }
}

void Session::Removed(int32_t entryId, const REZ_METADATA& removed) {
  wrote_ = true;
  try {
    edits_.push_back(Edit{EditKind::kRemove, entryId, removed});
  } catch (const std::exception&) {
    invalid_ = true;
  }
}

void Session::Moved(int32_t entryId, const REZ_METADATA& old, uint32_t newPosition) {
  wrote_ = true;
  try {
    edits_.push_back(Edit{EditKind::kMove, entryId, old, newPosition});
  } catch (const std::exception&) {
    invalid_ = true;
  }
}

void Session::Commit() {
  if (!haveStamp_ || (!wrote_ && !invalid_)) return;
  struct stat now;
  const bool restamped = ::stat(path_.c_str(), &now) == 0 && KeyOf(now) == KeyOf(stamp_);
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_files.find(KeyOf(stamp_));
  if (it == g_files.end()) return;
  // Someone else changed the file since this session looked: nothing is known.
  if (invalid_ || !restamped || !SameState(it->second.stamp, stamp_)) {
    g_files.erase(it);
    return;
  }
  auto index = it->second.tags.find(tag_);
  if (index != it->second.tags.end()) {
    for (const Edit& edit : edits_) {
      bool applied;
      if (edit.kind == EditKind::kMove) {
        auto slot = index->second.entries.find(edit.entryId);
        applied = slot != index->second.entries.end() && slot->second.first == edit.member.position;
        if (applied) FollowMove(index->second, slot->second, edit.member.position, edit.movedTo);
      } else {
        applied = Apply(index->second, edit.kind == EditKind::kAppend, edit.entryId, edit.member);
      }
      if (!applied) {
        it->second.tags.erase(index);
        break;
      }
    }
  }
  it->second.stamp = now;
}

}  // namespace block_index

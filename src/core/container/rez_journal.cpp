#include "core/container/rez_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "core/container/rez.h"
#include "core/container/rez_internal.h"
#include "core/container/rez_io.h"
#include "core/util/vell_crypto.h"
#include "core/util/vell_endian.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"

// Journal layout (little-endian):
//   0   8   "REZJRNL1"
//   8   8   the file's size before the commit
//   16  4   number of regions
//   20  32  SHA-256 of every byte from 52 to the end
//   52  ... regions: offset (8), length (4), the old bytes (length)
// A journal whose first 52 bytes are zero, or whose digest does not match,
// is not valid.
namespace {

constexpr char kMagic[8] = {'R', 'E', 'Z', 'J', 'R', 'N', 'L', '1'};
constexpr size_t kHeadSize = 52;
constexpr size_t kRegionHeadSize = 12;
// Larger than any container can be, so a damaged size is refused before a read.
constexpr uint64_t kMaxJournalSize = uint64_t{1} << 33;
// Free places are overwritten this many bytes at a time.
constexpr uint64_t kWipeChunk = uint64_t{1} << 20;

std::atomic<int64_t> g_writeBudget{-1};

uint64_t GetLE64(const uint8_t* at) {
  return uint64_t{Vell_GetLE32(at)} | uint64_t{Vell_GetLE32(at + 4)} << 32;
}
void PutLE64(uint8_t* at, uint64_t value) {
  Vell_PutLE32(at, static_cast<uint32_t>(value));
  Vell_PutLE32(at + 4, static_cast<uint32_t>(value >> 32));
}

bool WriteFully(int fd, uint64_t pos, const uint8_t* bytes, size_t count) {
  return !rez_internal::MayWrite() || Vell_PwriteFully(fd, pos, bytes, count);
}

bool Truncate(int fd, uint64_t size) {
  if (!rez_internal::MayWrite()) return true;
  return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

bool Unlink(const std::string& path) {
  if (!rez_internal::MayWrite()) return true;
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

uint64_t SizeOf(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

struct Region {
  uint64_t offset;
  const uint8_t* bytes;
  uint32_t length;
};

// Reads and checks the journal at jpath: false when it is not valid.
bool ParseJournal(const std::vector<uint8_t>& journal, uint64_t* oldSize,
                  std::vector<Region>* regions) {
  if (journal.size() < kHeadSize || std::memcmp(journal.data(), kMagic, sizeof kMagic) != 0) {
    return false;
  }
  uint8_t digest[kVellSha256Size];
  if (!Vell_Sha256(journal.data() + kHeadSize, journal.size() - kHeadSize, digest) ||
      std::memcmp(digest, journal.data() + 20, kVellSha256Size) != 0) {
    return false;
  }
  *oldSize = GetLE64(journal.data() + 8);
  const uint32_t count = Vell_GetLE32(journal.data() + 16);
  size_t at = kHeadSize;
  regions->clear();
  for (uint32_t i = 0; i < count; ++i) {
    if (journal.size() - at < kRegionHeadSize) return false;
    const uint64_t offset = GetLE64(journal.data() + at);
    const uint32_t length = Vell_GetLE32(journal.data() + at + 8);
    at += kRegionHeadSize;
    if (journal.size() - at < length || offset > *oldSize || length > *oldSize - offset) {
      return false;
    }
    regions->push_back({offset, journal.data() + at, length});
    at += length;
  }
  return at == journal.size();
}

// Registry of the open transactions by file identity.
std::mutex g_registryMutex;
std::map<std::pair<dev_t, ino_t>, std::weak_ptr<RezTransaction::State>> g_registry;

}  // namespace

struct RezTransaction::State {
  std::string path;
  std::string journalPath;
  std::pair<dev_t, ino_t> id;
  std::mutex mutex;
  uint64_t baseSize = 0;                          // the file's size at the last commit
  std::map<uint64_t, std::vector<uint8_t>> held;  // bytes inside baseSize, by offset; disjoint
  bool journalMade = false;                       // the journal file exists (invalid)
  // Places no committed link reaches, by offset: free ones, ones taken since
  // the last commit (written to the file directly), and ones the changes
  // since the last commit unlink.
  std::map<uint64_t, uint64_t> freeSpace, taken;
  std::vector<std::pair<uint64_t, uint64_t>> freed;
  // The file's size when the transaction began, and the members moved past
  // it: committed, and since the last commit.
  uint64_t startSize = 0;
  std::set<uint64_t> movedToEnd, newlyMovedToEnd;

  // Whether [pos, pos + count) lies in a place taken since the last commit.
  bool InTaken(uint64_t pos, size_t count) const {
    auto it = taken.upper_bound(pos);
    if (it == taken.begin()) return false;
    --it;
    return pos + count <= it->first + it->second;
  }
  // After a commit: what was taken is in use, what was unlinked is free.
  void SpaceCommitted() {
    taken.clear();
    movedToEnd.merge(newlyMovedToEnd);
    newlyMovedToEnd.clear();
    for (const auto& [offset, size] : freed) {
      freeSpace[offset] = size;
      movedToEnd.erase(offset);
    }
    freed.clear();
  }
  // After a failed commit or an abort: the file is as at the last commit.
  void SpaceDropped() {
    freeSpace.merge(taken);
    taken.clear();
    freed.clear();
    newlyMovedToEnd.clear();
  }

  // Holds count bytes at pos (pos + count <= baseSize), over what was held.
  void Hold(uint64_t pos, const uint8_t* bytes, size_t count) {
    uint64_t begin = pos;
    uint64_t end = pos + count;
    // Regions touching [begin, end] are merged into one.
    auto it = held.upper_bound(begin);
    if (it != held.begin()) {
      auto before = std::prev(it);
      if (before->first + before->second.size() >= begin) it = before;
    }
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> merged;
    while (it != held.end() && it->first <= end) {
      begin = std::min(begin, it->first);
      end = std::max<uint64_t>(end, it->first + it->second.size());
      merged.emplace_back(it->first, std::move(it->second));
      it = held.erase(it);
    }
    std::vector<uint8_t> region(static_cast<size_t>(end - begin));
    for (const auto& [offset, old] : merged) {
      std::copy(old.begin(), old.end(), region.begin() + static_cast<ptrdiff_t>(offset - begin));
    }
    std::copy(bytes, bytes + count, region.begin() + static_cast<ptrdiff_t>(pos - begin));
    held.emplace(begin, std::move(region));
  }

  // Lays what is held over the count bytes at pos read from the file.
  void Overlay(uint64_t pos, uint8_t* bytes, size_t count) {
    const uint64_t end = pos + count;
    auto it = held.upper_bound(pos);
    if (it != held.begin()) --it;
    for (; it != held.end() && it->first < end; ++it) {
      const uint64_t lo = std::max(pos, it->first);
      const uint64_t hi = std::min<uint64_t>(end, it->first + it->second.size());
      if (lo >= hi) continue;
      std::memcpy(bytes + (lo - pos), it->second.data() + (lo - it->first),
                  static_cast<size_t>(hi - lo));
    }
  }
};

namespace {

// A stream opened on a file under a transaction: appends go to the file,
// writes inside the committed size are held.
class TransactionStream : public RezStream {
 public:
  TransactionStream(std::unique_ptr<RezStream> inner, std::shared_ptr<RezTransaction::State> state)
      : inner_(std::move(inner)), state_(std::move(state)) {}

  [[nodiscard]] bool ReadAt(uint64_t pos, void* buffer, size_t count) override {
    if (!inner_->ReadAt(pos, buffer, count)) return false;
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->Overlay(pos, static_cast<uint8_t*>(buffer), count);
    return true;
  }
  [[nodiscard]] bool WriteAt(uint64_t pos, const void* buffer, size_t count) override {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      const uint64_t base = state_->baseSize;
      // A place taken from the free ones is reached by no committed link: it
      // is written at once, like an append.
      if (pos < base && !state_->InTaken(pos, count)) {
        const size_t inside = static_cast<size_t>(std::min<uint64_t>(count, base - pos));
        state_->Hold(pos, bytes, inside);
        pos += inside;
        bytes += inside;
        count -= inside;
      }
    }
    return count == 0 || inner_->WriteAt(pos, bytes, count);
  }
  [[nodiscard]] uint64_t Size() const override { return inner_->Size(); }
  // The commit makes everything durable at once.
  [[nodiscard]] bool Sync() override { return true; }
  [[nodiscard]] bool Close() override { return inner_->Close(); }

  RezTransaction::State& state() const { return *state_; }

 private:
  std::unique_ptr<RezStream> inner_;
  std::shared_ptr<RezTransaction::State> state_;
};

}  // namespace

namespace rez_internal {

bool MayWrite() {
  int64_t budget = g_writeBudget.load(std::memory_order_relaxed);
  while (budget > 0 &&
         !g_writeBudget.compare_exchange_weak(budget, budget - 1, std::memory_order_relaxed)) {
  }
  return budget != 0;
}

std::unique_ptr<RezStream> UnderTransaction(std::unique_ptr<RezStream> stream, dev_t device,
                                            ino_t inode) {
  std::shared_ptr<RezTransaction::State> state;
  {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto it = g_registry.find({device, inode});
    if (it != g_registry.end()) state = it->second.lock();
  }
  if (state == nullptr) return stream;
  return std::make_unique<TransactionStream>(std::move(stream), std::move(state));
}

}  // namespace rez_internal

void RezSetWriteBudgetForTesting(int64_t writes) { g_writeBudget.store(writes); }

int64_t RezWriteBudgetForTesting() { return g_writeBudget.load(); }

std::string REZ_JournalPath(const std::string& path) { return path + "-journal"; }

namespace {

TransactionStream* TransactionOf(const REZ_FILE* file) {
  return file == nullptr ? nullptr : dynamic_cast<TransactionStream*>(file->stream.get());
}

}  // namespace

bool REZ_UnderTransaction(const REZ_FILE* file) { return TransactionOf(file) != nullptr; }

bool rez_internal::TakeFreeSpace(REZ_FILE* file, uint64_t size, uint64_t limit,
                                 uint64_t* position) {
  TransactionStream* stream = TransactionOf(file);
  if (stream == nullptr || size == 0) return false;
  RezTransaction::State& s = stream->state();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto best = s.freeSpace.end();
  for (auto it = s.freeSpace.begin(); it != s.freeSpace.end(); ++it) {
    if (it->second >= size && it->first + size <= limit &&
        (best == s.freeSpace.end() || it->second < best->second)) {
      best = it;
    }
  }
  if (best == s.freeSpace.end()) return false;
  const auto [offset, length] = *best;
  s.freeSpace.erase(best);
  s.taken[offset] = size;
  // The rest stays free.
  if (length > size) s.freeSpace[offset + size] = length - size;
  *position = offset;
  return true;
}

void rez_internal::NoteMoved(REZ_FILE* file, uint64_t position) {
  TransactionStream* stream = TransactionOf(file);
  if (stream == nullptr) return;
  RezTransaction::State& s = stream->state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (position >= s.startSize) s.newlyMovedToEnd.insert(position);
}

void REZ_FreeAfterCommit(REZ_FILE* file, uint64_t position, uint64_t size) {
  TransactionStream* stream = TransactionOf(file);
  if (stream == nullptr || size == 0) return;
  RezTransaction::State& s = stream->state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.freed.emplace_back(position, size);
}

int32_t REZ_RecoverJournal(const std::string& path) {
  const std::string jpath = REZ_JournalPath(path);
  VellUniqueFd journalFd(::open(jpath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!journalFd.valid()) return errno == ENOENT ? 0 : REZ_ERR_IO;
  const uint64_t journalSize = SizeOf(journalFd.get());
  std::vector<uint8_t> journal;
  uint64_t oldSize = 0;
  std::vector<Region> regions;
  bool valid = false;
  if (journalSize >= kHeadSize && journalSize <= kMaxJournalSize) {
    journal.resize(static_cast<size_t>(journalSize));
    valid = Vell_PreadFully(journalFd.get(), 0, journal.data(), journal.size()) &&
            ParseJournal(journal, &oldSize, &regions);
  }
  if (valid) {
    VellUniqueFd file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!file.valid()) return REZ_ERR_IO;
    for (const Region& r : regions) {
      if (!WriteFully(file.get(), r.offset, r.bytes, r.length)) return REZ_ERR_IO;
    }
    if (SizeOf(file.get()) != oldSize && !Truncate(file.get(), oldSize)) return REZ_ERR_IO;
    if (::fdatasync(file.get()) != 0) return REZ_ERR_IO;
    Vell_SystemErrorLog("[0] REZ_RecoverJournal[%llu]\r\n",
                        static_cast<unsigned long long>(oldSize));
  }
  // Rolled back, or torn before the file was touched: the journal is done.
  if (!Unlink(jpath)) return REZ_ERR_IO;
  static_cast<void>(Vell_SyncFolderOf(jpath));  // at worst the next open finds it again
  return valid ? 1 : 0;
}

RezTransaction::RezTransaction(std::shared_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<RezTransaction> RezTransaction::Begin(const std::string& path, int32_t* status) {
  *status = REZ_RecoverJournal(path);
  if (*status < 0) return nullptr;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    *status = REZ_ERR_ARGUMENT;
    return nullptr;
  }
  auto state = std::make_shared<State>();
  state->path = path;
  state->journalPath = REZ_JournalPath(path);
  state->id = {st.st_dev, st.st_ino};
  state->baseSize = static_cast<uint64_t>(st.st_size);
  state->startSize = state->baseSize;
  std::lock_guard<std::mutex> lock(g_registryMutex);
  auto& slot = g_registry[state->id];
  if (slot.lock() != nullptr) {  // one transaction per file
    *status = REZ_ERR_ARGUMENT;
    return nullptr;
  }
  slot = state;
  *status = REZ_OK;
  return std::unique_ptr<RezTransaction>(new RezTransaction(std::move(state)));
}

void RezTransaction::Finish(std::vector<RezMovedMember>* moved) {
  if (finished_) return;
  finished_ = true;
  Abort();
  MoveBackFromEnd(moved);
  CutFreeEnd();
  WipeFreeSpace();
}

RezTransaction::~RezTransaction() {
  Finish(nullptr);
  State& s = *state_;
  if (s.journalMade) static_cast<void>(Unlink(s.journalPath));  // invalid since the last commit
  std::lock_guard<std::mutex> lock(g_registryMutex);
  auto it = g_registry.find(s.id);
  if (it != g_registry.end() && it->second.lock() == state_) g_registry.erase(it);
}

bool RezTransaction::Clean() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (!state_->held.empty()) return false;
  // Appends go to the file at once: a file longer than at the commit holds some.
  struct stat st {};
  return ::stat(state_->path.c_str(), &st) == 0 &&
         static_cast<uint64_t>(st.st_size) == state_->baseSize;
}

void RezTransaction::MoveBackFromEnd(std::vector<RezMovedMember>* moved) {
  State& s = *state_;
  std::set<uint64_t> places;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    places.swap(s.movedToEnd);
  }
  if (places.empty()) return;
  std::vector<RezMovedMember> done;
  REZ_FILE file;
  if (REZ_Open(s.path.c_str(), 0, &file) != REZ_OK) return;
  std::vector<uint8_t> data;
  for (const uint64_t position : places) {
    REZ_METADATA member;
    if (rez_internal::ReadHeader(&file, position, &member) != REZ_OK) continue;
    try {
      data.resize(member.dataLength);
    } catch (const std::exception&) {
      continue;  // it stays where it is
    }
    file.current = member;
    file.hasCurrent = 1;
    if (REZ_GetData(&file, data.size(), data.data()) != REZ_OK) continue;
    // Relocate checks that the member is still linked before it writes.
    if (rez_internal::Relocate(&file, data.size(), {data}, s.startSize, false) == REZ_OK) {
      done.push_back({member.tag, member.position, file.current.position});
    }
  }
  static_cast<void>(REZ_Close(&file));
  if (done.empty()) return;
  if (Commit() != REZ_OK) {
    Vell_SystemErrorLog("[-1] REZ_MoveBackFromEnd\r\n");
    return;
  }
  if (moved != nullptr) *moved = std::move(done);
}

void RezTransaction::CutFreeEnd() {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  // The free places that end where the cut begins, from the back.
  uint64_t end = s.baseSize;
  for (;;) {
    auto last = s.freeSpace.lower_bound(end);
    if (last == s.freeSpace.begin()) break;
    --last;
    if (last->first + last->second != end) break;
    end = last->first;
    s.freeSpace.erase(last);
  }
  if (end == s.baseSize) return;
  VellUniqueFd file(::open(s.path.c_str(), O_RDWR | O_CLOEXEC));
  if (!file.valid() || !Truncate(file.get(), end) || ::fdatasync(file.get()) != 0) {
    Vell_SystemErrorLog("[-1] REZ_CutFreeEnd\r\n");
    return;
  }
  s.baseSize = end;
}

void RezTransaction::WipeFreeSpace() {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.freeSpace.empty()) return;
  VellUniqueFd file(::open(s.path.c_str(), O_RDWR | O_CLOEXEC));
  bool ok = file.valid();
  const std::vector<uint8_t> zeros(std::min<uint64_t>(kWipeChunk, s.baseSize));
  for (const auto& [offset, size] : s.freeSpace) {
    // Never past the committed end, whatever the places say.
    const uint64_t end = std::min(offset + size, s.baseSize);
    for (uint64_t at = offset; ok && at < end; at += kWipeChunk) {
      ok = WriteFully(file.get(), at, zeros.data(),
                      static_cast<size_t>(std::min<uint64_t>(kWipeChunk, end - at)));
    }
  }
  if (!ok || ::fdatasync(file.get()) != 0) Vell_SystemErrorLog("[-1] REZ_WipeFreeSpace\r\n");
  s.freeSpace.clear();
}

void RezTransaction::Abort() {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.held.clear();
  s.SpaceDropped();
  VellUniqueFd file(::open(s.path.c_str(), O_RDWR | O_CLOEXEC));
  // What was appended is unreachable; cutting it only gives the space back.
  if (file.valid() && SizeOf(file.get()) > s.baseSize) {
    static_cast<void>(Truncate(file.get(), s.baseSize));
  }
}

namespace {

// A run of held bytes that differs from the file: where, the file's bytes
// there and the held ones (both inside their regions' buffers).
struct Changed {
  uint64_t offset;
  size_t length;
  const uint8_t* old;
  const uint8_t* now;
};

// Compared in pieces of this size; a piece that differs anywhere goes whole.
constexpr size_t kComparePiece = 4096;

// The runs of held that differ from what the file holds, in order; *olds
// keeps the file's bytes of every region. False when the file cannot be read.
bool ChangedRuns(int fd, const std::map<uint64_t, std::vector<uint8_t>>& held,
                 std::vector<std::vector<uint8_t>>* olds, std::vector<Changed>* changed) {
  for (const auto& [offset, bytes] : held) {
    std::vector<uint8_t>& old = olds->emplace_back(bytes.size());
    if (!Vell_PreadFully(fd, offset, old.data(), old.size())) return false;
    size_t begin = 0;  // of the current run of differing pieces
    bool inRun = false;
    for (size_t at = 0; at <= bytes.size(); at += kComparePiece) {
      const size_t length = std::min(kComparePiece, bytes.size() - at);
      const bool differs =
          length > 0 && std::memcmp(old.data() + at, bytes.data() + at, length) != 0;
      if (differs && !inRun) {
        begin = at;
        inRun = true;
      } else if (!differs && inRun) {
        changed->push_back({offset + begin, at - begin, old.data() + begin, bytes.data() + begin});
        inRun = false;
      }
      if (length < kComparePiece) break;
    }
    if (inRun) {
      changed->push_back(
          {offset + begin, bytes.size() - begin, old.data() + begin, bytes.data() + begin});
    }
  }
  return true;
}

}  // namespace

int32_t RezTransaction::Commit() {
  State& s = *state_;
  std::unique_lock<std::mutex> lock(s.mutex);
  VellUniqueFd file(::open(s.path.c_str(), O_RDWR | O_CLOEXEC));
  if (!file.valid()) {
    lock.unlock();
    Abort();
    Vell_SystemErrorLog("[-1] REZ_Commit\r\n");
    return REZ_ERR_IO;
  }
  // What is held and differs from the file: bytes rewritten as they were
  // (the unchanged part of a block rewritten in place) need neither a copy
  // in the journal nor a write.
  std::vector<std::vector<uint8_t>> olds;
  std::vector<Changed> changed;
  bool ok = ChangedRuns(file.get(), s.held, &olds, &changed);
  if (ok && changed.empty()) {  // only appends, which nothing reaches until linked
    if (::fdatasync(file.get()) != 0) {
      lock.unlock();
      Abort();
      Vell_SystemErrorLog("[-2] REZ_Commit\r\n");
      return REZ_ERR_IO;
    }
    s.held.clear();
    s.SpaceCommitted();
    s.baseSize = SizeOf(file.get());
    return REZ_OK;
  }

  // 1. The journal: the old bytes of every changed run.
  size_t journalSize = kHeadSize;
  for (const Changed& run : changed) journalSize += kRegionHeadSize + run.length;
  // Every byte is written below: no zeros first.
  const std::unique_ptr<uint8_t[]> journal = std::make_unique_for_overwrite<uint8_t[]>(journalSize);
  std::memcpy(journal.get(), kMagic, sizeof kMagic);
  PutLE64(journal.get() + 8, s.baseSize);
  Vell_PutLE32(journal.get() + 16, static_cast<uint32_t>(changed.size()));
  size_t at = kHeadSize;
  for (const Changed& run : changed) {
    PutLE64(journal.get() + at, run.offset);
    Vell_PutLE32(journal.get() + at + 8, static_cast<uint32_t>(run.length));
    at += kRegionHeadSize;
    std::memcpy(journal.get() + at, run.old, run.length);
    at += run.length;
  }
  ok = ok && Vell_Sha256(journal.get() + kHeadSize, journalSize - kHeadSize, journal.get() + 20);
  VellUniqueFd journalFd(ok ? ::open(s.journalPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)
                            : -1);
  const bool made = journalFd.valid();
  ok = ok && made && WriteFully(journalFd.get(), 0, journal.get(), journalSize) &&
       Truncate(journalFd.get(), journalSize) && ::fdatasync(journalFd.get()) == 0 &&
       (s.journalMade || Vell_SyncFolderOf(s.journalPath));
  if (made) s.journalMade = true;
  if (!ok) {
    // Nothing inside the old size was touched: drop the torn journal.
    if (made) static_cast<void>(Unlink(s.journalPath));
    s.journalMade = false;
    lock.unlock();
    Abort();
    Vell_SystemErrorLog("[-3] REZ_Commit\r\n");
    return REZ_ERR_IO;
  }

  // 2. The changed bytes into the file.
  for (const Changed& run : changed) {
    ok = ok && WriteFully(file.get(), run.offset, run.now, run.length);
  }
  ok = ok && ::fdatasync(file.get()) == 0;
  if (!ok) {
    Vell_SystemErrorLog("[-4] REZ_Commit\r\n");
    s.held.clear();
    s.SpaceDropped();
    s.journalMade = false;  // the recovery removes it
    lock.unlock();
    // The journal is on the disk: put the old bytes back now. When even that
    // fails, the journal stays for the next open.
    if (REZ_RecoverJournal(s.path) < 0) Vell_SystemErrorLog("[-5] REZ_Commit\r\n");
    return REZ_ERR_IO;
  }

  // 3. The journal made invalid: the commit is done.
  const uint8_t zeros[kHeadSize] = {};
  if (!WriteFully(journalFd.get(), 0, zeros, sizeof zeros) || ::fdatasync(journalFd.get()) != 0) {
    // A valid journal left behind would undo this commit at the next open.
    if (!Unlink(s.journalPath) || !Vell_SyncFolderOf(s.journalPath)) {
      Vell_SystemErrorLog("[-6] REZ_Commit\r\n");
    }
    s.journalMade = false;
  }
  s.held.clear();
  s.SpaceCommitted();
  s.baseSize = SizeOf(file.get());
  return REZ_OK;
}

#include "core/container/rez_compact.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "core/container/rez_internal.h"
#include "core/util/vell_file.h"

namespace {

std::array<uint64_t, 2> DigestOf(const XXH128_hash_t& h) { return {h.low64, h.high64}; }

using DigestState = std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)>;

DigestState NewDigest() {
  DigestState state(XXH3_createState(), XXH3_freeState);
  if (state != nullptr && XXH3_128bits_reset(state.get()) != XXH_OK) state.reset();
  return state;
}

// Reads a file with positioned reads only, straight into the caller's buffer
// or through a window of the file that a small read fills. With a small
// window a member's header and the head of its data cost one read, and
// walking the headers of a file of gigabytes reads only them; with a large
// one, a file walked front to back is read a window at a time.
class PreadStream : public RezStream {
 public:
  PreadStream(int fd, uint64_t size, size_t window) : fd_(fd), size_(size), window_(window) {}
  ~PreadStream() override {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] bool ReadAt(uint64_t pos, void* buffer, size_t count) override {
    if (count > window_.size()) {
      return pos <= size_ && count <= size_ - pos && Vell_PreadFully(fd_, pos, buffer, count);
    }
    const uint8_t* bytes = View(pos, count);
    if (bytes == nullptr) return false;
    std::memcpy(buffer, bytes, count);
    return true;
  }
  // The count bytes at pos (at most a window) in the window, or null.
  [[nodiscard]] const uint8_t* View(uint64_t pos, size_t count) {
    if (pos > size_ || count > size_ - pos || count > window_.size()) return nullptr;
    if (pos < windowAt_ || pos + count > windowAt_ + windowLength_) {
      windowAt_ = pos;
      windowLength_ = static_cast<size_t>(std::min<uint64_t>(window_.size(), size_ - pos));
      if (!Vell_PreadFully(fd_, pos, window_.data(), windowLength_)) {
        windowLength_ = 0;
        return nullptr;
      }
    }
    return window_.data() + (pos - windowAt_);
  }
  // The digest of the count bytes at pos, read through the window.
  [[nodiscard]] bool Digest(uint64_t pos, uint64_t count, std::array<uint64_t, 2>* digest) {
    if (count <= window_.size()) {
      const uint8_t* bytes = View(pos, static_cast<size_t>(count));
      if (bytes == nullptr) return false;
      *digest = DigestOf(XXH3_128bits(bytes, static_cast<size_t>(count)));
      return true;
    }
    DigestState state = NewDigest();
    if (state == nullptr) return false;
    while (count > 0) {
      const auto n = static_cast<size_t>(std::min<uint64_t>(count, window_.size()));
      const uint8_t* bytes = View(pos, n);
      if (bytes == nullptr || XXH3_128bits_update(state.get(), bytes, n) != XXH_OK) return false;
      pos += n;
      count -= n;
    }
    *digest = DigestOf(XXH3_128bits_digest(state.get()));
    return true;
  }
  [[nodiscard]] bool WriteAt(uint64_t, const void*, size_t) override { return false; }
  [[nodiscard]] uint64_t Size() const override { return size_; }
  [[nodiscard]] bool Sync() override { return true; }
  [[nodiscard]] bool Close() override {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }
  int fd() const { return fd_; }

 private:
  int fd_;
  uint64_t size_;
  std::vector<uint8_t> window_;
  uint64_t windowAt_ = 0;
  size_t windowLength_ = 0;
};

// The window for walking headers here and there in a file.
constexpr size_t kHeaderWindow = 64;

// Opens path for scanning through a window of that many bytes; *stream (when
// given) is the stream the file reads.
[[nodiscard]] int32_t OpenForScanning(const std::string& path, size_t window, REZ_FILE* file,
                                      PreadStream** stream) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return REZ_ERR_ARGUMENT;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return REZ_ERR_ARGUMENT;
  }
  auto owned = std::make_unique<PreadStream>(fd, static_cast<uint64_t>(st.st_size), window);
  if (stream != nullptr) *stream = owned.get();
  return REZ_OpenStream(std::move(owned), 1, file);
}

}  // namespace

int32_t REZ_OpenForScanning(const std::string& path, REZ_FILE* file) {
  return OpenForScanning(path, kHeaderWindow, file, nullptr);
}

namespace {

struct ReadOnlyFile {
  REZ_FILE file;
  ~ReadOnlyFile() { static_cast<void>(REZ_Close(&file)); }
};

// The tags of the tag list in order; a tag met twice, a list that goes round
// or one that ends in a link to nowhere is damage.
[[nodiscard]] int32_t ListTags(REZ_FILE* file, std::vector<uint32_t>* tags) {
  uint64_t budget = REZ_MaxChainSteps(file) + 1;
  std::unordered_set<uint32_t> seen;
  int32_t status = REZ_FirstTag(file);
  while (status == REZ_OK) {
    if (budget-- == 0 || !seen.insert(file->current.tag).second) return REZ_ERR_NO_TAG;
    tags->push_back(file->current.tag);
    status = REZ_NextTag(file);
  }
  if (status != REZ_ERR_NO_TAG) return status;
  if (!tags->empty() && file->current.nextTag != kRezNoLink) return REZ_ERR_NO_TAG;
  return REZ_OK;
}

// Calls visit for each member of tag in chain order (file->current is the
// member); REZ_OK once the chain has been walked to its proper end.
template <typename Visit>
[[nodiscard]] int32_t WalkChain(REZ_FILE* file, uint32_t tag, uint64_t* budget, Visit visit) {
  int32_t status = REZ_FirstMember(file, tag);
  while (status == REZ_OK) {
    if ((*budget)-- == 0) return REZ_ERR_NO_MEMBER;
    status = visit();
    if (status != REZ_OK) return status;
    status = REZ_NextMember(file);
  }
  if (status != REZ_ERR_NO_MEMBER || file->current.nextMember != kRezNoLink) {
    return status == REZ_OK || status == REZ_ERR_NO_MEMBER ? REZ_ERR_NO_MEMBER : status;
  }
  return REZ_OK;
}

// Whether b lies right after a in the source, so that both can be read in
// one piece: in the copy they always do.
bool FollowsInSource(const RezCopyPlan::Member& a, const RezCopyPlan::Member& b) {
  return b.source == uint64_t{a.source} + kRezHeaderSize + a.length;
}

// The end of the run of members from first on that lie one after another in
// the source, holding at most limit bytes with their headers (but always at
// least the first member).
size_t RunEnd(const std::vector<RezCopyPlan::Member>& members, size_t first, uint64_t limit) {
  uint64_t bytes = kRezHeaderSize + uint64_t{members[first].length};
  size_t end = first + 1;
  while (end < members.size() && FollowsInSource(members[end - 1], members[end])) {
    bytes += kRezHeaderSize + uint64_t{members[end].length};
    if (bytes > limit) break;
    ++end;
  }
  return end;
}

// The copy is written a piece at a time, and read back a window at a time
// (large enough that most members lie in one with their headers).
constexpr size_t kPiece = size_t{256} << 10;
constexpr size_t kCheckWindow = size_t{1} << 20;

// The root of the copy, and member i of its tag t, as the copy links them.
REZ_METADATA PlannedRoot(const RezCopyPlan& plan) {
  return {kRezNoLink,
          0,
          kRezRootPosition,
          kRezNoLink,
          kRezNoLink,
          kRezNoLink,
          plan.tags.empty() ? kRezNoLink : kRezFirstMemberPosition};
}

REZ_METADATA PlannedHeader(const RezCopyPlan& plan, size_t t, size_t i) {
  const auto& members = plan.tags[t].members;
  REZ_METADATA h{plan.tags[t].tag,
                 members[i].length,
                 members[i].copy,
                 i == 0 ? kRezNoLink : members[i - 1].copy,
                 i + 1 < members.size() ? members[i + 1].copy : kRezNoLink,
                 kRezNoLink,
                 kRezNoLink};
  if (i == 0) {
    h.prevTag = t == 0 ? kRezRootPosition : plan.tags[t - 1].members.front().copy;
    h.nextTag = t + 1 < plan.tags.size() ? plan.tags[t + 1].members.front().copy : kRezNoLink;
  }
  return h;
}

// The copy's bytes gathered in order and written a piece at a time.
class PieceWriter {
 public:
  explicit PieceWriter(RezStream* out) : out_(out), piece_(kPiece) {}

  // Room for n more bytes (at most a piece) in the piece, writing out what it
  // holds first when they do not fit.
  [[nodiscard]] uint8_t* Room(size_t n) {
    if (used_ + n > piece_.size() && !Flush()) return nullptr;
    return piece_.data() + used_;
  }
  // The n bytes at Room() are the copy's next ones.
  void Add(size_t n) { used_ += n; }
  [[nodiscard]] size_t Free() const { return piece_.size() - used_; }
  [[nodiscard]] bool Flush() {
    if (used_ > 0 && !out_->WriteAt(at_, piece_.data(), used_)) return false;
    at_ += used_;
    used_ = 0;
    // What is written goes on to the device while the rest is gathered, so
    // that the sync after the last piece has little left to wait for.
    if (at_ - writtenBack_ >= kWriteback) {
      out_->StartWriteback(writtenBack_, at_ - writtenBack_);
      writtenBack_ = at_;
    }
    return true;
  }

 private:
  static constexpr uint64_t kWriteback = uint64_t{16} << 20;
  RezStream* out_;
  std::vector<uint8_t> piece_;
  size_t used_ = 0;
  uint64_t at_ = 0;           // where the piece goes in the copy
  uint64_t writtenBack_ = 0;  // where the copy's bytes not yet sent to the device begin
};

// Lays out the copy: which members of the source it keeps, and where.
[[nodiscard]] int32_t PlanCopy(REZ_FILE* file, const RezKeepMember& keep, RezCopyPlan* plan) {
  std::vector<uint32_t> tags;
  int32_t status = ListTags(file, &tags);
  if (status != REZ_OK) return status;
  uint64_t budget = REZ_MaxChainSteps(file) + 1;
  uint64_t end = kRezFirstMemberPosition;
  for (uint32_t tag : tags) {
    RezCopyPlan::Tag kept{tag, {}};
    status = WalkChain(file, tag, &budget, [&]() -> int32_t {
      const REZ_METADATA& m = file->current;
      uint8_t head[kRezCopyHeadBytes];
      const size_t n = std::min<size_t>(m.dataLength, sizeof head);
      if (n > 0 && REZ_GetSubdata(file, 0, n, head) != REZ_OK) return REZ_ERR_IO;
      if (!keep(tag, std::span<const uint8_t>(head, n))) {
        ++plan->membersDropped;
        return REZ_OK;
      }
      kept.members.push_back({m.position, static_cast<uint32_t>(end), m.dataLength});
      end += kRezHeaderSize + uint64_t{m.dataLength};
      return end > kRezMaxFileSize ? REZ_ERR_IO : REZ_OK;
    });
    if (status != REZ_OK) return status;
    if (!kept.members.empty()) plan->tags.push_back(std::move(kept));
  }
  plan->copySize = end;
  return REZ_OK;
}

// Copies one member longer than a piece: its header, then its data a piece
// at a time, digesting it on the way.
[[nodiscard]] bool CopyLongMember(int from, const REZ_METADATA& header, PieceWriter* writer,
                                  RezCopyPlan::Member* member) {
  uint8_t* room = writer->Room(kRezHeaderSize);
  if (room == nullptr) return false;
  rez_internal::EncodeHeader(header, room);
  writer->Add(kRezHeaderSize);
  DigestState state = NewDigest();
  if (state == nullptr) return false;
  uint64_t at = uint64_t{member->source} + kRezHeaderSize;
  for (uint64_t left = member->length; left > 0;) {
    if (writer->Free() == 0 && !writer->Flush()) return false;
    const auto n = static_cast<size_t>(std::min<uint64_t>(left, writer->Free()));
    room = writer->Room(n);
    if (room == nullptr || !Vell_PreadFully(from, at, room, n) ||
        XXH3_128bits_update(state.get(), room, n) != XXH_OK) {
      return false;
    }
    writer->Add(n);
    at += n;
    left -= n;
  }
  member->digest = DigestOf(XXH3_128bits_digest(state.get()));
  return true;
}

}  // namespace

int32_t REZ_WriteCopy(const std::string& sourcePath, RezStream* out, const RezKeepMember& keep,
                      RezCopyPlan* plan) {
  *plan = RezCopyPlan{};
  if (out == nullptr || out->Size() != 0) return REZ_ERR_ARGUMENT;
  ReadOnlyFile source;
  PreadStream* sourceStream = nullptr;
  int32_t status = OpenForScanning(sourcePath, kHeaderWindow, &source.file, &sourceStream);
  if (status != REZ_OK) return status;
  plan->sourceSize = source.file.stream->Size();
  status = PlanCopy(&source.file, keep, plan);
  if (status != REZ_OK) return status;

  // The file header as it was, the root, then each tag's members in order.
  // Members that lie one after another in the source are read in one piece,
  // their old headers and all; each header is then filled in as the copy
  // links it, after the data behind it has been digested.
  const int from = sourceStream->fd();
  PieceWriter writer(out);
  uint8_t* room = writer.Room(kRezFileHeaderSize + kRezHeaderSize);
  if (room == nullptr || !Vell_PreadFully(from, 0, room, kRezFileHeaderSize)) return REZ_ERR_IO;
  plan->fileHeader.assign(room, room + kRezFileHeaderSize);
  rez_internal::EncodeHeader(PlannedRoot(*plan), room + kRezFileHeaderSize);
  writer.Add(kRezFileHeaderSize + kRezHeaderSize);
  for (size_t t = 0; t < plan->tags.size(); ++t) {
    auto& members = plan->tags[t].members;
    for (size_t first = 0; first < members.size();) {
      const size_t last = RunEnd(members, first, kPiece);
      const uint64_t bytes = members[last - 1].copy - members[first].copy + kRezHeaderSize +
                             uint64_t{members[last - 1].length};
      if (bytes > kPiece) {
        if (!CopyLongMember(from, PlannedHeader(*plan, t, first), &writer, &members[first]))
          return REZ_ERR_IO;
        first = last;
        continue;
      }
      room = writer.Room(static_cast<size_t>(bytes));
      if (room == nullptr || !Vell_PreadFully(from, members[first].source, room, bytes))
        return REZ_ERR_IO;
      for (size_t i = first; i < last; ++i) {
        uint8_t* header = room + (members[i].source - members[first].source);
        members[i].digest = DigestOf(XXH3_128bits(header + kRezHeaderSize, members[i].length));
        rez_internal::EncodeHeader(PlannedHeader(*plan, t, i), header);
      }
      writer.Add(static_cast<size_t>(bytes));
      first = last;
    }
  }
  return writer.Flush() ? REZ_OK : REZ_ERR_IO;
}

int32_t REZ_CheckCopy(const std::string& copyPath, const RezCopyPlan& plan) {
  // The copy is read front to back, in the order its chains run.
  ReadOnlyFile copy;
  PreadStream* stream = nullptr;
  int32_t status = OpenForScanning(copyPath, kCheckWindow, &copy.file, &stream);
  if (status != REZ_OK) return status;
  REZ_FILE* file = &copy.file;
  if (stream->Size() != plan.copySize) return REZ_ERR_ARGUMENT;
  const uint8_t* bytes = stream->View(0, kRezFileHeaderSize + kRezHeaderSize);
  uint8_t planned[kRezHeaderSize];
  rez_internal::EncodeHeader(PlannedRoot(plan), planned);
  if (bytes == nullptr || plan.fileHeader.size() != kRezFileHeaderSize ||
      std::memcmp(bytes, plan.fileHeader.data(), kRezFileHeaderSize) != 0 ||
      std::memcmp(bytes + kRezFileHeaderSize, planned, kRezHeaderSize) != 0) {
    return REZ_ERR_ARGUMENT;
  }

  // As a reader walks it: each member where the plan put it, its header as
  // planned to the last byte, its data as digested when it was copied.
  std::vector<uint32_t> tags;
  status = ListTags(file, &tags);
  if (status != REZ_OK) return status;
  if (tags.size() != plan.tags.size()) return REZ_ERR_ARGUMENT;
  uint64_t budget = REZ_MaxChainSteps(file) + 1;
  uint64_t used = kRezFirstMemberPosition;
  for (size_t t = 0; t < tags.size(); ++t) {
    const auto& members = plan.tags[t].members;
    if (tags[t] != plan.tags[t].tag) return REZ_ERR_ARGUMENT;
    size_t i = 0;
    status = WalkChain(file, tags[t], &budget, [&]() -> int32_t {
      const REZ_METADATA& m = file->current;
      if (i >= members.size() || m.position != used || m.position != members[i].copy ||
          m.dataLength != members[i].length) {
        return REZ_ERR_ARGUMENT;
      }
      rez_internal::EncodeHeader(PlannedHeader(plan, t, i), planned);
      const uint8_t* header = stream->View(m.position, kRezHeaderSize);
      std::array<uint64_t, 2> digest;
      if (header == nullptr || std::memcmp(header, planned, kRezHeaderSize) != 0 ||
          !stream->Digest(uint64_t{m.position} + kRezHeaderSize, m.dataLength, &digest) ||
          digest != members[i].digest) {
        return REZ_ERR_ARGUMENT;
      }
      used += kRezHeaderSize + uint64_t{m.dataLength};
      ++i;
      return REZ_OK;
    });
    if (status != REZ_OK) return status;
    if (i != members.size()) return REZ_ERR_ARGUMENT;
  }
  // Every byte after the root belongs to a member: no dead space.
  return used == plan.copySize ? REZ_OK : REZ_ERR_ARGUMENT;
}

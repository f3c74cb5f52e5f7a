#include "core/container/rez_compact.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "core/container/rez_internal.h"
#include "core/util/vell_file.h"

namespace {

// Reads a file with positioned reads only, straight into the caller's buffer.
// A small read fetches a few bytes more and keeps them, so that a member's
// header and the head of its data that follows cost one read.
class PreadStream : public RezStream {
 public:
  PreadStream(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~PreadStream() override {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] bool ReadAt(uint64_t pos, void* buffer, size_t count) override {
    if (pos > size_ || count > size_ - pos) return false;
    if (count > sizeof window_) return Vell_PreadFully(fd_, pos, buffer, count);
    if (pos < windowAt_ || pos + count > windowAt_ + windowLength_) {
      windowAt_ = pos;
      windowLength_ = static_cast<size_t>(std::min<uint64_t>(sizeof window_, size_ - pos));
      if (!Vell_PreadFully(fd_, pos, window_, windowLength_)) {
        windowLength_ = 0;
        return false;
      }
    }
    std::memcpy(buffer, window_ + (pos - windowAt_), count);
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
  uint8_t window_[64];
  uint64_t windowAt_ = 0;
  size_t windowLength_ = 0;
};

// Opens path for scanning; *stream (when given) is the stream the file reads.
[[nodiscard]] int32_t OpenForScanning(const std::string& path, REZ_FILE* file,
                                      const PreadStream** stream) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return REZ_ERR_ARGUMENT;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return REZ_ERR_ARGUMENT;
  }
  auto owned = std::make_unique<PreadStream>(fd, static_cast<uint64_t>(st.st_size));
  if (stream != nullptr) *stream = owned.get();
  return REZ_OpenStream(std::move(owned), 1, file);
}

}  // namespace

int32_t REZ_OpenForScanning(const std::string& path, REZ_FILE* file) {
  return OpenForScanning(path, file, nullptr);
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

// Whether b lies right after a in the source, so that both can be read (or
// copied) in one piece: in the copy they always do.
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

}  // namespace

int32_t REZ_WriteCopy(const std::string& sourcePath, RezStream* out, const RezKeepMember& keep,
                      RezCopyPlan* plan) {
  *plan = RezCopyPlan{};
  if (out == nullptr || out->Size() != 0) return REZ_ERR_ARGUMENT;
  ReadOnlyFile source;
  const PreadStream* sourceStream = nullptr;
  int32_t status = OpenForScanning(sourcePath, &source.file, &sourceStream);
  if (status != REZ_OK) return status;
  REZ_FILE* file = &source.file;
  plan->sourceSize = file->stream->Size();

  // What to keep, and where it goes.
  std::vector<uint32_t> tags;
  status = ListTags(file, &tags);
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

  // The file header as it was, the root, then each tag's members in order.
  // Members that lie one after another in the source are copied in one piece,
  // their old headers and all; each header is then written as the copy links it.
  const int from = sourceStream->fd();
  uint8_t header[kRezHeaderSize];
  auto put = [&](const REZ_METADATA& h) {
    rez_internal::EncodeHeader(h, header);
    return out->WriteAt(h.position, header, sizeof header);
  };
  if (!out->CopyFrom(from, 0, 0, kRezFileHeaderSize) ||
      !put({kRezNoLink, 0, kRezRootPosition, kRezNoLink, kRezNoLink, kRezNoLink,
            plan->tags.empty() ? kRezNoLink : kRezFirstMemberPosition})) {
    return REZ_ERR_IO;
  }
  for (size_t t = 0; t < plan->tags.size(); ++t) {
    const auto& members = plan->tags[t].members;
    for (size_t first = 0; first < members.size();) {
      const size_t last = RunEnd(members, first, UINT64_MAX);
      const uint64_t bytes = members[last - 1].copy - members[first].copy + kRezHeaderSize +
                             uint64_t{members[last - 1].length};
      if (!out->CopyFrom(from, members[first].source, members[first].copy, bytes))
        return REZ_ERR_IO;
      for (size_t i = first; i < last; ++i) {
        REZ_METADATA h{plan->tags[t].tag,
                       members[i].length,
                       members[i].copy,
                       i == 0 ? kRezNoLink : members[i - 1].copy,
                       i + 1 < members.size() ? members[i + 1].copy : kRezNoLink,
                       kRezNoLink,
                       kRezNoLink};
        if (i == 0) {
          h.prevTag = t == 0 ? kRezRootPosition : plan->tags[t - 1].members.front().copy;
          h.nextTag =
              t + 1 < plan->tags.size() ? plan->tags[t + 1].members.front().copy : kRezNoLink;
        }
        if (!put(h)) return REZ_ERR_IO;
      }
      first = last;
    }
  }
  return REZ_OK;
}

int32_t REZ_CompareCopy(const std::string& sourcePath, const std::string& copyPath,
                        const RezCopyPlan& plan) {
  ReadOnlyFile source, copy;
  int32_t status = REZ_OpenForScanning(sourcePath, &source.file);
  if (status == REZ_OK) status = REZ_OpenForScanning(copyPath, &copy.file);
  if (status != REZ_OK) return status;
  REZ_FILE* file = &copy.file;
  if (file->stream->Size() != plan.copySize) return REZ_ERR_ARGUMENT;

  // The copy as a reader walks it: each member where the plan put it, as long.
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
      used += kRezHeaderSize + uint64_t{m.dataLength};
      ++i;
      return REZ_OK;
    });
    if (status != REZ_OK) return status;
    if (i != members.size()) return REZ_ERR_ARGUMENT;
  }
  // Every byte after the root belongs to a member: no dead space.
  if (used != plan.copySize) return REZ_ERR_ARGUMENT;

  // The bytes: the file header, then every member's data, read a piece of
  // members at a time from both files.
  constexpr uint64_t kPiece = uint64_t{1} << 20;
  std::vector<uint8_t> mine(kPiece), theirs(kPiece);
  auto read = [&](uint64_t minePos, uint64_t theirPos, size_t count) {
    return file->stream->ReadAt(minePos, mine.data(), count) &&
           source.file.stream->ReadAt(theirPos, theirs.data(), count);
  };
  // Data longer than a piece, compared a piece at a time.
  auto same = [&](uint64_t minePos, uint64_t theirPos, uint64_t count) {
    while (count > 0) {
      const size_t n = static_cast<size_t>(std::min(count, kPiece));
      if (!read(minePos, theirPos, n) || std::memcmp(mine.data(), theirs.data(), n) != 0)
        return false;
      minePos += n;
      theirPos += n;
      count -= n;
    }
    return true;
  };
  if (!same(0, 0, kRezFileHeaderSize)) return REZ_ERR_ARGUMENT;
  for (const auto& tag : plan.tags) {
    const auto& members = tag.members;
    for (size_t first = 0; first < members.size();) {
      const size_t last = RunEnd(members, first, kPiece);
      const RezCopyPlan::Member& a = members[first];
      if (last == first + 1 && kRezHeaderSize + uint64_t{a.length} > kPiece) {
        if (!same(uint64_t{a.copy} + kRezHeaderSize, uint64_t{a.source} + kRezHeaderSize,
                  a.length)) {
          return REZ_ERR_ARGUMENT;
        }
      } else {
        const RezCopyPlan::Member& z = members[last - 1];
        if (!read(a.copy, a.source, z.copy - a.copy + kRezHeaderSize + size_t{z.length}))
          return REZ_ERR_ARGUMENT;
        for (size_t i = first; i < last; ++i) {
          const size_t at = members[i].copy - a.copy + kRezHeaderSize;
          if (std::memcmp(mine.data() + at, theirs.data() + at, members[i].length) != 0)
            return REZ_ERR_ARGUMENT;
        }
      }
      first = last;
    }
  }
  return REZ_OK;
}

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

// Reads a file with positioned reads only: every header and every piece of
// data is read once, straight into the caller's buffer.
class PreadStream : public RezStream {
 public:
  PreadStream(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~PreadStream() override {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] bool ReadAt(uint64_t pos, void* buffer, size_t count) override {
    return pos <= size_ && count <= size_ - pos && Vell_PreadFully(fd_, pos, buffer, count);
  }
  [[nodiscard]] bool WriteAt(uint64_t, const void*, size_t) override { return false; }
  [[nodiscard]] uint64_t Size() const override { return size_; }
  [[nodiscard]] bool Sync() override { return true; }
  [[nodiscard]] bool Close() override {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
  uint64_t size_;
};

}  // namespace

int32_t REZ_OpenForScanning(const std::string& path, REZ_FILE* file) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return REZ_ERR_ARGUMENT;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return REZ_ERR_ARGUMENT;
  }
  return REZ_OpenStream(std::make_unique<PreadStream>(fd, static_cast<uint64_t>(st.st_size)), 1,
                        file);
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

// Writes through one buffer to consecutive positions of a stream.
class BufferedWriter {
 public:
  BufferedWriter(RezStream* out, size_t capacity) : out_(out), buffer_(capacity) {}

  [[nodiscard]] bool Put(const void* bytes, size_t count) {
    const auto* in = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
      const size_t n = std::min(count, Room());
      if (n == 0) {
        if (!Flush()) return false;
        continue;
      }
      std::memcpy(buffer_.data() + used_, in, n);
      used_ += n;
      in += n;
      count -= n;
    }
    return true;
  }
  // Copies count bytes of the source at pos into the copy.
  [[nodiscard]] bool CopyFrom(RezStream* source, uint64_t pos, uint64_t count) {
    while (count > 0) {
      if (Room() == 0 && !Flush()) return false;
      const size_t n = static_cast<size_t>(std::min<uint64_t>(count, Room()));
      if (!source->ReadAt(pos, buffer_.data() + used_, n)) return false;
      used_ += n;
      pos += n;
      count -= n;
    }
    return true;
  }
  [[nodiscard]] bool Flush() {
    if (used_ == 0) return true;
    if (!out_->WriteAt(at_, buffer_.data(), used_)) return false;
    at_ += used_;
    used_ = 0;
    return true;
  }

 private:
  size_t Room() const { return buffer_.size() - used_; }

  RezStream* out_;
  std::vector<uint8_t> buffer_;
  uint64_t at_ = 0;
  size_t used_ = 0;
};

constexpr size_t kCopyBufferBytes = size_t{4} << 20;

}  // namespace

int32_t REZ_WriteCopy(const std::string& sourcePath, RezStream* out, const RezKeepMember& keep,
                      RezCopyPlan* plan) {
  *plan = RezCopyPlan{};
  if (out == nullptr || out->Size() != 0) return REZ_ERR_ARGUMENT;
  ReadOnlyFile source;
  int32_t status = REZ_OpenForScanning(sourcePath, &source.file);
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
      kept.members.push_back({m.position, m.dataLength});
      end += kRezHeaderSize + uint64_t{m.dataLength};
      return end > kRezMaxFileSize ? REZ_ERR_IO : REZ_OK;
    });
    if (status != REZ_OK) return status;
    if (!kept.members.empty()) plan->tags.push_back(std::move(kept));
  }
  plan->copySize = end;

  // The file header as it was, the root, then each tag's members in order.
  BufferedWriter writer(out, kCopyBufferBytes);
  uint8_t header[kRezHeaderSize];
  if (!writer.CopyFrom(file->stream.get(), 0, kRezFileHeaderSize)) return REZ_ERR_IO;
  uint32_t at = kRezFirstMemberPosition;
  REZ_METADATA root{kRezNoLink,
                    0,
                    kRezRootPosition,
                    kRezNoLink,
                    kRezNoLink,
                    kRezNoLink,
                    plan->tags.empty() ? kRezNoLink : at};
  rez_internal::EncodeHeader(root, header);
  if (!writer.Put(header, sizeof header)) return REZ_ERR_IO;
  uint32_t previousHead = kRezRootPosition;
  for (size_t t = 0; t < plan->tags.size(); ++t) {
    const auto& members = plan->tags[t].members;
    uint32_t tagSize = 0;
    for (const auto& m : members) tagSize += kRezHeaderSize + m.length;
    const uint32_t head = at;
    for (size_t i = 0; i < members.size(); ++i) {
      const uint32_t next = at + kRezHeaderSize + members[i].length;
      REZ_METADATA h{plan->tags[t].tag,
                     members[i].length,
                     at,
                     i == 0 ? kRezNoLink : at - kRezHeaderSize - members[i - 1].length,
                     i + 1 < members.size() ? next : kRezNoLink,
                     kRezNoLink,
                     kRezNoLink};
      if (i == 0) {
        h.prevTag = previousHead;
        h.nextTag = t + 1 < plan->tags.size() ? head + tagSize : kRezNoLink;
      }
      rez_internal::EncodeHeader(h, header);
      if (!writer.Put(header, sizeof header) ||
          !writer.CopyFrom(file->stream.get(), uint64_t{members[i].source} + kRezHeaderSize,
                           members[i].length)) {
        return REZ_ERR_IO;
      }
      at = next;
    }
    previousHead = head;
  }
  return writer.Flush() ? REZ_OK : REZ_ERR_IO;
}

int32_t REZ_CompareCopy(const std::string& sourcePath, const std::string& copyPath,
                        const RezCopyPlan& plan) {
  ReadOnlyFile source, copy;
  int32_t status = REZ_OpenForScanning(sourcePath, &source.file);
  if (status == REZ_OK) status = REZ_OpenForScanning(copyPath, &copy.file);
  if (status != REZ_OK) return status;
  REZ_FILE* file = &copy.file;
  if (file->stream->Size() != plan.copySize) return REZ_ERR_ARGUMENT;

  constexpr size_t kPiece = size_t{1} << 20;
  std::vector<uint8_t> mine(kPiece), theirs(kPiece);
  auto same = [&](uint64_t minePos, uint64_t theirPos, uint64_t count) {
    while (count > 0) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(count, kPiece));
      if (!file->stream->ReadAt(minePos, mine.data(), n) ||
          !source.file.stream->ReadAt(theirPos, theirs.data(), n) ||
          std::memcmp(mine.data(), theirs.data(), n) != 0) {
        return false;
      }
      minePos += n;
      theirPos += n;
      count -= n;
    }
    return true;
  };
  if (!same(0, 0, kRezFileHeaderSize)) return REZ_ERR_ARGUMENT;

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
      if (i >= members.size() || m.dataLength != members[i].length ||
          !same(uint64_t{m.position} + kRezHeaderSize, uint64_t{members[i].source} + kRezHeaderSize,
                m.dataLength)) {
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

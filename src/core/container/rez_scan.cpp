#include "core/container/rez_scan.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>

#include "core/container/rez_internal.h"
#include "core/util/vell_file.h"

namespace {

constexpr uint64_t kWindowSize = 4u << 20;
constexpr uint64_t kPageSize = 4096;

}  // namespace

// The file's bytes, as the container's stream (for the headers) and in place
// (for the members' data). Owns the descriptor and the map.
class RezScanBytes : public RezStream {
 public:
  RezScanBytes(int fd, uint64_t size, RezScanSource source) : fd_(fd), size_(size) {
    if (source != RezScanSource::kMap || size == 0 || size > SIZE_MAX) return;
    void* map = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) return;
    ::madvise(map, static_cast<size_t>(size), MADV_SEQUENTIAL);
    map_ = static_cast<const uint8_t*>(map);
  }
  ~RezScanBytes() override {
    if (map_ != nullptr) ::munmap(const_cast<uint8_t*>(map_), static_cast<size_t>(size_));
    ::close(fd_);
  }
  RezScanBytes(const RezScanBytes&) = delete;
  RezScanBytes& operator=(const RezScanBytes&) = delete;

  // Small reads (headers) never move the window nor populate the map: the
  // tag list is spread over the file, and a window loaded for each head would
  // read megabytes to get a few bytes.
  bool ReadAt(uint64_t pos, void* buffer, size_t count) override {
    if (pos > size_ || count > size_ - pos) return false;
    const uint8_t* from = nullptr;
    if (map_ != nullptr) {
      from = map_ + pos;
    } else if (pos >= start_ && pos + count <= start_ + filled_) {
      from = window_.data() + (pos - start_);
    } else {
      return Vell_PreadFully(fd_, pos, buffer, count);
    }
    if (count > 0) std::memcpy(buffer, from, count);
    return true;
  }
  bool WriteAt(uint64_t, const void*, size_t) override { return false; }
  uint64_t Size() const override { return size_; }
  bool Sync() override { return true; }
  bool Close() override { return true; }

  // count bytes at pos, valid until the next call; null when they are not
  // all inside the file or cannot be read.
  const uint8_t* Data(uint64_t pos, uint64_t count) {
    if (pos > size_ || count > size_ - pos) return nullptr;
    if (map_ != nullptr) {
      if (pos < populatedFrom_ || pos + count > populatedTo_) Populate(pos, count);
      return map_ + pos;
    }
    if (pos >= start_ && pos + count <= start_ + filled_) return window_.data() + (pos - start_);
    return Load(pos, count) ? window_.data() : nullptr;
  }

 private:
  // Maps the pages of the window ahead in one call, instead of one page
  // fault per few pages; only what the walk reaches, so the bodies between
  // far-apart blocks are not read. Older kernels refuse, and pages then
  // fault in as they are touched.
  void Populate(uint64_t pos, uint64_t count) {
    populatedFrom_ = pos / kPageSize * kPageSize;
    populatedTo_ = std::min(size_, std::max(pos + count, populatedFrom_ + kWindowSize));
#if defined(MADV_POPULATE_READ)
    ::madvise(const_cast<uint8_t*>(map_) + populatedFrom_,
              static_cast<size_t>(populatedTo_ - populatedFrom_), MADV_POPULATE_READ);
#endif
  }

  // Moves the window to start at pos, holding at least count bytes.
  bool Load(uint64_t pos, uint64_t count) {
    const uint64_t want = std::max(count, std::min(kWindowSize, size_ - pos));
    start_ = pos;
    filled_ = 0;
    try {
      if (window_.size() < want) window_.resize(static_cast<size_t>(want));
    } catch (const std::exception&) {
      return false;
    }
    if (!Vell_PreadFully(fd_, pos, window_.data(), static_cast<size_t>(want))) return false;
    filled_ = want;
    return true;
  }

  int fd_;
  uint64_t size_;
  const uint8_t* map_ = nullptr;
  uint64_t populatedFrom_ = 0;
  uint64_t populatedTo_ = 0;
  std::vector<uint8_t> window_;  // without a map: the bytes at start_
  uint64_t start_ = 0;
  uint64_t filled_ = 0;
};

// The file is only read: closing it has nothing to flush that could fail.
RezChainScan::~RezChainScan() { static_cast<void>(REZ_Close(&file_)); }

int32_t RezChainScan::Open(const char* path, RezScanSource source) {
  static_cast<void>(REZ_Close(&file_));
  bytes_ = nullptr;
  started_ = walking_ = false;
  if (path == nullptr) return REZ_ERR_ARGUMENT;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return REZ_ERR_ARGUMENT;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return REZ_ERR_ARGUMENT;
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  std::unique_ptr<RezScanBytes> bytes;
  try {
    bytes = std::make_unique<RezScanBytes>(fd, static_cast<uint64_t>(st.st_size), source);
  } catch (const std::exception&) {
    ::close(fd);
    return REZ_ERR_ARGUMENT;
  }
  RezScanBytes* raw = bytes.get();
  const int32_t status = REZ_OpenStream(std::move(bytes), 1, &file_);
  if (status == REZ_OK) bytes_ = raw;
  return status;
}

uint64_t RezChainScan::FileSize() const { return bytes_ != nullptr ? bytes_->Size() : 0; }

int32_t RezChainScan::Start(uint32_t tag) {
  started_ = walking_ = false;
  if (bytes_ == nullptr || tag == kRezNoLink) return REZ_ERR_ARGUMENT;
  const int32_t status = rez_internal::FindTagHead(&file_, tag, &current_);
  if (status != REZ_OK) return status;
  steps_ = REZ_MaxChainSteps(&file_);
  visited_.Clear();
  started_ = walking_ = true;
  return REZ_OK;
}

RezScanStep RezChainScan::Hand(const REZ_METADATA& header, RezScanMember* member) {
  member->header = header;
  const uint8_t* data = bytes_->Data(uint64_t{header.position} + kRezHeaderSize, header.dataLength);
  if (data == nullptr) {
    member->data = {};
    return RezScanStep::kUnreadable;
  }
  member->data = std::span<const uint8_t>(data, header.dataLength);
  return RezScanStep::kMember;
}

RezScanStep RezChainScan::Next(RezScanMember* member) {
  if (!walking_) return RezScanStep::kEnd;
  walking_ = false;
  REZ_METADATA next = current_;
  if (!started_) {
    if (current_.nextMember == kRezNoLink) return RezScanStep::kEnd;
    if (steps_-- == 0 || rez_internal::ReadNextMember(&file_, current_, &next) != REZ_OK) {
      return RezScanStep::kBroken;
    }
  }
  started_ = false;
  try {
    if (!visited_.Visit(next.position)) return RezScanStep::kBroken;
  } catch (const std::exception&) {
    return RezScanStep::kBroken;  // no memory to tell a cycle from a chain: stop
  }
  current_ = next;
  walking_ = true;
  return Hand(current_, member);
}

void RezChainScan::Visited::Clear() {
  forward_.clear();
  others_.clear();
}

bool RezChainScan::Visited::Visit(uint32_t pos) {
  if (forward_.empty() || pos > forward_.back()) {
    forward_.push_back(pos);
    return true;
  }
  if (std::binary_search(forward_.begin(), forward_.end(), pos)) return false;
  return others_.insert(pos).second;
}

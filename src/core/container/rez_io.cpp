#include "core/container/rez_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "core/container/rez_internal.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"

namespace {

std::mutex g_wrapperMutex;
RezStreamWrapper g_wrapper;

constexpr uint64_t kCopyPiece = uint64_t{1} << 20;

}  // namespace

PosixRezStream::PosixRezStream(int fd) : fd_(fd), size_(0) {
  struct stat st {};
  if (fstat(fd_, &st) == 0) size_ = static_cast<uint64_t>(st.st_size);
}

PosixRezStream::~PosixRezStream() {
  if (fd_ >= 0) ::close(fd_);
}

bool PosixRezStream::ReadDirect(uint64_t pos, uint8_t* out, size_t count) {
  return Vell_PreadFully(fd_, pos, out, count);
}

PosixRezStream::Page* PosixRezStream::LoadPage(uint64_t index) {
  Page* victim = &pages_[0];
  for (Page& page : pages_) {
    if (page.index == index) {
      page.lastUse = ++useClock_;
      return &page;
    }
    if (page.lastUse < victim->lastUse) victim = &page;
  }
  uint64_t start = index * kPageSize;
  size_t want = static_cast<size_t>(std::min<uint64_t>(kPageSize, size_ - start));
  victim->index = UINT64_MAX;
  victim->bytes.resize(want);
  if (!ReadDirect(start, victim->bytes.data(), want)) return nullptr;
  victim->index = index;
  victim->lastUse = ++useClock_;
  return victim;
}

bool PosixRezStream::ReadAt(uint64_t pos, void* buffer, size_t count) {
  if (pos > size_ || count > size_ - pos) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  if (count > kPageSize) return ReadDirect(pos, out, count);
  while (count > 0) {
    Page* page = LoadPage(pos / kPageSize);
    if (page == nullptr) return false;
    size_t offset = static_cast<size_t>(pos % kPageSize);
    if (offset >= page->bytes.size()) return false;
    size_t n = std::min(count, page->bytes.size() - offset);
    std::memcpy(out, page->bytes.data() + offset, n);
    out += n;
    pos += n;
    count -= n;
  }
  return true;
}

bool PosixRezStream::WriteAt(uint64_t pos, const void* buffer, size_t count) {
  if (!rez_internal::MayWrite()) return true;
  const auto* in = static_cast<const uint8_t*>(buffer);
  size_t done = 0;
  bool ok = true;
  while (done < count) {
    ssize_t n = ::pwrite(fd_, in + done, count - done, static_cast<off_t>(pos + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (done == 0) return ok;
  dirty_ = true;
  size_ = std::max(size_, pos + done);
  // Keep the cached pages in step with what is now on disk.
  const uint64_t end = pos + done;
  for (Page& page : pages_) {
    if (page.index == UINT64_MAX) continue;
    uint64_t pageStart = page.index * kPageSize;
    uint64_t pageEnd = pageStart + kPageSize;
    if (end <= pageStart || pos >= pageEnd) continue;
    if (pos > pageStart + page.bytes.size()) {
      page.index = UINT64_MAX;  // would leave a gap in the page: drop it
      continue;
    }
    uint64_t lo = std::max(pos, pageStart);
    uint64_t hi = std::min(end, pageEnd);
    if (hi - pageStart > page.bytes.size()) page.bytes.resize(static_cast<size_t>(hi - pageStart));
    std::memcpy(page.bytes.data() + (lo - pageStart), in + (lo - pos),
                static_cast<size_t>(hi - lo));
  }
  return ok;
}

bool RezStream::CopyFrom(int fd, uint64_t from, uint64_t pos, uint64_t count) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(count, kCopyPiece)));
  while (count > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, buffer.size()));
    if (!Vell_PreadFully(fd, from, buffer.data(), n) || !WriteAt(pos, buffer.data(), n))
      return false;
    from += n;
    pos += n;
    count -= n;
  }
  return true;
}

void PosixRezStream::ForgetPages(uint64_t pos, uint64_t end) {
  for (Page& page : pages_) {
    const uint64_t pageStart = page.index * kPageSize;
    if (page.index != UINT64_MAX && pos < pageStart + kPageSize && end > pageStart)
      page.index = UINT64_MAX;
  }
}

bool PosixRezStream::CopyFrom(int fd, uint64_t from, uint64_t pos, uint64_t count) {
  if (!rez_internal::MayWrite()) return true;
  ForgetPages(pos, pos + count);
  while (count > 0 && copyRange_) {
    auto in = static_cast<off_t>(from), out = static_cast<off_t>(pos);
    const ssize_t n = ::copy_file_range(fd, &in, fd_, &out, static_cast<size_t>(count), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
      copyRange_ = false;  // not between these files: through a buffer from here on
      break;
    }
    if (n <= 0) return false;
    const auto done = static_cast<uint64_t>(n);
    dirty_ = true;
    size_ = std::max(size_, pos + done);
    from += done;
    pos += done;
    count -= done;
  }
  return count == 0 || RezStream::CopyFrom(fd, from, pos, count);
}

void PosixRezStream::StartWriteback(uint64_t pos, uint64_t count) {
  // A failure here shows again, and is reported, at the Sync that follows.
  static_cast<void>(::sync_file_range(fd_, static_cast<off_t>(pos), static_cast<off_t>(count),
                                      SYNC_FILE_RANGE_WRITE));
}

namespace {
thread_local RezDeferSync* t_deferSync = nullptr;
}  // namespace

RezDeferSync::RezDeferSync() : outer_(t_deferSync) { t_deferSync = this; }

RezDeferSync::~RezDeferSync() {
  // The owner flushes and reports before the scope ends; what is left here
  // comes from a path that did not, and a lost write must not go unnoticed.
  if (!Flush()) Vell_SystemErrorLog("[-1] RezDeferSync\r\n");
  t_deferSync = outer_;
}

void RezDeferSync::Defer(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    failed_ = ::fdatasync(fd) != 0 || failed_;
    return;
  }
  for (int kept : fds_) {
    struct stat other {};
    if (::fstat(kept, &other) == 0 && other.st_dev == st.st_dev && other.st_ino == st.st_ino) {
      return;
    }
  }
  const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) {
    failed_ = ::fdatasync(fd) != 0 || failed_;
    return;
  }
  fds_.push_back(copy);
}

bool RezDeferSync::Flush() {
  for (int fd : fds_) {
    if (::fdatasync(fd) != 0) failed_ = true;
    ::close(fd);
  }
  fds_.clear();
  const bool ok = !failed_;
  failed_ = false;
  return ok;
}

bool PosixRezStream::Sync() {
  if (!dirty_) return true;
  dirty_ = false;
  if (t_deferSync != nullptr) {
    t_deferSync->Defer(fd_);
    return true;
  }
  return ::fdatasync(fd_) == 0;
}

bool PosixRezStream::Close() {
  if (fd_ < 0) return true;
  int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0;
}

bool MemoryRezStream::ReadAt(uint64_t pos, void* buffer, size_t count) {
  if (pos > bytes_.size() || count > bytes_.size() - pos) return false;
  if (count > 0) std::memcpy(buffer, bytes_.data() + pos, count);
  return true;
}

bool MemoryRezStream::WriteAt(uint64_t pos, const void* buffer, size_t count) {
  if (pos > (uint64_t{1} << 40)) return false;
  if (pos + count > bytes_.size()) bytes_.resize(static_cast<size_t>(pos + count));
  if (count > 0) std::memcpy(bytes_.data() + pos, buffer, count);
  return true;
}

std::unique_ptr<RezStream> RezOpenPathStream(const std::string& path, int32_t mode, bool create) {
  int flags = O_CLOEXEC;
  if (create) {
    flags |= O_RDWR | O_CREAT | O_EXCL;
  } else if (mode == 0) {
    flags |= O_RDWR;
  } else {
    flags |= O_RDONLY;
  }
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int saved = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = saved;
    return nullptr;
  }
  std::unique_ptr<RezStream> stream = std::make_unique<PosixRezStream>(fd);
  {
    std::lock_guard<std::mutex> lock(g_wrapperMutex);
    if (g_wrapper) stream = g_wrapper(std::move(stream));
  }
  return rez_internal::UnderTransaction(std::move(stream), st.st_dev, st.st_ino);
}

void RezSetStreamWrapperForTesting(RezStreamWrapper wrapper) {
  std::lock_guard<std::mutex> lock(g_wrapperMutex);
  g_wrapper = std::move(wrapper);
}

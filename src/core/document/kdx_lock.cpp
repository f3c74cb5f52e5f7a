#include "core/document/kdx_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

KdxDocumentLock::Result KdxDocumentLock::Acquire(const std::string& path, bool exclusive) {
  // A document can be replaced by a new file under its name (compaction
  // renames its copy over it while holding the lock): a lock taken on the
  // file that was there before would guard nothing. Take it again on the
  // file the name now names.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const Result result = AcquireOnce(path, exclusive);
    if (result != Result::kLocked) return result;
    struct stat held {};
    struct stat named {};
    if (::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      return Result::kLocked;
    }
    Release();
  }
  return Result::kCannotOpen;
}

KdxDocumentLock::Result KdxDocumentLock::AcquireOnce(const std::string& path, bool exclusive) {
  Release();
  // flock belongs to this open file description: the per-operation opens of the
  // container do not disturb it, while another process's lock conflicts.
  // Non-blocking: opening a FIFO must not wait for a writer. Only regular
  // files are documents.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Result::kCannotOpen;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Result::kCannotOpen;
  }
  int rc;
  do {
    rc = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return errno == EWOULDBLOCK ? Result::kHeldElsewhere : Result::kCannotOpen;
  }
  fd_ = fd;
  return Result::kLocked;
}

void KdxDocumentLock::Release() {
  if (fd_ >= 0) {
    ::close(fd_);  // closing drops the lock
    fd_ = -1;
  }
}

// An advisory lock on a document file, held for as long as a document is open
// for writing, so that a second program (or a second kdx) cannot write to the
// same file at the same time and tangle its chains. Readers take a shared lock.
#pragma once

#include <string>
#include <utility>

class KdxDocumentLock {
 public:
  enum class Result { kLocked, kHeldElsewhere, kCannotOpen };

  KdxDocumentLock() = default;
  ~KdxDocumentLock() { Release(); }
  KdxDocumentLock(const KdxDocumentLock&) = delete;
  KdxDocumentLock& operator=(const KdxDocumentLock&) = delete;

  // Takes the lock without waiting: exclusive for writing, shared for reading.
  [[nodiscard]] Result Acquire(const std::string& path, bool exclusive);
  void Release();
  [[nodiscard]] bool held() const { return fd_ >= 0; }
  // Trades locks with other (a document replaced by a new file under its
  // name keeps being held without a moment unlocked).
  void Swap(KdxDocumentLock& other) noexcept { std::swap(fd_, other.fd_); }

 private:
  [[nodiscard]] Result AcquireOnce(const std::string& path, bool exclusive);

  int fd_ = -1;
};

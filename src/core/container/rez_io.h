// The byte stream under a REZ container. The container speaks only to this
// interface, so tests can put a stream underneath that fails on demand, and
// the fuzzer can work from memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class RezStream {
 public:
  virtual ~RezStream() = default;

  // Reads exactly count bytes at pos; false on any error or short read.
  [[nodiscard]] virtual bool ReadAt(uint64_t pos, void* buffer, size_t count) = 0;
  // Writes exactly count bytes at pos; false on any error or short write.
  [[nodiscard]] virtual bool WriteAt(uint64_t pos, const void* buffer, size_t count) = 0;
  // Current size of the file in bytes.
  [[nodiscard]] virtual uint64_t Size() const = 0;
  // Pushes written bytes down to the storage device.
  [[nodiscard]] virtual bool Sync() = 0;
  // Closes the underlying file; false when closing reports an error. Called once.
  [[nodiscard]] virtual bool Close() = 0;
  // Writes at pos the count bytes at from of the file open at fd; false on any
  // error or when that file ends first. This one reads them into a buffer and
  // writes them with WriteAt; a stream over a file has the system copy them.
  [[nodiscard]] virtual bool CopyFrom(int fd, uint64_t from, uint64_t pos, uint64_t count);
  // Has the system start writing the count bytes written at pos to the
  // device without waiting for them, so that a later Sync finds less to do.
  // Only a hint: this one does nothing.
  virtual void StartWriteback(uint64_t pos, uint64_t count) {
    static_cast<void>(pos);
    static_cast<void>(count);
  }
};

// A stream over a POSIX file descriptor. Small reads go through a few cached
// pages, so that walking headers costs no system call each and the pages an
// append keeps coming back to (the root, a chain's tail) stay in memory.
class PosixRezStream : public RezStream {
 public:
  explicit PosixRezStream(int fd);
  ~PosixRezStream() override;

  [[nodiscard]] bool ReadAt(uint64_t pos, void* buffer, size_t count) override;
  [[nodiscard]] bool WriteAt(uint64_t pos, const void* buffer, size_t count) override;
  [[nodiscard]] uint64_t Size() const override { return size_; }
  [[nodiscard]] bool Sync() override;
  [[nodiscard]] bool Close() override;
  [[nodiscard]] bool CopyFrom(int fd, uint64_t from, uint64_t pos, uint64_t count) override;
  void StartWriteback(uint64_t pos, uint64_t count) override;

 private:
  struct Page {
    uint64_t index = UINT64_MAX;  // page number: file position / kPageSize
    uint64_t lastUse = 0;
    std::vector<uint8_t> bytes;  // the page's bytes that lie inside the file
  };
  static constexpr size_t kPageSize = 64 * 1024;
  static constexpr size_t kPageCount = 16;

  [[nodiscard]] Page* LoadPage(uint64_t index);
  [[nodiscard]] bool ReadDirect(uint64_t pos, uint8_t* out, size_t count);
  // Drops the cached pages that overlap [pos, end).
  void ForgetPages(uint64_t pos, uint64_t end);

  int fd_;
  uint64_t size_;
  Page pages_[kPageCount];
  uint64_t useClock_ = 0;
  bool dirty_ = false;     // written since the last Sync
  bool copyRange_ = true;  // whether the system copies between files here
};

// While one of these lives on a thread, container files written and closed on
// that thread are not flushed to the device one by one: each file is flushed
// once when the scope ends (or at Flush). For bulk work whose many block
// writes only count once the record tables are saved afterwards (an import of
// thousands of files); the tables must be saved after the flush. Scopes nest.
class RezDeferSync {
 public:
  RezDeferSync();
  ~RezDeferSync();
  RezDeferSync(const RezDeferSync&) = delete;
  RezDeferSync& operator=(const RezDeferSync&) = delete;

  // Flushes every file written so far; false when any flush failed.
  [[nodiscard]] bool Flush();
  // Takes over the flush of the file open at fd (a PosixRezStream's).
  void Defer(int fd);

 private:
  std::vector<int> fds_;  // duplicates of the written files' descriptors, one per file
  RezDeferSync* outer_;
  bool failed_ = false;
};

// A stream over bytes in memory.
class MemoryRezStream : public RezStream {
 public:
  MemoryRezStream() = default;
  explicit MemoryRezStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  [[nodiscard]] bool ReadAt(uint64_t pos, void* buffer, size_t count) override;
  [[nodiscard]] bool WriteAt(uint64_t pos, const void* buffer, size_t count) override;
  [[nodiscard]] uint64_t Size() const override { return bytes_.size(); }
  [[nodiscard]] bool Sync() override { return true; }
  [[nodiscard]] bool Close() override { return true; }

  [[nodiscard]] const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Opens path as a stream. mode 0: read and write; 1: read only; create: the
// file must not exist and is created exclusively. Null on failure, with errno set.
[[nodiscard]] std::unique_ptr<RezStream> RezOpenPathStream(const std::string& path, int32_t mode,
                                                           bool create);

// Tests install a wrapper that every stream opened by path goes through (for
// instance one that fails the Nth write). An empty function removes it.
using RezStreamWrapper = std::function<std::unique_ptr<RezStream>(std::unique_ptr<RezStream>)>;
void RezSetStreamWrapperForTesting(RezStreamWrapper wrapper);

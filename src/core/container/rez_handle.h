// The one owner of an open container file above the container itself.
#pragma once

#include <cstdint>

#include "core/container/rez.h"

// An open container file that is closed when the handle goes out of scope, so
// that every path out of a caller closes it. Closing flushes what was written;
// a flush that fails is how a lost write shows, so a caller that wrote closes
// the handle itself with Close and looks at the result.
class RezFileHandle {
 public:
  RezFileHandle() = default;
  // A handle left to its destructor was only read, or its work already
  // failed and is being reported: there is no result left to give.
  ~RezFileHandle() { static_cast<void>(REZ_Close(&file_)); }
  RezFileHandle(const RezFileHandle&) = delete;
  RezFileHandle& operator=(const RezFileHandle&) = delete;

  // REZ_Open and REZ_Create on this handle. A file it still held is closed
  // first, its result unseen: close it yourself when that result matters.
  [[nodiscard]] int32_t Open(const char* path, int32_t openMode) {
    static_cast<void>(REZ_Close(&file_));
    return REZ_Open(path, openMode, &file_);
  }
  [[nodiscard]] int32_t Create(const char* path) {
    static_cast<void>(REZ_Close(&file_));
    return REZ_Create(path, &file_);
  }
  // Closes now: REZ_OK (also when nothing was open), or REZ_ERR_IO when the
  // written bytes could not be pushed down to the disk or the close failed.
  [[nodiscard]] int32_t Close() { return REZ_Close(&file_) == 0 ? REZ_OK : REZ_ERR_IO; }

  [[nodiscard]] bool IsOpen() const { return file_.stream != nullptr; }
  REZ_FILE* get() { return &file_; }
  REZ_FILE* operator->() { return &file_; }

 private:
  REZ_FILE file_;
};

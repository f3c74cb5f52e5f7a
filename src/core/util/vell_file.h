// Paths, file tests, unique file names, copying and whole-file reading.
//
// Paths are POSIX paths in UTF-8. Path results are std::string, so no path is
// ever truncated into a fixed buffer; a path that cannot be used whole is a
// failure instead.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/util/vell_status.h"

// Longest extension Vell_GetExtension gives, in bytes.
inline constexpr size_t kVellMaxExtensionBytes = 15;

// The part after the last "/"; the whole string when there is none.
[[nodiscard]] std::string Vell_GetFileName(std::string_view path);
// Everything before the last "/", with the "/" when withSlash is 1; the whole
// path when it holds no "/".
[[nodiscard]] std::string Vell_GetFolderPath(std::string_view path, int32_t withSlash);
// Everything before the last "." of the string; the whole string when it holds
// none. Meant for file names: a "." in a folder name of a full path counts too.
[[nodiscard]] std::string Vell_RemoveExtension(std::string_view name);
// The text after the last ".", cut to at most 15 bytes without splitting a
// character; empty when there is no ".".
[[nodiscard]] std::string Vell_GetExtension(std::string_view name);

// 1 when something exists at the path (a file whatever its permissions, or a
// folder such as an RTFD package), following symlinks; else 0.
[[nodiscard]] int32_t Vell_IsFileExists(const char* path);
// 1 when the path is a folder (following symlinks), else 0.
[[nodiscard]] int32_t Vell_IsFolder(const char* path);

enum class VellUniqueMode {
  kTestOnly,      // only find a free name; the caller creates it (e.g. Vell_CopyFile)
  kCreateFile,    // claim the name by creating an empty file exclusively
  kCreateFolder,  // claim the name by creating a folder
};

// Finds a free path in folder for name: "folder/base.ext", then
// "folder/base-1.ext", "folder/base-2.ext" ... When ext is not empty and the
// name already ends in "." + ext, that ending is the suffix; otherwise "." + ext
// is added. Anything at a path (also an unreadable file or a dangling symlink)
// makes it taken. The base is cut at a character boundary so that each
// candidate's name fits in NAME_MAX bytes. With a create mode the candidate is
// created at once and a name taken meanwhile moves on to the next number.
// Returns 0 with the path in dst, or kVellFailed (dst empty) when the folder is empty,
// the name holds "/" or nothing usable, the path would exceed PATH_MAX, the
// creation fails for another reason, or no number up to a bound is free.
// With nextNumber, the search starts at *nextNumber (0 = the name without a
// number) and *nextNumber is set past the number taken, so that a caller
// placing many files of one name does not try every taken number again.
[[nodiscard]] int32_t Vell_GenerateUniqueFilePath(std::string_view folder, std::string_view name,
                                                  std::string_view ext, std::string& dst,
                                                  VellUniqueMode mode, long* nextNumber = nullptr);

// Copies the file src to dst, or with recursive 1 also a folder tree such as an
// RTFD package (symlinks inside it are copied as symlinks, never followed).
// dst must not exist: an existing dst is left alone and the copy fails.
// Returns 1 only when everything was copied in full; otherwise removes what it
// wrote and returns 0. No shell is involved.
[[nodiscard]] int32_t Vell_CopyFile(const char* src, const char* dst, int32_t recursive);

// Reads the whole file into a new zero-filled buffer of size + 1 bytes (freed
// with Vell_MallocFree), so its content is NUL-terminated. Returns the size, or
// kVellReadCannotOpen when the file cannot be opened (or is a folder),
// kVellReadShort when its size cannot be determined or fewer bytes than that
// could be read, kVellReadTooLarge when the buffer cannot be allocated or the
// file is 2 GiB or larger. *buffer is null on every failure.
[[nodiscard]] int32_t Vell_ReadBuffer_fromFile(const char* path, char** buffer);

// Reads a regular file of at most maxBytes whole into bytes. The size is
// looked at on the open file before anything is read; a FIFO, device or
// folder is never read. 0; kVellReadCannotOpen when it cannot be opened (or is
// a folder); kVellReadShort when it is not a regular file or changed size
// while read; kVellReadTooLarge above maxBytes or when memory runs out.
// bytes is empty on every failure.
[[nodiscard]] int32_t Vell_ReadFileUpTo(const char* path, int64_t maxBytes, std::string* bytes);

// The import's binary test: 1 when the file holds a byte of value 1 to 8, 0
// when it does not or when it begins as plain UTF-16 text (Vell_Utf16ByteOrder),
// kVellReadCannotOpen when it cannot be opened or read or is not a regular
// file. Only the first examineBytes bytes are looked at.
[[nodiscard]] int32_t Vell_IsBinaryFile(const char* path, int64_t examineBytes = INT64_MAX);

// Owns a file descriptor and closes it on every path out.
class VellUniqueFd {
 public:
  explicit VellUniqueFd(int fd) : fd_(fd) {}
  ~VellUniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  VellUniqueFd(const VellUniqueFd&) = delete;
  VellUniqueFd& operator=(const VellUniqueFd&) = delete;

  [[nodiscard]] int get() const { return fd_; }
  [[nodiscard]] bool valid() const { return fd_ >= 0; }
  // Closes now and reports the result: for a written file, close can be where
  // a deferred write error shows.
  [[nodiscard]] bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Reads exactly count bytes at pos, going on after short reads and EINTR.
// False on an error or when the file ends first.
[[nodiscard]] bool Vell_PreadFully(int fd, uint64_t pos, void* buffer, size_t count);
// Writes count bytes at pos, going on after short writes and EINTR.
[[nodiscard]] bool Vell_PwriteFully(int fd, uint64_t pos, const void* buffer, size_t count);

// Writes every byte of content to fd, going on after short writes and EINTR.
// False on the first error (a full disk among them).
[[nodiscard]] bool Vell_WriteFully(int fd, std::string_view content);

// Makes the creation, renaming or removal of a file in the folder of path
// durable (fsync of the folder). False when that cannot be done.
[[nodiscard]] bool Vell_SyncFolderOf(const std::string& path);

// Replaces the file at path by content through a temporary file in the same
// folder, synced before it is renamed over path: after a failure or a crash at
// any point the old file (or no file) is there, never a truncated one. A
// symlink at path is written through, not replaced. The new file gets mode.
// beforeRename, when given, runs on the finished temporary file and can refuse
// (tests use it to fail at that point). True when the new content is in place.
[[nodiscard]] bool Vell_ReplaceFileContents(
    const std::string& path, std::string_view content, mode_t mode,
    const std::function<bool(const std::string& tempPath)>& beforeRename = {});

// 1 when a and b name one file: the same device and inode, so that links,
// "./" and other spellings of a path are seen through. 0 when they differ or
// either cannot be examined (a file that does not exist is no open document).
[[nodiscard]] int32_t KDX_IsSameFile(const char* a, const char* b);

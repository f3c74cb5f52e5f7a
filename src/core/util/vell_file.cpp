#include "core/util/vell_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "core/util/vell_encoding.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_status.h"
#include "core/util/vell_utf8.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunkSize = 128 * 1024;
// Candidates tried before giving up on a unique name.
constexpr long kMaxUniqueTries = 100000;

bool HasNul(std::string_view s) { return s.find('\0') != std::string_view::npos; }

[[nodiscard]] ssize_t ReadRetry(int fd, void* buf, size_t size) {
  ssize_t n;
  do {
    n = ::read(fd, buf, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

// Copies one regular file into a new file dst. followSrc 0 refuses a source
// that has turned into a symlink since it was examined.
[[nodiscard]] bool CopyRegularFile(const char* src, const char* dst, bool followSrc) {
  // O_NONBLOCK: a source swapped for a FIFO must not block the open.
  VellUniqueFd in(::open(src, O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followSrc ? 0 : O_NOFOLLOW)));
  if (!in.valid()) return false;
  struct stat st {};
  if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  VellUniqueFd out(::open(dst, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777));
  if (!out.valid()) return false;

  std::vector<char> buf(kChunkSize);
  off_t total = 0;
  bool ok = true;
  for (;;) {
    ssize_t n = ReadRetry(in.get(), buf.data(), buf.size());
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    if (!Vell_WriteFully(out.get(), std::string_view(buf.data(), static_cast<size_t>(n)))) {
      ok = false;
      break;
    }
    total += n;
  }
  // A copy that does not match the source's size is not a copy (a backup taken
  // before a conversion must be whole).
  if (ok && (::fstat(in.get(), &st) != 0 || st.st_size != total)) ok = false;
  if (ok && ::fsync(out.get()) != 0) ok = false;
  if (!out.Close()) ok = false;
  if (!ok) ::unlink(dst);
  return ok;
}

// Copies what the folder src holds into the folder dst that this copy has just
// created. Entries are examined with lstat: symlinks become symlinks with the
// same target, so nothing outside the tree is read.
[[nodiscard]] bool CopyFolderContents(const std::string& src, const std::string& dst) {
  std::error_code ec;
  fs::directory_iterator it(src, ec);
  if (ec) return false;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const std::string from = src + "/" + name;
    const std::string to = dst + "/" + name;
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) {
      if (::mkdir(to.c_str(), (st.st_mode & 0777) | S_IRWXU) != 0) return false;
      if (!CopyFolderContents(from, to)) return false;
    } else if (S_ISLNK(st.st_mode)) {
      std::vector<char> target(static_cast<size_t>(PATH_MAX) + 1);
      ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
      if (n < 0 || static_cast<size_t>(n) >= target.size()) return false;
      target[static_cast<size_t>(n)] = '\0';
      if (::symlink(target.data(), to.c_str()) != 0) return false;
    } else if (S_ISREG(st.st_mode)) {
      if (!CopyRegularFile(from.c_str(), to.c_str(), false)) return false;
    } else {
      return false;  // devices, sockets, pipes: no complete copy possible
    }
  }
  return !ec;
}

// True when the path dst lies inside the folder src (or is src), which would
// make a tree copy copy itself without end.
bool IsInside(const char* src, const char* dst) {
  std::error_code ec;
  fs::path s = fs::canonical(src, ec);
  if (ec) return true;
  fs::path d = fs::weakly_canonical(dst, ec);
  if (ec) return true;
  std::string ss = s.string();
  std::string ds = d.string();
  if (ss == "/" || ds == ss) return true;
  return ds.size() > ss.size() && ds.compare(0, ss.size(), ss) == 0 && ds[ss.size()] == '/';
}

}  // namespace

std::string Vell_GetFileName(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::string(path);
  return std::string(path.substr(slash + 1));
}

std::string Vell_GetFolderPath(std::string_view path, int32_t withSlash) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::string(path);
  return std::string(path.substr(0, withSlash == 1 ? slash + 1 : slash));
}

std::string Vell_RemoveExtension(std::string_view name) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::string(name);
  return std::string(name.substr(0, dot));
}

std::string Vell_GetExtension(std::string_view name) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string_view ext = name.substr(dot + 1);
  return std::string(ext.substr(0, Vell_Utf8CutLength(ext, kVellMaxExtensionBytes)));
}

int32_t Vell_IsFileExists(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  struct stat st {};
  return ::stat(path, &st) == 0 ? 1 : 0;
}

int32_t Vell_IsFolder(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  struct stat st {};
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

int32_t Vell_GenerateUniqueFilePath(std::string_view folder, std::string_view name,
                                    std::string_view ext, std::string& dst, VellUniqueMode mode,
                                    long* nextNumber) {
  dst.clear();
  // A "/" in the name would place the file outside the folder.
  if (folder.empty() || name.empty() || name.find('/') != std::string_view::npos ||
      ext.find('/') != std::string_view::npos || HasNul(folder) || HasNul(name) || HasNul(ext)) {
    return kVellFailed;
  }
  std::string_view base = name;
  std::string suffix;
  if (!ext.empty()) {
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && name.substr(dot + 1) == ext) base = name.substr(0, dot);
    suffix = ".";
    suffix += ext;
  }
  std::string prefix(folder);
  if (prefix.back() != '/') prefix += '/';

  const long first = nextNumber != nullptr ? std::clamp(*nextNumber, 0L, kMaxUniqueTries) : 0;
  for (long n = first; n <= kMaxUniqueTries; ++n) {
    std::string tag = n == 0 ? std::string() : "-" + std::to_string(n);
    if (tag.size() + suffix.size() > NAME_MAX) return kVellFailed;
    // Each candidate's own base is cut, so "-N" and the suffix always survive.
    size_t room = NAME_MAX - tag.size() - suffix.size();
    size_t baseLen = Vell_Utf8CutLength(base, room);
    if (baseLen == 0 && !base.empty()) return kVellFailed;
    std::string candidate = prefix;
    candidate.append(base.substr(0, baseLen)).append(tag).append(suffix);
    if (candidate.size() + 1 > PATH_MAX) return kVellFailed;

    struct stat st {};
    if (::lstat(candidate.c_str(), &st) == 0) continue;
    if (errno != ENOENT) return kVellFailed;
    if (mode == VellUniqueMode::kCreateFile) {
      int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        return kVellFailed;
      }
      ::close(fd);
    } else if (mode == VellUniqueMode::kCreateFolder) {
      if (::mkdir(candidate.c_str(), 0777) != 0) {
        if (errno == EEXIST) continue;
        return kVellFailed;
      }
    }
    dst = std::move(candidate);
    if (nextNumber != nullptr) *nextNumber = n + 1;
    return 0;
  }
  return kVellFailed;
}

int32_t Vell_CopyFile(const char* src, const char* dst, int32_t recursive) {
  if (src == nullptr || dst == nullptr || *src == '\0' || *dst == '\0') return 0;
  struct stat st {};
  if (::lstat(dst, &st) == 0) return 0;  // never overwrite
  if (::stat(src, &st) != 0) return 0;
  if (S_ISREG(st.st_mode)) return CopyRegularFile(src, dst, true) ? 1 : 0;
  if (!S_ISDIR(st.st_mode) || recursive != 1) return 0;
  if (IsInside(src, dst)) return 0;
  // mkdir is exclusive: a dst that appeared meanwhile is not ours to remove.
  if (::mkdir(dst, (st.st_mode & 0777) | S_IRWXU) != 0) return 0;
  if (CopyFolderContents(src, dst)) return 1;
  std::error_code ec;
  fs::remove_all(dst, ec);
  return 0;
}

namespace {

// The size of the regular file open on fd when it is at most maxBytes: 0, or
// the kVellRead failure.
[[nodiscard]] int32_t WholeFileSize(int fd, int64_t maxBytes, size_t* size) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return kVellReadShort;
  if (S_ISDIR(st.st_mode)) return kVellReadCannotOpen;
  if (!S_ISREG(st.st_mode) || st.st_size < 0) return kVellReadShort;
  // Decided by the size alone, before a byte is read: a sparse file of many
  // gigabytes is refused at once.
  if (st.st_size > maxBytes) return kVellReadTooLarge;
  *size = static_cast<size_t>(st.st_size);
  return 0;
}

// Reads exactly size bytes, and sees that the file ends there: a file that
// shrank or grew while being read has no single content to report.
[[nodiscard]] bool ReadExactly(int fd, char* data, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = ReadRetry(fd, data + got, size - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  char extra;
  return got == size && ReadRetry(fd, &extra, 1) == 0;
}

}  // namespace

int32_t Vell_ReadBuffer_fromFile(const char* path, char** buffer) {
  if (buffer == nullptr) return kVellReadCannotOpen;
  *buffer = nullptr;
  if (path == nullptr || *path == '\0') return kVellReadCannotOpen;
  // O_NONBLOCK keeps a FIFO from blocking the open until a writer appears.
  VellUniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.valid()) return kVellReadCannotOpen;
  size_t size = 0;
  // The size goes back as int32_t, and size + 1 must be allocatable.
  if (const int32_t status = WholeFileSize(fd.get(), INT32_MAX, &size); status != 0) return status;
  char* data = static_cast<char*>(std::calloc(size + 1, 1));
  if (data == nullptr) return kVellReadTooLarge;
  if (!ReadExactly(fd.get(), data, size)) {
    Vell_MallocFree(data);
    return kVellReadShort;
  }
  *buffer = data;
  return static_cast<int32_t>(size);
}

int32_t Vell_ReadFileUpTo(const char* path, int64_t maxBytes, std::string* bytes) {
  bytes->clear();
  if (path == nullptr || *path == '\0') return kVellReadCannotOpen;
  VellUniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.valid()) return kVellReadCannotOpen;
  size_t size = 0;
  if (const int32_t status = WholeFileSize(fd.get(), maxBytes, &size); status != 0) return status;
  try {
    bytes->resize(size);
  } catch (const std::bad_alloc&) {
    return kVellReadTooLarge;
  }
  if (!ReadExactly(fd.get(), bytes->data(), size)) {
    bytes->clear();
    return kVellReadShort;
  }
  return 0;
}

int32_t Vell_IsBinaryFile(const char* path, int64_t examineBytes) {
  if (path == nullptr || *path == '\0') return kVellReadCannotOpen;
  VellUniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) return kVellReadCannotOpen;
  // Only files are tested: a folder cannot be read, and a FIFO or a device
  // might never end.
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return kVellReadCannotOpen;
  std::vector<unsigned char> buf(kChunkSize);
  bool first = true;
  for (int64_t left = examineBytes; left > 0; first = false) {
    ssize_t n =
        ReadRetry(fd.get(), buf.data(), static_cast<size_t>(std::min<int64_t>(left, kChunkSize)));
    if (n < 0) return kVellReadCannotOpen;
    if (n == 0) return 0;
    left -= n;
    // UTF-16 text has bytes 1 to 8 in characters such as 、 (U+3001) and
    // Cyrillic; plain UTF-16 at the start makes the file text.
    if (first && Vell_Utf16ByteOrder(std::string_view(reinterpret_cast<const char*>(buf.data()),
                                                      static_cast<size_t>(n))) != nullptr) {
      return 0;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[static_cast<size_t>(i)] >= 1 && buf[static_cast<size_t>(i)] <= 8) return 1;
    }
  }
  return 0;
}

bool Vell_PreadFully(int fd, uint64_t pos, void* buffer, size_t count) {
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd, out + done, count - done, static_cast<off_t>(pos + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool Vell_PwriteFully(int fd, uint64_t pos, const void* buffer, size_t count) {
  const auto* in = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pwrite(fd, in + done, count - done, static_cast<off_t>(pos + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool Vell_WriteFully(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

bool Vell_ReplaceFileContents(
    const std::string& path, std::string_view content, mode_t mode,
    const std::function<bool(const std::string& tempPath)>& beforeRename) {
  std::string target = path;
  std::error_code ec;
  if (fs::is_symlink(path, ec)) {
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (ec) return false;
    target = resolved.string();
  }
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0 && Vell_WriteFully(fd, content) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok && beforeRename && !beforeRename(temp)) ok = false;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; failing here does not undo it.
  static_cast<void>(Vell_SyncFolderOf(target));
  return true;
}

bool Vell_SyncFolderOf(const std::string& path) {
  std::string folder = fs::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

int32_t KDX_IsSameFile(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return 0;
  struct stat sa {};
  struct stat sb {};
  if (::stat(a, &sa) != 0 || ::stat(b, &sb) != 0) return 0;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino ? 1 : 0;
}

#include "core/session/kdx_backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/container/rez_journal.h"
#include "core/document/kdx_lock.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"

namespace {

constexpr size_t kCompareChunk = 1 << 20;

// The file a path names, through any symlink: the one to replace.
std::string RealPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), std::free);
  return real ? std::string(real.get()) : std::string();
}

}  // namespace

bool KDX_SameFileContents(const std::string& a, const std::string& b) {
  VellUniqueFd fa(::open(a.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  VellUniqueFd fb(::open(b.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fa.valid() || !fb.valid()) return false;
  struct stat sa {};
  struct stat sb {};
  if (::fstat(fa.get(), &sa) != 0 || ::fstat(fb.get(), &sb) != 0 || !S_ISREG(sa.st_mode) ||
      !S_ISREG(sb.st_mode) || sa.st_size != sb.st_size) {
    return false;
  }
  std::vector<char> ba(kCompareChunk);
  std::vector<char> bb(kCompareChunk);
  const auto size = static_cast<uint64_t>(sa.st_size);
  for (uint64_t pos = 0; pos < size; pos += kCompareChunk) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(kCompareChunk, size - pos));
    if (!Vell_PreadFully(fa.get(), pos, ba.data(), count) ||
        !Vell_PreadFully(fb.get(), pos, bb.data(), count) ||
        std::memcmp(ba.data(), bb.data(), count) != 0) {
      return false;
    }
  }
  return true;
}

bool KDX_BackupForConversion(const std::string& path, std::string* backupPath) {
  backupPath->clear();
  const std::string name =
      Vell_RemoveExtension(Vell_GetFileName(path)) + kKdxConversionBackupSuffix;
  std::string backup;
  if (Vell_GenerateUniqueFilePath(Vell_GetFolderPath(path, 0), name, "kdx", backup,
                                  VellUniqueMode::kTestOnly) != 0) {
    Vell_SystemErrorLog("[-1] KDX_BackupForConversion\r\n");
    return false;
  }
  // Vell_CopyFile syncs the copy and checks its size; the bytes are compared
  // as they read back.
  if (Vell_CopyFile(path.c_str(), backup.c_str(), 0) != 1) {
    Vell_SystemErrorLog("[-2] KDX_BackupForConversion\r\n");
    return false;
  }
  if (!KDX_SameFileContents(path, backup) || !Vell_SyncFolderOf(backup)) {
    Vell_SystemErrorLog("[-3] KDX_BackupForConversion\r\n");
    static_cast<void>(::unlink(backup.c_str()));
    return false;
  }
  *backupPath = backup;
  return true;
}

bool KDX_RestoreBackup(const std::string& backupPath, const std::string& path) {
  const std::string target = RealPath(path);
  if (target.empty()) {
    Vell_SystemErrorLog("[-1] KDX_RestoreBackup\r\n");
    return false;
  }
  KdxDocumentLock lock;
  if (lock.Acquire(target, true) != KdxDocumentLock::Result::kLocked ||
      REZ_RecoverJournal(target) < 0) {
    Vell_SystemErrorLog("[-2] KDX_RestoreBackup\r\n");
    return false;
  }
  std::string temp;
  if (Vell_GenerateUniqueFilePath(Vell_GetFolderPath(target, 0), ".kardinex-restore", "kdx", temp,
                                  VellUniqueMode::kTestOnly) != 0 ||
      Vell_CopyFile(backupPath.c_str(), temp.c_str(), 0) != 1) {
    Vell_SystemErrorLog("[-3] KDX_RestoreBackup\r\n");
    return false;
  }
  if (!KDX_SameFileContents(backupPath, temp) || std::rename(temp.c_str(), target.c_str()) != 0) {
    Vell_SystemErrorLog("[-4] KDX_RestoreBackup\r\n");
    static_cast<void>(::unlink(temp.c_str()));
    return false;
  }
  if (!Vell_SyncFolderOf(target)) Vell_SystemErrorLog("[-5] KDX_RestoreBackup\r\n");
  return true;
}

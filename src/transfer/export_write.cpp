#include "transfer/export_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/document/file_type.h"
#include "core/util/vell_file.h"

bool KDX_EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view KDX_ExtensionOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return path.substr(dot + 1);
}

bool KDX_HasExtension(std::string_view path, std::string_view extension) {
  return !extension.empty() && KDX_EqualsIgnoringCase(KDX_ExtensionOf(path), extension);
}

std::string KDX_GetEntryFileTypeExt(const KDX_DATA* data, const KDX_ENTRY& entry) {
  KDX_FILE_TYPE type{};
  if (data->fileTypeAry == nullptr || FT_GetData(data->fileTypeAry, entry.en_ft_id, &type) < 0) {
    return std::string();
  }
  return std::string(type.ft_ext, strnlen(type.ft_ext, sizeof type.ft_ext));
}

int32_t WriteExportFile(const std::string& path, std::string_view bytes) {
  // Never through a symlink put where a name was claimed, and never into a
  // FIFO or device: an export writes ordinary files only.
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return kKdxExportCannotCreate;
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!regular || ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return kKdxExportCannotCreate;
  }
  bool whole = Vell_WriteFully(fd, bytes);
  // Some file systems report a failed write only when the file is closed.
  if (::close(fd) != 0) whole = false;
  if (whole) return 0;
  ::unlink(path.c_str());
  return kKdxExportShortWrite;
}

#include "cli/cli_output.h"

#include <errno.h>
#include <sys/stat.h>

#include "transfer/file_access.h"

std::string CliFlat(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

std::string CliUnreadableText(const std::string& path) {
  const int error = KDX_ReadError(path);
  if (error == 0) return {};
  if (error == ENOENT) return "no such file";
  return "cannot be read: " + KDX_FileErrorText(error);
}

std::string CliNotAFileText(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) return {};
  return std::string("a ") + KDX_SpecialFileKind(st.st_mode) + ", not a file";
}

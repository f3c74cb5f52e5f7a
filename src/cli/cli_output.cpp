#include "cli/cli_output.h"

#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "core/util/vell_string.h"
#include "core/util/vell_utf8.h"
#include "transfer/file_access.h"

std::string CliFlat(std::string_view text) { return Vell_EscapeControls(text); }

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

namespace {

// The errno of making a file in folder, found by making one and removing it; 0
// when that works.
int CreateError(const std::string& folder) {
  std::string probe = folder + "/.kdx-probe-XXXXXX";
  const int fd = mkstemp(probe.data());
  if (fd < 0) return errno;
  close(fd);
  unlink(probe.c_str());
  return 0;
}

}  // namespace

std::string CliUnwritableFolderText(const std::string& folder) {
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0) {
    return errno == ENOENT ? "no such folder" : "cannot be read: " + KDX_FileErrorText(errno);
  }
  if (!S_ISDIR(st.st_mode)) return "not a folder";
  const int error = CreateError(folder);
  return error == 0 ? std::string() : "cannot be written: " + KDX_FileErrorText(error);
}

std::string CliCannotCreateText(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  struct stat st {};
  int error = stat(folder.c_str(), &st) != 0 ? errno : S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  if (error == 0) error = CreateError(folder);
  return error == 0 ? "cannot be created" : "cannot be created: " + KDX_FileErrorText(error);
}

std::string CliJsonString(std::string_view text) {
  std::string json = "\"";
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    const size_t length = Vell_Utf8CharLength(text, i);
    if (length == 0) {
      json += "\\ufffd";  // a byte that is not UTF-8 (a value from a damaged file)
      ++i;
      continue;
    }
    if (length > 1) {
      json.append(text, i, length);
      i += length;
      continue;
    }
    ++i;
    switch (c) {
      case '"':
        json += "\\\"";
        break;
      case '\\':
        json += "\\\\";
        break;
      case '\n':
        json += "\\n";
        break;
      case '\r':
        json += "\\r";
        break;
      case '\t':
        json += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          json += escaped;
        } else {
          json += c;
        }
    }
  }
  return json + "\"";
}

CliJsonObject& CliJsonObject::Add(std::string_view name, const std::string& json) {
  if (!fields_.empty()) fields_ += ", ";
  fields_ += CliJsonString(name) + ": " + json;
  return *this;
}

std::string CliJsonArray(const std::vector<std::string>& values) {
  std::string json = "[";
  for (size_t i = 0; i < values.size(); ++i) json += (i > 0 ? ",\n  " : "\n  ") + values[i];
  return json + (values.empty() ? "]\n" : "\n]\n");
}

std::string CliCommas(uint64_t value) {
  char text[32];  // every int64_t with its commas and NUL: never cut
  static_cast<void>(Vell_LongToCommaString(static_cast<int64_t>(value), text, sizeof text));
  return text;
}

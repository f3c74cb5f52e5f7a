#include "core/util/vell_system.h"

#include <limits.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "core/util/vell_utf8.h"

namespace {

std::string ExecutablePath() {
  std::vector<char> buf(PATH_MAX);
  for (int attempt = 0; attempt < 4; ++attempt) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);  // the link text was cut; try a larger buffer
  }
  return {};
}

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// The value of PRETTY_NAME in an os-release file, unquoted; empty when the
// file or the key is missing.
std::string PrettyNameFrom(const char* path) {
  std::ifstream in(path);
  std::string line;
  constexpr std::string_view kKey = "PRETTY_NAME=";
  while (std::getline(in, line)) {
    if (line.compare(0, kKey.size(), kKey) != 0) continue;
    std::string_view value = std::string_view(line).substr(kKey.size());
    if (value.empty()) return {};
    char quote = value.front();
    if (quote != '"' && quote != '\'') return std::string(value);
    std::string out;
    for (size_t i = 1; i < value.size() && value[i] != quote; ++i) {
      // Within double quotes a backslash escapes the next character.
      if (quote == '"' && value[i] == '\\' && i + 1 < value.size()) ++i;
      out += value[i];
    }
    return out;
  }
  return {};
}

struct Localization {
  std::mutex mutex;
  std::shared_ptr<const VellLocalizer> lookup;
  // Translations handed out; a node set keeps each string's address stable.
  std::unordered_set<std::string> interned;
};

// Never destroyed, so that a worker thread still running at exit may look up.
Localization& LocalizationState() {
  static Localization* state = new Localization;
  return *state;
}

}  // namespace

int32_t Vell_GetAppDirectoryPath(std::string& dst) {
  dst.clear();
  std::string exe = ExecutablePath();
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return 0;
  dst = exe.substr(0, slash + 1);
  return 1;
}

int32_t Vell_GetAppName(std::string& dst) {
  dst.clear();
  std::string exe = ExecutablePath();
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos || slash + 1 == exe.size()) return 0;
  std::string_view name = std::string_view(exe).substr(slash + 1);
  dst = std::string(name.substr(0, Vell_Utf8CutLength(name, kVellAppNameSize - 1)));
  return 1;
}

int32_t Vell_GetUserPreferencePath(std::string& dst) {
  dst.clear();
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') {
    dst = WithTrailingSlash(config);
    return 1;
  }
  std::string home = Vell_GetHomeFolder();
  if (home.empty()) return 0;
  dst = WithTrailingSlash(home) + ".config/";
  return 1;
}

void Vell_GetOSVersionString(char* dst, size_t size) {
  if (dst == nullptr || size == 0) return;
  std::string name = PrettyNameFrom("/etc/os-release");
  if (name.empty()) name = PrettyNameFrom("/usr/lib/os-release");
  if (name.empty()) {
    utsname u{};
    if (::uname(&u) == 0) name = std::string(u.sysname) + " " + u.release;
  }
  Vell_Utf8CopyCut(dst, size < kVellOSVersionSize ? size : kVellOSVersionSize, name);
}

void Vell_GetMachineName(char* dst, size_t size) {
  if (dst == nullptr || size == 0) return;
  char host[HOST_NAME_MAX + 1] = {};
  // gethostname may cut without a NUL; the last byte stays zero.
  if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
  Vell_Utf8CopyCut(dst, size < kVellMachineNameSize ? size : kVellMachineNameSize, host);
}

void Vell_GetMacOSXVersion(int32_t* version) {
  if (version != nullptr) *version = kVellPlatformVersion;
}

void Vell_SetLocalizedStringTable(VellLocalizer lookup) {
  std::shared_ptr<const VellLocalizer> next;
  try {
    if (lookup) next = std::make_shared<const VellLocalizer>(std::move(lookup));
  } catch (...) {
    return;  // out of memory: keep the current lookup
  }
  Localization& state = LocalizationState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.lookup = std::move(next);
}

void Vell_SetLocalizedStringMap(std::unordered_map<std::string, std::string> table) {
  try {
    auto shared =
        std::make_shared<const std::unordered_map<std::string, std::string>>(std::move(table));
    Vell_SetLocalizedStringTable([shared](std::string_view key) -> std::optional<std::string> {
      auto it = shared->find(std::string(key));
      if (it == shared->end()) return std::nullopt;
      return it->second;
    });
  } catch (...) {
  }
}

const char* Vell_LocalizedString(const char* keyUtf8) {
  if (keyUtf8 == nullptr) return nullptr;
  std::string_view key(keyUtf8);
  if (!Vell_IsValidUtf8(key)) return nullptr;
  Localization& state = LocalizationState();
  std::shared_ptr<const VellLocalizer> lookup;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    lookup = state.lookup;
  }
  if (!lookup) return keyUtf8;
  try {
    // Called outside the lock: the lookup may be slow or call back in here.
    std::optional<std::string> text = (*lookup)(key);
    if (!text || *text == key || text->find('\0') != std::string::npos ||
        !Vell_IsValidUtf8(*text)) {
      return keyUtf8;
    }
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.interned.insert(std::move(*text)).first->c_str();
  } catch (...) {
    return keyUtf8;
  }
}

std::string Vell_GetHomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result != nullptr &&
      result->pw_dir != nullptr && result->pw_dir[0] == '/') {
    return result->pw_dir;
  }
  return {};
}

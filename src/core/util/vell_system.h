// Queries of the running system and the application: folders, names, the
// system version, and the user-interface texts keyed by their Japanese text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// Field sizes the callers store these values in, NUL included.
inline constexpr size_t kVellOSVersionSize = 64;
inline constexpr size_t kVellMachineNameSize = 128;
inline constexpr size_t kVellAppNameSize = 128;

// What Vell_GetMacOSXVersion answers: every feature gated on 1040 ("10.4 or
// later") exists here.
inline constexpr int32_t kVellPlatformVersion = 1090;

// The folder holding the running executable, ending in "/". Returns 1, or 0
// with dst empty when it cannot be found. For read-only files only.
[[nodiscard]] int32_t Vell_GetAppDirectoryPath(std::string& dst);
// The executable's file name, cut to 127 bytes at a character boundary.
// Returns 1, or 0 with dst empty.
[[nodiscard]] int32_t Vell_GetAppName(std::string& dst);
// $XDG_CONFIG_HOME (when absolute) or ~/.config, ending in "/". The folder
// need not exist yet. Returns 1, or 0 with dst empty when there is no home.
[[nodiscard]] int32_t Vell_GetUserPreferencePath(std::string& dst);
// $HOME, or the password database's home folder when HOME is unset or not
// absolute; empty when there is none.
[[nodiscard]] std::string Vell_GetHomeFolder();

// The system's name and version (os-release PRETTY_NAME, else uname's system
// name and release), cut to min(size - 1, 63) bytes at a character boundary.
void Vell_GetOSVersionString(char* dst, size_t size);
// The host name, cut to min(size - 1, 127) bytes at a character boundary;
// empty when it cannot be read.
void Vell_GetMachineName(char* dst, size_t size);
// Stores kVellPlatformVersion in *version.
void Vell_GetMacOSXVersion(int32_t* version);

// Answers the translation of a key, or nothing to keep the key.
using VellLocalizer = std::function<std::optional<std::string>(std::string_view keyUtf8)>;

// Installs the lookup Vell_LocalizedString uses (an empty one removes it). The
// GUI installs one at start-up; it may be called from several threads at once.
void Vell_SetLocalizedStringTable(VellLocalizer lookup);
// Installs a fixed table of key → translation.
void Vell_SetLocalizedStringMap(std::unordered_map<std::string, std::string> table);

// The user-interface text for a key written as its Japanese text: the
// translation when the installed lookup has one, else the key itself. Null
// only when the key is null or not valid UTF-8. A returned translation stays
// valid for the life of the process, so two results may be used together.
// Safe to call from several threads.
[[nodiscard]] const char* Vell_LocalizedString(const char* keyUtf8);

#include "gui/app/startup_logic.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/container/rez_journal.h"
#include "core/prefs/pref_file.h"
#include "core/session/kdx_session.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "gui/app/localization.h"

double KdxSplashSeconds() {
  double seconds = 0;
  if (!PREF_ReadDouble(kPrefSplashTimeKey, &seconds)) {
    (void)PREF_WriteDouble(kPrefSplashTimeKey, kKdxDefaultSplashSeconds);
    return kKdxDefaultSplashSeconds;
  }
  return std::clamp(seconds, 0.0, kKdxMaxSplashSeconds);
}

std::vector<std::string> KdxStartupRecentPaths() {
  return PREF_FilterRecentFiles(PREF_ReadRecentFiles(), PREF_GetDataHome());
}

bool KdxHasDocumentExtension(std::string_view path) {
  const std::string_view name = path.substr(path.find_last_of('/') + 1);
  if (name.size() <= 4) return false;
  std::string ext(name.substr(name.size() - 4));
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".kdx";
}

std::string KdxWithDocumentExtension(const std::string& path) {
  return KdxHasDocumentExtension(path) ? path : path + ".kdx";
}

std::string KdxOpenPanelFolder() {
  std::string last;
  if (!PREF_ReadFilePath(kPrefOpenFileKey, last) || last.empty()) return {};
  return Vell_GetFolderPath(last, 0);
}

std::string KdxProposedNewFilePath() {
  const std::string name = KdxTextUtf8("名称未設定") + ".kdx";
  std::string folder;
  if (!PREF_ReadFilePath(kPrefNewFileKey, folder) || folder.empty()) return name;
  return folder + "/" + name;
}

bool KdxCreateDocumentReplacing(const std::string& path) {
  if (!Vell_IsFileExists(path.c_str())) return KdxSession::CreateFile(path) == 0;
  if (Vell_IsFolder(path.c_str())) return false;
  // The new document is made complete under a private name beside the old
  // file, then renamed over it.
  std::string temp;
  if (Vell_GenerateUniqueFilePath(Vell_GetFolderPath(path, 0), ".kardinex-new", "kdx", temp,
                                  VellUniqueMode::kTestOnly) != 0 ||
      KdxSession::CreateFile(temp) != 0) {
    return false;
  }
  // A save of the old file that did not finish is rolled back first, so
  // that its journal never outlives it beside the new document (the next
  // opening would roll it back into the new file).
  if (REZ_RecoverJournal(path) < 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
    Vell_SystemErrorLog("[-1] KdxCreateDocumentReplacing\r\n");
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    return false;
  }
  return Vell_SyncFolderOf(path);
}

#include "gui/app/import_export_logic.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "core/document/kdx_status.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_encoding.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "gui/app/localization.h"
#include "gui/app/progress_dialog.h"
#include "transfer/folder_walk.h"

namespace {

// The name of the document file without its folder and extension.
std::string DocumentName(const std::string& documentPath) {
  return Vell_RemoveExtension(Vell_GetFileName(documentPath));
}

}  // namespace

KdxTransferMenuState KdxGetTransferMenuState(size_t selected, size_t shown, bool busy) {
  if (busy) return {false, false, false, false};
  return {true, selected > 0, shown > 0, true};
}

std::vector<std::string> KdxImportTargets(const std::vector<std::string>& paths,
                                          const KdxImportSettings& settings) {
  std::vector<std::string> targets;
  for (const std::string& path : paths) {
    if (KDX_IsRtfdFile(path) == 1 ||
        (Vell_IsFolder(path.c_str()) != 1 &&
         IsImportTargetFilePath(path, settings.importAll, settings.extensions) == 1)) {
      targets.push_back(path);
    }
  }
  return targets;
}

int32_t KdxEntryToOpenAfterImport(const std::vector<int32_t>& importedIds) {
  return importedIds.size() == 1 ? importedIds.front() : -1;
}

std::string KdxImportEndText(const KdxTransferResult& result) {
  if (result.failed == 0) return {};
  return KdxTransferReportText(result, "%ld 件のファイルを取り込みました。",
                               "%ld 件のファイルを取り込めませんでした。");
}

std::string KdxExportEndText(const KdxTransferResult& result) {
  if (result.failed == 0) return {};
  return KdxTransferReportText(result, "%ld 件のファイルを取り出しました。",
                               "%ld 件のファイルを取り出せませんでした。");
}

std::string KdxSubstituteText(const KdxTransferResult& result) {
  const std::set<std::string> messages = {KDX_UnconvertibleMessage(kVellEncodingSJIS),
                                          KDX_UnconvertibleMessage(kVellEncodingEUC)};
  std::vector<std::string> said;
  for (const KdxTransferFailure& warning : result.warnings) {
    if (messages.contains(warning.reason) &&
        std::find(said.begin(), said.end(), warning.reason) == said.end()) {
      said.push_back(warning.reason);
    }
  }
  std::string text;
  for (const std::string& message : said) {
    if (!text.empty()) text += "\n";
    text += KdxTextUtf8(message.c_str());
  }
  return text;
}

namespace {

bool FileFailed(const KdxTransferResult& result, const std::string& path) {
  return std::any_of(result.failures.begin(), result.failures.end(),
                     [&path](const KdxTransferFailure& failure) { return failure.item == path; });
}

}  // namespace

std::string KdxEntryListEndText(const KdxTransferResult& result, const std::string& path) {
  if (FileFailed(result, path)) return KdxTextUtf8("一覧ファイルを作成できませんでした。");
  if (result.failed == 0) return {};
  return KdxFillFormat(KdxTextUtf8("%ld 件の文章が見つからなかったため一覧に含めませんでした。"),
                       {std::to_string(result.failed)});
}

std::string KdxAppendEndText(const KdxTransferResult& result, const std::string& path) {
  if (FileFailed(result, path)) return KdxTextUtf8("ファイルを作成できませんでした。");
  if (result.failed == 0) return {};
  return KdxTransferReportText(result, "%ld 件の文章を連結しました。",
                               "%ld 件の文章を連結できませんでした。");
}

std::string KdxEntryListRefusal(int32_t recordType, size_t selected) {
  if (recordType == 1 || selected > 0) return {};
  return KdxFillFormat(KdxTextUtf8("%s が選択されていません。"), {KdxTextUtf8("文章")});
}

std::string KdxProposedEntryListName(const std::string& documentPath) {
  return DocumentName(documentPath) + KdxTextUtf8("の一覧") + ".txt";
}

std::string KdxProposedNewFileName(const std::string& documentPath, int32_t target) {
  return DocumentName(documentPath) + "+" + (target == 1 ? ".kdr" : ".kdx");
}

std::string KdxWithExtension(const std::string& path, const std::string& ext) {
  const std::string suffix = "." + ext;
  if (path.size() > suffix.size()) {
    std::string tail = path.substr(path.size() - suffix.size());
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (tail == suffix) return path;
  }
  return path + suffix;
}

namespace {

struct SaveNewOption {
  const char* key;
  int32_t KDX_NEW_SAVE_OPTIONS::*field;
};
constexpr SaveNewOption kSaveNewOptions[] = {
    {"recordType", &KDX_NEW_SAVE_OPTIONS::recordType},
    {"isUnusedCategory", &KDX_NEW_SAVE_OPTIONS::isUnusedCategory},
    {"isCatTitle", &KDX_NEW_SAVE_OPTIONS::isCatTitle},
    {"isUnusedProject", &KDX_NEW_SAVE_OPTIONS::isUnusedProject},
    {"isColorLabel", &KDX_NEW_SAVE_OPTIONS::isColorLabel},
    {"targetKdxApp", &KDX_NEW_SAVE_OPTIONS::targetKdxApp},
};

}  // namespace

KDX_NEW_SAVE_OPTIONS KdxReadSaveNewFileOptions() {
  KDX_NEW_SAVE_OPTIONS options{};
  for (const SaveNewOption& option : kSaveNewOptions) {
    int32_t value = 0;
    (void)PREF_ReadInteger(option.key, &value);  // an absent key leaves 0
    options.*option.field = value;
  }
  return options;
}

int32_t KdxWriteSaveNewFileOptions(const KDX_NEW_SAVE_OPTIONS& options) {
  int32_t status = 0;
  for (const SaveNewOption& option : kSaveNewOptions) {
    if (PREF_WriteInteger(option.key, options.*option.field) != 1) status = -1;
  }
  return status;
}

int32_t KdxFindOpenDocument(const std::vector<std::string>& openPaths, const std::string& path) {
  for (size_t i = 0; i < openPaths.size(); ++i) {
    if (KDX_IsSameFile(openPaths[i].c_str(), path.c_str()) == 1) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t KdxSaveNewFileReplacing(KDX_DATA* data, const KDX_NEW_SAVE_OPTIONS& options,
                                const std::string& path, int32_t expandSize) {
  std::string temp;
  if (Vell_GenerateUniqueFilePath(Vell_GetFolderPath(path, 0),
                                  "." + Vell_GetFileName(path) + ".new", "", temp,
                                  VellUniqueMode::kTestOnly) != 0) {
    Vell_SystemErrorLog("[-1] SaveNewFile %s: no temporary name\r\n", path.c_str());
    return kKdxErrFile;
  }
  if (KDX_NewSaveFile_ShowEntry(data, options, temp.c_str(), expandSize) != 0) {
    (void)::unlink(temp.c_str());
    return kKdxErrFile;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    Vell_SystemErrorLog("[-2] SaveNewFile %s: cannot be replaced\r\n", path.c_str());
    (void)::unlink(temp.c_str());
    return kKdxErrFile;
  }
  return 0;
}

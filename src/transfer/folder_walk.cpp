#include "transfer/folder_walk.h"

#include <dirent.h>
#include <errno.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <utility>

#include "core/document/catset_table.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "transfer/file_access.h"
#include "transfer/transfer_status.h"  // kKdxImportMaxFileBytes

namespace {

// What the binary test reads of a file too large to import.
constexpr int64_t kOversizedExamineBytes = int64_t{1} << 20;

// The extension of the last path component, uncut: empty without a ".".
std::string WholeExtension(const std::string& path) {
  const std::string name = Vell_GetFileName(KDX_WithoutTrailingSlash(path));
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool SameIgnoringCase(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

std::string JoinPath(const std::string& folder, const char* name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// With importAll 0, whether the name's extension is one of extensions; never
// an entry export file (kdz). The half of the import target test that needs
// no reading.
bool WantedByName(const std::string& path, int32_t importAll,
                  const std::vector<std::string>& extensions) {
  const std::string ext = WholeExtension(path);
  if (SameIgnoringCase(ext, "kdz")) return false;
  if (importAll == 1) return true;
  if (ext.empty() || ext.size() > kKdxMaxImportExtensionBytes) return false;
  for (const std::string& candidate : extensions) {
    if (SameIgnoringCase(ext, candidate.c_str())) return true;
  }
  return false;
}

std::string FolderErrorText(int error) {
  return "the folder cannot be opened: " + KDX_FileErrorText(error);
}

// One walk: the folders seen so far and where its findings go.
struct Walk {
  const std::vector<std::string>& extensions;
  int32_t importAll;
  const KdxTransferProgress& progress;
  std::vector<std::string>* fileList;
  KdxTransferResult* result;
  std::string root;  // the walked folder as the file system resolves it, ending in "/"
  std::set<std::pair<dev_t, ino_t>> visited;

  // Whether the link at path leads to something inside the walked folder: a
  // link in a folder someone else made must not read the user's other files.
  bool LeadsInside(const std::string& path) const {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    return real && !root.empty() && std::strncmp(real.get(), root.c_str(), root.size()) == 0;
  }

  // Walks one folder; 0, or the errno when it could not be opened.
  int Folder(const std::string& folder, int32_t depth) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) return errno != 0 ? errno : EIO;
    struct stat self {};
    if (fstat(dirfd(dir.get()), &self) != 0 || !visited.insert({self.st_dev, self.st_ino}).second) {
      return 0;  // already walked through another path
    }
    while (const dirent* item = readdir(dir.get())) {
      if (progress.IsCancelled()) {
        result->cancelled = true;
        return 0;
      }
      const char* name = item->d_name;
      const std::string path = JoinPath(folder, name);
      struct stat st {};
      if (lstat(path.c_str(), &st) != 0) {
        // Gone meanwhile is nothing lost; a path too long to use is.
        if (errno != ENOENT) Unusable(path, "cannot be examined (path too long?)");
        continue;
      }
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
      if (S_ISLNK(st.st_mode)) {
        // A link to a file is that file. What else a link leads to is named
        // as skipped, unless its name alone would have kept it out.
        const bool leads = stat(path.c_str(), &st) == 0;
        if (leads && S_ISREG(st.st_mode)) {
          if (LeadsInside(path)) {
            File(path, name);
          } else if (name[0] != '.' && WantedByName(path, importAll, extensions)) {
            result->Skip(path, "a link to a file outside the folder");
          }
        } else if (leads && S_ISDIR(st.st_mode)) {
          if (WholeExtension(path) != "app") {
            result->Skip(path, "a link to a folder (links to folders are not followed)");
          }
        } else if (name[0] != '.' && WantedByName(path, importAll, extensions)) {
          result->Skip(path, leads ? std::string("a link to a ") + KDX_SpecialFileKind(st.st_mode) +
                                         ", not to a file"
                                   : std::string("a link that leads nowhere"));
        }
        continue;
      }
      if (S_ISREG(st.st_mode)) {
        File(path, name);
        continue;
      }
      if (!S_ISDIR(st.st_mode)) {
        if (name[0] != '.' && WantedByName(path, importAll, extensions)) {
          result->Skip(path, std::string("a ") + KDX_SpecialFileKind(st.st_mode) + ", not a file");
        }
        continue;
      }
      if (KDX_IsRtfdFile(path) == 1) {
        fileList->push_back(path);
        continue;
      }
      if (WholeExtension(path) == "app") continue;
      Subfolder(path, depth + 1);
      if (result->cancelled) return 0;
    }
    return 0;
  }

  // A regular file (or a link to one): listed when it is an import target. A
  // file the import would take by its name but cannot read counts as failed,
  // rather than being taken for a binary file.
  void File(const std::string& path, const char* name) {
    if (name[0] == '.') return;
    progress.Item(name, static_cast<int64_t>(fileList->size()), 0);
    if (!WantedByName(path, importAll, extensions)) return;
    if (const int error = KDX_ReadError(path); error != 0) {
      Unusable(path, "cannot be read: " + KDX_FileErrorText(error));
      return;
    }
    if (IsImportTargetFilePath(path, importAll, extensions) == 1) fileList->push_back(path);
  }

  // A subfolder that cannot be walked is logged and counted, not the end.
  void Subfolder(const std::string& folder, int32_t depth) {
    if (depth > kKdxMaxFolderDepth) {
      Unusable(folder, "the folder lies too deep and was not searched");
    } else if (const int error = Folder(folder, depth); error != 0) {
      Unusable(folder, FolderErrorText(error));
    }
  }

  void Unusable(const std::string& path, const std::string& reason) {
    Vell_SystemErrorLog("[-1] ListUpFilesWithExt[%s]\r\n", path.c_str());
    result->Fail(path, reason);
  }
};

}  // namespace

std::string KDX_WithoutTrailingSlash(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  return path.substr(0, end);
}

std::string KDX_FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error) return KDX_WithoutTrailingSlash(path);
  return KDX_WithoutTrailingSlash(full.lexically_normal().string());
}

std::vector<std::string> KDX_ReadImportExtensions() {
  std::vector<std::string> extensions;
  VELL_ARY* ary = Vell_Ary_Init(kPrefExtensionSize, 16, 16);
  if (ary == nullptr) return extensions;
  PREF_ReadExtensionArray(ary);
  for (int32_t i = 0; i < Vell_Ary_GetSize(ary); ++i) {
    const char* ext = static_cast<const char*>(Vell_Ary_GetDataPtr(ary, i));
    extensions.emplace_back(ext, strnlen(ext, kPrefExtensionSize));
  }
  Vell_Ary_Free(ary);
  return extensions;
}

int32_t IsRtfFile(const std::string& path) {
  const std::string name = Vell_GetFileName(path);
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && SameIgnoringCase(name.substr(dot + 1), "rtf") ? 1 : 0;
}

int32_t KDX_IsRtfdFile(const std::string& path) {
  if (!SameIgnoringCase(WholeExtension(path), "rtfd")) return 0;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
  return stat(JoinPath(KDX_WithoutTrailingSlash(path), "TXT.rtf").c_str(), &st) == 0 &&
                 S_ISREG(st.st_mode)
             ? 1
             : 0;
}

int32_t IsImportTargetFilePath(const std::string& path, int32_t importAll,
                               const std::vector<std::string>& extensions) {
  // The tests are independent, so the ones that need no reading come first.
  if (!WantedByName(path, importAll, extensions)) return 0;
  // A file past the import limit cannot be imported and is named as too
  // large, unless its beginning already shows it binary: it is not read
  // through (a sparse file can be terabytes of zeros).
  struct stat st {};
  const int64_t examine = stat(path.c_str(), &st) == 0 && st.st_size > kKdxImportMaxFileBytes
                              ? kOversizedExamineBytes
                              : INT64_MAX;
  if (Vell_IsBinaryFile(path.c_str(), examine) != 0 && IsRtfFile(path) != 1) return 0;
  return 1;
}

int32_t ListUpFilesWithExt(const std::string& folder, const std::vector<std::string>& extensions,
                           int32_t importAll, const KdxTransferProgress& progress,
                           std::vector<std::string>* fileList, KdxTransferResult* result) {
  Walk walk{extensions, importAll, progress, fileList, result, {}, {}};
  std::unique_ptr<char, decltype(&std::free)> root(realpath(folder.c_str(), nullptr), &std::free);
  if (root) {
    walk.root = root.get();
    if (walk.root.back() != '/') walk.root += '/';
  }
  if (const int error = walk.Folder(folder, 0); error != 0) {
    walk.Unusable(folder, FolderErrorText(error));
    return 1;
  }
  return 0;
}

int32_t KDXCOMM_GetCats_ByFilePath(const std::string& path, const std::string& rootFolder,
                                   std::string* cat1, std::string* cat2, std::string* cat3) {
  *cat1 = *cat2 = *cat3 = kKdxCategoryOther;
  if (rootFolder.empty()) return 0;
  const std::string root = KDX_WithoutTrailingSlash(rootFolder);
  *cat1 = root == "/" ? std::string("/") : Vell_GetFileName(root);
  const std::string prefix = root == "/" ? root : root + "/";
  if (path.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::string rest = path.substr(prefix.size());
  const size_t first = rest.find('/');
  if (first == std::string::npos) return 0;
  *cat2 = rest.substr(0, first);
  const size_t second = rest.find('/', first + 1);
  if (second == std::string::npos) return 0;
  *cat3 = rest.substr(first + 1, second - first - 1);
  return 1;
}

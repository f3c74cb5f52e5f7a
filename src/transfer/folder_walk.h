// Which files an import takes, the walk of a folder tree that lists them, and
// the categories a file gets from the folders on its path.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transfer/transfer_progress.h"

// Folders deeper than this below the walked folder are not entered (logged and
// counted as failed), so that no tree can exhaust the stack.
inline constexpr int32_t kKdxMaxFolderDepth = 128;
// Longest extension an import extension can match, in bytes.
inline constexpr size_t kKdxMaxImportExtensionBytes = 15;

// The path without trailing "/" ("/" itself stays).
[[nodiscard]] std::string KDX_WithoutTrailingSlash(const std::string& path);
// The path made absolute and without "." and ".." parts (symlinks are kept),
// so that entries record full paths and a folder "." has a name.
[[nodiscard]] std::string KDX_FullPath(const std::string& path);

// The import extensions of the preferences ("Extension"), without the dot.
[[nodiscard]] std::vector<std::string> KDX_ReadImportExtensions();

// 1 when the text after the last "." of the file name is "rtf" in any case.
[[nodiscard]] int32_t IsRtfFile(const std::string& path);
// 1 when the name's extension is "rtfd" in any case, the path is a folder and
// it holds a file "TXT.rtf"; a trailing "/" is allowed.
[[nodiscard]] int32_t KDX_IsRtfdFile(const std::string& path);

// 1 when a file is to be imported: not binary (Vell_IsBinaryFile; a file that
// cannot be opened counts as binary) unless it is RTF, never an entry export
// file (kdz), and with importAll 0 an extension of 1 to 15 bytes equal to one
// of extensions without regard to ASCII case. Else 0.
[[nodiscard]] int32_t IsImportTargetFilePath(const std::string& path, int32_t importAll,
                                             const std::vector<std::string>& extensions);

// Walks folder and its subfolders in the order the file system lists them and
// appends to *fileList every regular file that IsImportTargetFilePath accepts
// (names starting with "." skipped) and every RTFD package (as one item).
// Folders named "*.app" are skipped; hidden folders are walked. A symbolic
// link to a folder is never followed and no folder is walked twice (by device
// and inode). What the walk passes over although its name would have been
// taken (a FIFO, socket or device, a link to a folder, to one of those or to
// nothing) is counted in result->skipped with the reason. A subfolder that
// cannot be opened or lies deeper than kKdxMaxFolderDepth, a file with an
// import extension that cannot be read, and an item that cannot be examined
// (a path too long) are logged, counted in result->failed with the reason
// (permission denied, ...) and passed over; the walk goes on. progress gets
// each file name and is polled for cancelling (result->cancelled). Returns 0,
// or 1 when folder itself cannot be opened (also counted in result).
[[nodiscard]] int32_t ListUpFilesWithExt(const std::string& folder,
                                         const std::vector<std::string>& extensions,
                                         int32_t importAll, const KdxTransferProgress& progress,
                                         std::vector<std::string>* fileList,
                                         KdxTransferResult* result);

// Categories from the folders between rootFolder and the file: category 1 is
// the root folder's name ("/" for the root of the file system), 2 and 3 the
// first two folders below it; missing levels are "その他". Without a root all
// three are "その他"; a path outside the root gives (root name, その他, その他).
// The path is taken relative to rootFolder + "/", never searched for the
// root's name. Returns 1 when the file lies at least two folders below the
// root, else 0.
int32_t KDXCOMM_GetCats_ByFilePath(const std::string& path, const std::string& rootFolder,
                                   std::string* cat1, std::string* cat2, std::string* cat3);

// Entries out of the document as ordinary files: file names made from titles,
// unique paths claimed exclusively, the body as RTF or an RTFD package, the
// plain text in Shift JIS, EUC-JP or UTF-8, and the export commands over many
// entries shared by the document window and kdx.
//
// The rich-text exports need a QGuiApplication and run where the text system
// may be used. Nothing here shows an alert: characters that had to be
// replaced are reported to the caller, which tells the user.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "transfer/export_write.h"
#include "transfer/transfer_progress.h"
#include "transfer/transfer_status.h"  // kKdxExport*

// The kinds of export of the document window's commands; files is "export
// files" (each entry in the form its file type suggests).
enum class KdxExportFormat { files, rtf, rtfd, sjis, euc, utf8, backup };

// The progress message of the export commands.
inline constexpr char kKdxMsgExporting[] = "ファイルを取り出しています...";
// The file type extension of entries imported from version-2 export files.
inline constexpr char kKdxV2FileTypeExt[] = "v2filetype";

// The largest body converted to RTF or a package: a larger one (which no
// import makes) is refused rather than converted in several times its size
// of memory.
inline constexpr int64_t kKdxMaxConvertedBodyBytes = int64_t{512} * 1024 * 1024;

// What an export did besides its status.
struct KdxExportOutcome {
  std::string writtenPath;  // the file or package written (the extension may have changed)
  std::string encoding;     // plain text: kVellEncodingSJIS, kVellEncodingEUC or kVellEncodingUTF8
  int32_t unconvertible = 0;        // characters written as a substitute
  int32_t picturesNotEmbedded = 0;  // RTF: pictures written as references, the file being full
};

// The base file name of an entry: its title with "/" written as ":" and
// leading dots as "_" (an export never makes a hidden file such as
// ".bash_profile"), or "(<en_id>)" for an empty title; a final "." + extension
// (any case) is removed. Cut to 511 bytes at a character boundary; the unique path cuts it
// further so that the whole name fits the file system.
[[nodiscard]] std::string KDX_GetFileNameWithoutExtention(const KDX_ENTRY& entry,
                                                          const std::string& extension);

// A path in folder for name and extension that names nothing yet ("v2filetype"
// gives ".txt"): folder/base.ext, then folder/base-1.ext ... The file is
// created empty and exclusively, so two exports never get the same path. 0, or
// kKdxNoFreePath (dst empty) when no path could be made or created.
// nextNumber, when given, is where the numbering goes on (see
// Vell_GenerateUniqueFilePath).
[[nodiscard]] int32_t KDX_GenerateUniqueFilePath(const std::string& folder, const std::string& name,
                                                 const std::string& extension, std::string* dst,
                                                 long* nextNumber = nullptr);
// The same for an RTFD package; the path is only tested (nothing of any kind
// may exist there), the package writer creates the folder exclusively.
[[nodiscard]] int32_t KDX_GenerateUniquePackagePath(const std::string& folder,
                                                    const std::string& name,
                                                    const std::string& extension, std::string* dst,
                                                    long* nextNumber = nullptr);

// The body as one RTF file (pictures embedded as images) or as an RTFD
// package. A path whose extension is not exactly "rtf" ("rtfd") gets that
// extension, at a path chosen unique again. 0; kKdxExportNoGui without a
// QGuiApplication; kKdxExportBodyUnloadable when the body is empty or cannot
// be loaded; kKdxExportNotRichText when it cannot be read as rich text;
// kKdxExportWriteFailed.
[[nodiscard]] int32_t KDX_ExportRtfFile(KDX_DATA* data, const KDX_ENTRY& entry,
                                        const std::string& path,
                                        KdxExportOutcome* outcome = nullptr);
[[nodiscard]] int32_t KDX_ExportRtfdFile(KDX_DATA* data, const KDX_ENTRY& entry,
                                         const std::string& path,
                                         KdxExportOutcome* outcome = nullptr);

// The plain text (the text block) in that encoding, written exactly: no NUL,
// line ends as stored. Characters Shift JIS or EUC-JP lack become the
// substitute and are counted in outcome->unconvertible. 0;
// kKdxExportTextUnloadable when the text cannot be loaded; kKdxExportCannotCreate
// when the file cannot be created; kKdxExportShortWrite when it could not be
// written whole (the partial file is removed). Each failure is logged.
[[nodiscard]] int32_t KDX_ExportSJisTextFile(KDX_DATA* data, const KDX_ENTRY& entry,
                                             const std::string& path,
                                             KdxExportOutcome* outcome = nullptr);
[[nodiscard]] int32_t KDX_ExportEUCTextFile(KDX_DATA* data, const KDX_ENTRY& entry,
                                            const std::string& path,
                                            KdxExportOutcome* outcome = nullptr);
[[nodiscard]] int32_t KDX_ExportUtf8TextFile(KDX_DATA* data, const KDX_ENTRY& entry,
                                             const std::string& path,
                                             KdxExportOutcome* outcome = nullptr);
// By en_encode: "S-JIS" Shift JIS, "EUC" EUC-JP, anything else UTF-8.
[[nodiscard]] int32_t KDX_ExportPlainTextFile(KDX_DATA* data, const KDX_ENTRY& entry,
                                              const std::string& path,
                                              KdxExportOutcome* outcome = nullptr);

// The export of "export files" and of dragging entries out: RTFD when the
// preference "DropExportType" is 1 or path is an existing RTFD package, RTF
// when the path's extension is "rtf" (any case), else plain text by en_encode.
[[nodiscard]] int32_t KDX_ExportOneFile(KDX_DATA* data, const KDX_ENTRY& entry,
                                        const std::string& path,
                                        KdxExportOutcome* outcome = nullptr);

// The message for a file written with substitutes, by encoding name:
// "一部の文字が Shift JIS に変換できませんでした。" or the EUC-JP one.
[[nodiscard]] std::string KDX_UnconvertibleMessage(const std::string& encoding);

// Exports the entries ids, in that order, into folder, one file (or package)
// per entry under a unique name from its title. Each entry's en_use_date is
// set to now in entryAry; the caller saves the tables afterwards. Entries that
// do not exist or fail count as failed with a reason; files written with
// substitutes are warnings. progress is polled before each entry.
[[nodiscard]] KdxTransferResult KDX_ExportEntries(KDX_DATA* data, const std::vector<int32_t>& ids,
                                                  const std::string& folder, KdxExportFormat format,
                                                  const KdxTransferProgress& progress);

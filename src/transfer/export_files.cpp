// Exports of entries to RTF, RTFD and text files, and the export commands.
#include "transfer/export_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <unordered_map>

#include "core/content/entry_content.h"
#include "core/content/entry_copy.h"
#include "core/document/blocks.h"
#include "core/document/entry_table.h"
#include "core/document/file_type.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_encoding.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_utf8.h"
#include "richtext/body_format.h"
#include "richtext/rtfd_package.h"
#include "transfer/export_write.h"
#include "transfer/kdz_file.h"

namespace {

// Title bytes kept in a base name before the unique path fits it to the file system.
constexpr size_t kMaxBaseNameBytes = 511;
// Attempts at a package path when another one appears at the chosen path.
constexpr int kPackageAttempts = 16;
// Attempts at an RTF path whose export file name beside it is free too.
constexpr int kBackupAttempts = 64;

// Equal when ASCII letters are compared without regard to case.
// The path's last part without its extension; the whole part when that would be empty.
std::string BaseNameOf(const std::string& path) {
  const std::string name = Vell_GetFileName(path);
  const std::string base = Vell_RemoveExtension(name);
  return base.empty() ? name : base;
}

// The folder of a path; "." for a bare file name.
std::string FolderOf(const std::string& path) {
  return path.find('/') == std::string::npos ? std::string(".") : Vell_GetFolderPath(path, 0);
}

// Rich text needs the text layout of a QGuiApplication.
bool IsRichTextReady() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// Removes path when it is an empty regular file: a name claimed for an export
// that went elsewhere or failed.
void ReleaseClaimedPath(const std::string& path) {
  struct stat st {};
  if (!path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
    ::unlink(path.c_str());
  }
}

// The entry's body in loaded form (trailing zeros allowed), or the status
// kKdxExportBodyUnloadable for an empty or unloadable body.
[[nodiscard]] int32_t LoadBody(const KDX_DATA* data, const KDX_ENTRY& entry, QByteArray* body) {
  // Looked at before loading: a block past the bound is not read at all.
  if (BO_GetContainerSize(data->kdxFilePath.c_str(), entry.en_id) > kKdxMaxConvertedBodyBytes) {
    return kKdxExportBodyUnloadable;
  }
  uint8_t* buffer = nullptr;
  const int32_t size = KDX_LoadBOContainer(data->kdxFilePath.c_str(), entry, &buffer);
  if (size <= 0) return kKdxExportBodyUnloadable;
  *body = QByteArray(reinterpret_cast<const char*>(buffer), size);
  Vell_MallocFree(buffer);
  return 0;
}

// The path a rich-text export writes to: path itself when its extension is
// exactly ext, otherwise a new unique path with that extension (a file claimed
// for "rtf", a free package path for "rtfd").
[[nodiscard]] int32_t RichTextTarget(const std::string& path, const char* ext, bool package,
                                     std::string* target) {
  if (KDX_ExtensionOf(path) == ext) {
    *target = path;
    return 0;
  }
  return package ? KDX_GenerateUniquePackagePath(FolderOf(path), BaseNameOf(path), ext, target)
                 : KDX_GenerateUniqueFilePath(FolderOf(path), BaseNameOf(path), ext, target);
}

// Exports the text block in encodingName; fn names the function in the log.
[[nodiscard]] int32_t ExportText(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& path,
                                 const char* encodingName, const char* fn,
                                 KdxExportOutcome* outcome) {
  if (outcome != nullptr) outcome->encoding = encodingName;
  std::string text;
  if (KDX_LoadBlockText(data->kdxFilePath.c_str(), entry, KdxBlockKind::kText, &text) < 0) {
    Vell_SystemErrorLog("[-1] %s[%d]\r\n", fn, entry.en_id);
    return kKdxExportTextUnloadable;
  }

  std::string encoded;
  int32_t unconvertible = 0;
  int32_t status = kVellEncOk;
  if (std::strcmp(encodingName, kVellEncodingUTF8) == 0) {
    encoded = std::move(text);
  } else {
    status = Vell_EncodeFromUTF8(text, encodingName, encoded, VellLossy::yes, &unconvertible);
  }
  if (status != kVellEncOk) {
    Vell_SystemErrorLog("[-1] %s[%d]\r\n", fn, entry.en_id);
    return kKdxExportTextUnloadable;
  }

  const int32_t written = WriteExportFile(path, encoded);
  if (written != 0) {
    if (written == kKdxExportCannotCreate) {
      Vell_SystemErrorLog("[-2] %s[%d]\r\n", fn, entry.en_id);
    } else {
      Vell_SystemErrorLog("[-3] %s[%d]\r\n", fn, entry.en_id);
    }
    return written;
  }
  if (outcome != nullptr) {
    outcome->writtenPath = path;
    outcome->unconvertible = unconvertible;
  }
  return 0;
}

// The encoding a plain-text export of the entry uses, by en_encode.
const char* PlainTextEncoding(const KDX_ENTRY& entry) {
  const std::string_view encode(entry.en_encode, strnlen(entry.en_encode, sizeof entry.en_encode));
  if (encode == kVellEncodingSJIS) return kVellEncodingSJIS;
  if (encode == kVellEncodingEUC) return kVellEncodingEUC;
  return kVellEncodingUTF8;
}

// Why an export failed, for the user; text tells a plain-text export.
std::string ReasonOf(int32_t status, bool text) {
  switch (status) {
    case kKdxExportTextUnloadable:  // kKdxExportNoGui
      return text ? "the text cannot be loaded or converted" : "rich text is not available";
    case kKdxExportCannotCreate:  // kKdxExportBodyUnloadable
      return text ? "the file cannot be created" : "the body is empty or cannot be loaded";
    case kKdxExportShortWrite:  // kKdxExportNotRichText
      return text ? "the file could not be written whole" : "the body cannot be read as rich text";
    default:
      return "the file cannot be written";
  }
}

// The entry as the user knows it, in progress and failure lines.
std::string DisplayName(const KDX_ENTRY& entry) {
  std::string title(entry.en_title, strnlen(entry.en_title, sizeof entry.en_title));
  return title.empty() ? "(" + std::to_string(entry.en_id) + ")" : title;
}

// Where the numbering of each base name goes on within one export, so that
// many entries of one title do not try every number already taken again.
class ExportNumbering {
 public:
  long* For(const std::string& name, std::string_view ext) {
    std::string key = name;
    key.push_back('\0');
    key.append(ext);
    return &next_[key];
  }

 private:
  std::unordered_map<std::string, long> next_;
};

// Claims an RTF path and the export file path beside it, both new. 0, or
// kKdxNoFreePath.
[[nodiscard]] int32_t ClaimBackupPaths(const std::string& folder, const std::string& name,
                                       long* nextNumber, std::string* rtf, std::string* kdz) {
  std::vector<std::string> passedOver;  // held so that the next try moves on
  int32_t status = kKdxNoFreePath;
  for (int attempt = 0; attempt < kBackupAttempts; ++attempt) {
    if (KDX_GenerateUniqueFilePath(folder, name, "rtf", rtf, nextNumber) != 0) break;
    *kdz = GeneratePathToKdzPath(*rtf, "rtf");
    const int fd = ::open(kdz->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      status = 0;
      break;
    }
    passedOver.push_back(*rtf);
    if (errno != EEXIST) break;
  }
  for (const std::string& path : passedOver) ReleaseClaimedPath(path);
  if (status != 0) {
    rtf->clear();
    kdz->clear();
  }
  return status;
}

// One entry of KDX_ExportEntries: 0 or the failing export's status.
[[nodiscard]] int32_t ExportEntry(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& folder,
                                  KdxExportFormat format, ExportNumbering* numbering,
                                  KdxExportOutcome* outcome) {
  const std::string typeExt = KDX_GetEntryFileTypeExt(data, entry);
  std::string ext;
  switch (format) {
    case KdxExportFormat::files:
      ext = typeExt;
      break;
    case KdxExportFormat::rtf:
    case KdxExportFormat::backup:
      ext = "rtf";
      break;
    case KdxExportFormat::rtfd:
      ext = "rtfd";
      break;
    case KdxExportFormat::sjis:
    case KdxExportFormat::euc:
    case KdxExportFormat::utf8:
      // A text file named as rich text would be read as rich text.
      ext = typeExt.empty() || KDX_EqualsIgnoringCase(typeExt, "rtf") ||
                    KDX_EqualsIgnoringCase(typeExt, "rtfd")
                ? "txt"
                : typeExt;
      break;
  }
  const std::string name = KDX_GetFileNameWithoutExtention(entry, ext);

  // Entries that came from RTFD packages go back out as packages.
  if (format == KdxExportFormat::rtfd ||
      (format == KdxExportFormat::files && KDX_EqualsIgnoringCase(ext, "rtfd"))) {
    std::string path;
    if (KDX_GenerateUniquePackagePath(folder, name, "rtfd", &path, numbering->For(name, "rtfd")) !=
        0)
      return kKdxExportWriteFailed;
    return KDX_ExportRtfdFile(data, entry, path, outcome);
  }

  std::string claimed, kdz;
  long* nextNumber = numbering->For(name, ext);
  const int32_t claimStatus =
      format == KdxExportFormat::backup
          ? ClaimBackupPaths(folder, name, nextNumber, &claimed, &kdz)
          : KDX_GenerateUniqueFilePath(folder, name, ext, &claimed, nextNumber);
  if (claimStatus != 0) return kKdxExportWriteFailed;

  int32_t status = 0;
  switch (format) {
    case KdxExportFormat::files:
      status = KDX_ExportOneFile(data, entry, claimed, outcome);
      break;
    case KdxExportFormat::rtf:
    case KdxExportFormat::backup:
      status = KDX_ExportRtfFile(data, entry, claimed, outcome);
      break;
    case KdxExportFormat::sjis:
      status = KDX_ExportSJisTextFile(data, entry, claimed, outcome);
      break;
    case KdxExportFormat::euc:
      status = KDX_ExportEUCTextFile(data, entry, claimed, outcome);
      break;
    case KdxExportFormat::utf8:
      status = KDX_ExportUtf8TextFile(data, entry, claimed, outcome);
      break;
    case KdxExportFormat::rtfd:
      break;
  }
  if (status == 0 && format == KdxExportFormat::backup) {
    status = KDX_ExportKdzFile(data, entry, kdz);
    // Half a backup is not left behind; the RTF file was created here.
    if (status != 0) ::unlink(claimed.c_str());
  }
  if (status != 0 || outcome->writtenPath != claimed) ReleaseClaimedPath(claimed);
  if (status != 0) ReleaseClaimedPath(kdz);
  return status;
}

}  // namespace

std::string KDX_GetFileNameWithoutExtention(const KDX_ENTRY& entry, const std::string& extension) {
  std::string name(entry.en_title, strnlen(entry.en_title, sizeof entry.en_title));
  if (name.empty()) name = "(" + std::to_string(entry.en_id) + ")";
  // ":" is how the file system shows "/" to users; "/" cannot be in a name.
  std::replace(name.begin(), name.end(), '/', ':');
  // A name starting with a dot would be hidden, and could be a start-up file
  // in the folder the user exports into.
  for (size_t i = 0; i < name.size() && name[i] == '.'; ++i) name[i] = '_';
  if (!extension.empty() && name.size() > extension.size() + 1) {
    const size_t dot = name.size() - extension.size() - 1;
    if (name[dot] == '.' &&
        KDX_EqualsIgnoringCase(std::string_view(name).substr(dot + 1), extension)) {
      name.resize(dot);
    }
  }
  name.resize(Vell_Utf8CutLength(name, kMaxBaseNameBytes));
  return name;
}

int32_t KDX_GenerateUniqueFilePath(const std::string& folder, const std::string& name,
                                   const std::string& extension, std::string* dst,
                                   long* nextNumber) {
  const std::string ext = extension == kKdxV2FileTypeExt ? std::string("txt") : extension;
  return Vell_GenerateUniqueFilePath(folder, name, ext, *dst, VellUniqueMode::kCreateFile,
                                     nextNumber) == 0
             ? 0
             : kKdxNoFreePath;
}

int32_t KDX_GenerateUniquePackagePath(const std::string& folder, const std::string& name,
                                      const std::string& extension, std::string* dst,
                                      long* nextNumber) {
  return Vell_GenerateUniqueFilePath(folder, name, extension, *dst, VellUniqueMode::kTestOnly,
                                     nextNumber) == 0
             ? 0
             : kKdxNoFreePath;
}

int32_t KDX_ExportRtfFile(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& path,
                          KdxExportOutcome* outcome) {
  if (!IsRichTextReady()) return kKdxExportNoGui;
  QByteArray body;
  if (LoadBody(data, entry, &body) != 0) {
    Vell_SystemErrorLog("[-2] KDX_ExportRtfFile[%d]\r\n", entry.en_id);
    return kKdxExportBodyUnloadable;
  }
  QByteArray rtf;
  int picturesNotEmbedded = 0;
  kdx_richtext::BodyStatus status = kdx_richtext::BodyStatus::unreadable;
  try {
    status = kdx_richtext::BodyToRtf(body, &rtf, &picturesNotEmbedded);
  } catch (const std::bad_alloc&) {
    rtf.clear();
    Vell_SystemErrorLog("[-4] KDX_ExportRtfFile[%d]\r\n", entry.en_id);
    return kKdxExportWriteFailed;
  }
  if (status == kdx_richtext::BodyStatus::empty) {
    Vell_SystemErrorLog("[-2] KDX_ExportRtfFile[%d]\r\n", entry.en_id);
    return kKdxExportBodyUnloadable;
  }
  if (status != kdx_richtext::BodyStatus::ok) {
    Vell_SystemErrorLog("[-3] KDX_ExportRtfFile[%d]\r\n", entry.en_id);
    return kKdxExportNotRichText;
  }
  std::string target;
  if (RichTextTarget(path, "rtf", false, &target) != 0 ||
      WriteExportFile(target, std::string_view(rtf.constData(), rtf.size())) != 0) {
    if (target != path) ReleaseClaimedPath(target);
    Vell_SystemErrorLog("[-4] KDX_ExportRtfFile[%d]\r\n", entry.en_id);
    return kKdxExportWriteFailed;
  }
  if (outcome != nullptr) {
    outcome->writtenPath = target;
    outcome->picturesNotEmbedded = picturesNotEmbedded;
  }
  return 0;
}

int32_t KDX_ExportRtfdFile(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& path,
                           KdxExportOutcome* outcome) {
  if (!IsRichTextReady()) return kKdxExportNoGui;
  QByteArray body;
  if (LoadBody(data, entry, &body) != 0) {
    Vell_SystemErrorLog("[-2] KDX_ExportRtfdFile[%d]\r\n", entry.en_id);
    return kKdxExportBodyUnloadable;
  }
  kdx_richtext::RtfdPackage package;
  const kdx_richtext::BodyStatus status = kdx_richtext::BodyToRtfdPackage(body, &package);
  if (status == kdx_richtext::BodyStatus::empty) {
    Vell_SystemErrorLog("[-2] KDX_ExportRtfdFile[%d]\r\n", entry.en_id);
    return kKdxExportBodyUnloadable;
  }
  if (status != kdx_richtext::BodyStatus::ok) {
    Vell_SystemErrorLog("[-3] KDX_ExportRtfdFile[%d]\r\n", entry.en_id);
    return kKdxExportNotRichText;
  }
  std::string target;
  if (RichTextTarget(path, "rtfd", true, &target) == 0) {
    // The writer never replaces anything; something at the path moves the
    // package to the next free name.
    for (int attempt = 0; attempt < kPackageAttempts; ++attempt) {
      const kdx_richtext::RtfdStatus written =
          kdx_richtext::WriteRtfdFolder(QFile::decodeName(target.c_str()), package);
      if (written == kdx_richtext::RtfdStatus::ok) {
        if (outcome != nullptr) outcome->writtenPath = target;
        return 0;
      }
      if (written != kdx_richtext::RtfdStatus::exists ||
          KDX_GenerateUniquePackagePath(FolderOf(target), BaseNameOf(target), "rtfd", &target) !=
              0) {
        break;
      }
    }
  }
  Vell_SystemErrorLog("[-4] KDX_ExportRtfdFile[%d]\r\n", entry.en_id);
  return kKdxExportWriteFailed;
}

int32_t KDX_ExportSJisTextFile(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& path,
                               KdxExportOutcome* outcome) {
  return ExportText(data, entry, path, kVellEncodingSJIS, "KDX_ExportSJisTextFile", outcome);
}

int32_t KDX_ExportEUCTextFile(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& path,
                              KdxExportOutcome* outcome) {
  return ExportText(data, entry, path, kVellEncodingEUC, "KDX_ExportEUCTextFile", outcome);
}

int32_t KDX_ExportUtf8TextFile(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& path,
                               KdxExportOutcome* outcome) {
  return ExportText(data, entry, path, kVellEncodingUTF8, "KDX_ExportUtf8TextFile", outcome);
}

int32_t KDX_ExportPlainTextFile(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& path,
                                KdxExportOutcome* outcome) {
  const char* encoding = PlainTextEncoding(entry);
  if (encoding == kVellEncodingSJIS) return KDX_ExportSJisTextFile(data, entry, path, outcome);
  if (encoding == kVellEncodingEUC) return KDX_ExportEUCTextFile(data, entry, path, outcome);
  return KDX_ExportUtf8TextFile(data, entry, path, outcome);
}

int32_t KDX_ExportOneFile(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& path,
                          KdxExportOutcome* outcome) {
  int32_t dropType = 0;
  PREF_ReadInteger("DropExportType", &dropType);
  if (dropType == 1 || (KDX_HasExtension(path, "rtfd") && Vell_IsFolder(path.c_str()) == 1)) {
    return KDX_ExportRtfdFile(data, entry, path, outcome);
  }
  if (KDX_HasExtension(path, "rtf")) return KDX_ExportRtfFile(data, entry, path, outcome);
  return KDX_ExportPlainTextFile(data, entry, path, outcome);
}

std::string KDX_UnconvertibleMessage(const std::string& encoding) {
  return encoding == kVellEncodingEUC ? "一部の文字が EUC-JP に変換できませんでした。"
                                      : "一部の文字が Shift JIS に変換できませんでした。";
}

KdxTransferResult KDX_ExportEntries(KDX_DATA* data, const std::vector<int32_t>& ids,
                                    const std::string& folder, KdxExportFormat format,
                                    const KdxTransferProgress& progress) {
  KdxTransferResult result;
  ExportNumbering numbering;
  progress.Phase(kKdxMsgExporting);
  const int64_t total = static_cast<int64_t>(ids.size());
  for (int64_t done = 0; done < total; ++done) {
    if (progress.IsCancelled()) {
      result.cancelled = true;
      break;
    }
    const int32_t id = ids[static_cast<size_t>(done)];
    KDX_ENTRY entry;
    if (KDX_GetUsedEntry_ByID(data, id, &entry) < 0) {
      progress.Item("(" + std::to_string(id) + ")", done, total);
      result.Fail("(" + std::to_string(id) + ")", "no entry has this identifier");
      continue;
    }
    const std::string title = DisplayName(entry);
    progress.Item(title, done, total);

    KdxExportOutcome outcome;
    const int32_t status = ExportEntry(data, entry, folder, format, &numbering, &outcome);
    if (status != 0) {
      result.Fail(title, ReasonOf(status, !outcome.encoding.empty()));
      continue;
    }
    ++result.succeeded;
    if (outcome.unconvertible > 0) {
      result.Warn(outcome.writtenPath, KDX_UnconvertibleMessage(outcome.encoding));
    }
    if (outcome.picturesNotEmbedded > 0) {
      result.Warn(outcome.writtenPath,
                  std::to_string(outcome.picturesNotEmbedded) +
                      " pictures written as references: embedding them all would make the file "
                      "too large");
    }
  }
  return result;
}

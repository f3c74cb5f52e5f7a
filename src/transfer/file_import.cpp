#include "transfer/file_import.h"

#include <errno.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "core/container/rez_io.h"
#include "core/content/entry_content.h"
#include "core/content/new_entry.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_encoding.h"
#include "core/util/vell_file.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_utf8.h"
#include "richtext/body_format.h"
#include "transfer/file_access.h"
#include "transfer/file_types.h"
#include "transfer/folder_walk.h"
#include "transfer/kdz_file.h"

namespace {

constexpr char kPhaseSearching[] = "ファイルを検索しています...";
constexpr char kPhaseImporting[] = "ファイルを取り込んでいます...";
constexpr char kEncodingRichText[] = "RTF";

QByteArray ToQt(const std::string& bytes) {
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
std::string ToStd(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Reads a regular file of at most the import limit whole; 0 or a failure code.
[[nodiscard]] int32_t ReadWholeFile(const std::string& path, std::string* bytes) {
  const int32_t status = Vell_ReadFileUpTo(path.c_str(), kKdxImportMaxFileBytes, bytes);
  if (status == 0) return 0;
  return status == kVellReadTooLarge ? kKdxImportTooLarge : kKdxImportUnreadable;
}

// Whether the plain text of a body made from this text could differ from the
// text itself: control characters other than tab and LF, NUL, the marks of
// frames and attachments, no-break spaces and byte-order marks. Only then is
// the body read back for its plain text, which costs as much as making it.
bool NeedsReadBack(const QString& text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0x7F || u == 0xA0 || u == 0xFDD0 ||
        u == 0xFDD1 || u == 0xFEFF || u == 0xFFFC) {
      return true;
    }
  }
  return false;
}

// The body's plain text, or false when the body cannot be read back.
[[nodiscard]] bool FillPlainText(const QByteArray& body, KdxImportedBody* out) {
  QString text;
  if (kdx_richtext::BodyPlainText(body, &text) == kdx_richtext::BodyStatus::unreadable) {
    return false;
  }
  out->body = ToStd(body);
  out->text = text.toStdString();
  return true;
}

// An RTF file as a body; an empty file gives an empty body.
[[nodiscard]] int32_t ImportRtfFile(const std::string& path, KdxImportedBody* out) {
  std::string rtf;
  if (int32_t status = ReadWholeFile(path, &rtf); status < 0) return status;
  if (rtf.empty()) return 0;
  QString warning;
  std::optional<QByteArray> body = kdx_richtext::KDXCOMM_ConvertRtfToRtfd(ToQt(rtf), &warning);
  if (!body || !FillPlainText(*body, out)) return kKdxImportUndecodable;
  out->warning = warning.toStdString();
  return static_cast<int32_t>(rtf.size());
}

// The file whose reading decides whether an item can be read at all.
std::string FileToRead(const std::string& plainPath) {
  return KDX_IsRtfdFile(plainPath) == 1 ? plainPath + "/TXT.rtf" : plainPath;
}

// Words for a failed file; for one that cannot be read, why not.
std::string FailureText(const std::string& plainPath, int32_t status) {
  if (status == kKdxImportUnreadable) {
    if (const int error = KDX_ReadError(FileToRead(plainPath)); error != 0) {
      return "cannot be read: " + KDX_FileErrorText(error);
    }
  }
  return KDX_ImportFailureText(status);
}

// An RTFD package folder as a body.
[[nodiscard]] int32_t ImportRtfdPackage(const std::string& path, KdxImportedBody* out) {
  if (KDX_ReadError(FileToRead(path)) != 0) return kKdxImportUnreadable;
  std::optional<QByteArray> body =
      kdx_richtext::KDXCOMM_ReadRTFDFromFile(QString::fromStdString(path));
  if (!body || !FillPlainText(*body, out)) return kKdxImportUndecodable;
  return static_cast<int32_t>(body->size());
}

// Reads the entry export file beside an imported file into *entry; the
// extension it names goes to *ext. False when there is none to read.
[[nodiscard]] bool ReadKdzBeside(const std::string& kdzPath, KDX_ENTRY* entry, std::string* ext) {
  if (kdzPath.empty()) return false;
  struct stat st {};
  if (stat(kdzPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  char extension[16] = {};
  if (KDX_ReadEntry_FromKdzFile(kdzPath, entry, extension) != 1) return false;
  if (extension[0] != '\0') *ext = extension;
  return true;
}

void CopyField(char* field, size_t size, const std::string& value) {
  Vell_Utf8CopyCut(field, size, value);
}

enum class FileKind { package, rtf, text };

// A file's body made away from the document; the expensive half of an import.
struct ConvertedFile {
  FileKind kind = FileKind::text;
  int32_t status = 0;  // bytes read, or a kKdxImport failure
  KdxImportedBody content;
};

[[nodiscard]] ConvertedFile ConvertFile(const std::string& plainPath, const std::string& fontName,
                                        double fontSize) {
  ConvertedFile out;
  if (KDX_IsRtfdFile(plainPath) == 1) {
    out.kind = FileKind::package;
    out.status = ImportRtfdPackage(plainPath, &out.content);
  } else if (IsRtfFile(plainPath) == 1) {
    out.kind = FileKind::rtf;
    out.status = ImportRtfFile(plainPath, &out.content);
  } else {
    out.status = KDX_ImportTextFile(plainPath, fontName, fontSize, &out.content);
  }
  return out;
}

// The other half: the entry export file beside the file, the file type, the
// blocks and the record. The body size, or a kKdxImport failure.
[[nodiscard]] int32_t StoreConverted(KDX_DATA* data, const std::string& plainPath, KDX_ENTRY* entry,
                                     const ConvertedFile& converted, int32_t expandSize) {
  std::string ext;
  std::string kdzPath;
  if (converted.kind == FileKind::text) {
    kdzPath = plainPath + ".kdz";
    ext = Vell_GetExtension(Vell_GetFileName(plainPath));
    if (!ReadKdzBeside(kdzPath, entry, &ext)) kdzPath.clear();
    if (converted.status >= 0) {
      CopyField(entry->en_encode, sizeof entry->en_encode, converted.content.encoding);
    }
  } else {
    const char* kind = converted.kind == FileKind::package ? "rtfd" : "rtf";
    kdzPath = GeneratePathToKdzPath(plainPath, kind);
    if (!ReadKdzBeside(kdzPath, entry, &ext)) {
      kdzPath.clear();
      ext = kind;
      CopyField(entry->en_encode, sizeof entry->en_encode, kEncodingRichText);
    }
  }
  if (converted.status < 0) return converted.status;

  std::string note;
  if (!kdzPath.empty() && KDX_ReadNote_FromKdzFile(kdzPath, &note) != 1) note.clear();
  entry->en_ft_id = KDX_SetFileType(data->kdxFilePath, ext, data->idCounterAry, data->fileTypeAry);
  if (entry->en_ft_id < 0) return kKdxImportNotStored;
  // Stored as imports store them: the text with its NUL; a rich-text file's
  // body with one zero byte after its data, recorded at the data's size; a
  // text file's body recorded at the size of the file read.
  const KdxImportedBody& content = converted.content;
  const bool richText = converted.kind != FileKind::text;
  const std::string text = KDX_WithTrailingZero(content.text);
  const std::string body = richText ? KDX_WithTrailingZero(content.body) : content.body;
  const auto bodySize = static_cast<int32_t>(content.body.size());
  if (KDX_StoreNewEntry(
          data, entry, expandSize,
          KdxEntryContent{body, text, note, richText ? bodySize : converted.status}) != 0) {
    return kKdxImportNotStored;
  }
  return entry->en_bo_block_size;
}

// Converts the files of a list on worker threads, a few files ahead of the
// loop that stores them in list order. Conversion touches nothing of the
// document (Qt's text classes are reentrant), so only the storing stays on
// the caller's thread. Without threads every file is converted on Take.
class AheadConverter {
 public:
  AheadConverter(const std::vector<std::string>& files, std::string fontName, double fontSize)
      : files_(files), fontName_(std::move(fontName)), fontSize_(fontSize), done_(files.size()) {
    // The application font and other state Qt makes on first use are made
    // here, before any worker exists, rather than by two workers at once; the
    // body made is not needed.
    static_cast<void>(kdx_richtext::KDXCOMM_ConvertTextToRtfd(
        QStringLiteral("-"), QString::fromStdString(fontName_), fontSize_));
    const unsigned workers = std::min(std::max(std::thread::hardware_concurrency(), 1u), 4u);
    for (unsigned i = 0; i < workers && files.size() > 1; ++i) {
      try {
        threads_.emplace_back([this] { Work(); });
      } catch (const std::system_error&) {
        break;  // fewer threads, or none: Take converts what is left
      }
    }
  }
  ~AheadConverter() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  AheadConverter(const AheadConverter&) = delete;
  AheadConverter& operator=(const AheadConverter&) = delete;

  // The converted file at index; indices are taken in increasing order.
  ConvertedFile Take(size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    taken_ = index + 1;
    changed_.notify_all();
    if (threads_.empty() || (next_ <= index && !done_[index])) {
      // Not started by a worker (none running): convert it here.
      if (next_ <= index) next_ = index + 1;
      lock.unlock();
      return ConvertFile(KDX_WithoutTrailingSlash(files_[index]), fontName_, fontSize_);
    }
    changed_.wait(lock, [&] { return done_[index].has_value(); });
    ConvertedFile out = std::move(*done_[index]);
    done_[index].reset();
    return out;
  }

 private:
  static constexpr size_t kAhead = 16;  // files converted but not yet stored, at most

  void Work() {
    for (;;) {
      size_t index = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock,
                      [&] { return stop_ || next_ >= files_.size() || next_ < taken_ + kAhead; });
        if (stop_ || next_ >= files_.size()) return;
        index = next_++;
      }
      ConvertedFile converted =
          ConvertFile(KDX_WithoutTrailingSlash(files_[index]), fontName_, fontSize_);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        done_[index] = std::move(converted);
      }
      changed_.notify_all();
    }
  }

  const std::vector<std::string>& files_;
  const std::string fontName_;
  const double fontSize_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::optional<ConvertedFile>> done_;  // by index, until taken
  size_t next_ = 0;                                 // next index a worker takes up
  size_t taken_ = 0;                                // indices below this were taken
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

// Imports each file of the list, with the categories cats gives for it.
template <typename Cats>
void ImportList(KDX_DATA* data, const std::vector<std::string>& files,
                const KdxImportSettings& settings, const KdxTransferProgress& progress,
                KdxTransferResult* result, std::vector<int32_t>* importedIds, Cats cats) {
  progress.Phase(kPhaseImporting);
  AheadConverter converter(files, KDX_UsableFontName(settings.fontName), settings.fontSize);
  // The blocks count only once the caller saves the tables, so the document
  // file is flushed once at the end rather than after every block.
  RezDeferSync deferSync;
  KdxCheckpointedImport stored(progress, result, importedIds);
  const auto total = static_cast<int64_t>(files.size());
  for (int64_t i = 0; i < total && !result->cancelled; ++i) {
    if (progress.IsCancelled()) {
      result->cancelled = true;
      break;
    }
    const std::string& path = files[static_cast<size_t>(i)];
    progress.Item(path, i, total);
    std::string cat1, cat2, cat3;
    cats(path, &cat1, &cat2, &cat3);
    const ConvertedFile converted = converter.Take(static_cast<size_t>(i));
    KDX_ENTRY entry;
    KDX_PrepareImportEntry(data, path, cat1, cat2, cat3, settings, &entry);
    if (entry.en_id < 0) {
      result->Fail(path, "no entry number is left in the document");
      continue;
    }
    const int32_t status = StoreConverted(data, KDX_WithoutTrailingSlash(path), &entry, converted,
                                          settings.expandSize);
    if (status < 0) {
      result->Fail(path, status == kKdxImportUndecodable && !converted.content.failure.empty()
                             ? converted.content.failure
                             : FailureText(KDX_WithoutTrailingSlash(path), status));
      continue;
    }
    if (!converted.content.warning.empty()) {
      result->Warn(path, converted.content.warning);
    }
    if (!stored.Stored(path, entry.en_id)) break;
  }
  if (!deferSync.Flush()) {
    result->Fail(data->kdxFilePath, "the document file could not be written to the disk");
  }
  stored.Finish();
}

}  // namespace

KdxImportSettings KDX_ReadImportSettings() {
  KdxImportSettings s;
  char font[256] = {};
  PREF_ReadDefaultFontName(sizeof font, font);
  s.fontName = font;
  s.fontSize = PREF_ReadDefaultFontSize();
  s.expandSize = PREF_ReadExpandSize();
  s.turn = PREF_ReadDefaultTurn();
  char width[kPrefTurnWidthSize] = {};
  PREF_ReadDefaultTurnWidth(width);
  s.turnWidth = width;
  s.extensions = KDX_ReadImportExtensions();
  int32_t all = 0;
  PREF_ReadInteger("AllExportFiles", &all);
  s.importAll = all == 1 ? 1 : 0;
  return s;
}

std::string KDX_UsableFontName(const std::string& fontName) {
  if (fontName.empty() || QGuiApplication::instance() == nullptr) return fontName;
  return QFontDatabase::hasFamily(QString::fromStdString(fontName)) ? fontName : std::string();
}

int32_t KDX_ImportTextFile(const std::string& path, const std::string& fontName, double fontSize,
                           KdxImportedBody* out) {
  std::string bytes;
  if (int32_t status = ReadWholeFile(path, &bytes); status < 0) return status;
  *out = KdxImportedBody{};
  if (bytes.empty()) {
    out->encoding = kVellEncodingSJIS;
    return 0;
  }
  std::string utf8;
  std::string whyNot;
  if (Vell_DecodeTextForImport(bytes, utf8, &out->encoding, &whyNot) != kVellEncOk) {
    out->failure = "not text in an encoding that could be recognised: " + whyNot;
    return kKdxImportUndecodable;
  }
  const QString text = QString::fromStdString(utf8);
  const QByteArray body =
      kdx_richtext::KDXCOMM_ConvertTextToRtfd(text, QString::fromStdString(fontName), fontSize);
  if (NeedsReadBack(text)) {
    if (!body.isEmpty() && !FillPlainText(body, out)) return kKdxImportUndecodable;
  } else {
    out->body = ToStd(body);
    out->text = kdx_richtext::NormalizeBodyText(text).toStdString();
  }
  return static_cast<int32_t>(bytes.size());
}

void KDX_PrepareImportEntry(KDX_DATA* data, const std::string& path, const std::string& cat1,
                            const std::string& cat2, const std::string& cat3,
                            const KdxImportSettings& settings, KDX_ENTRY* entry) {
  const std::string name = Vell_GetFileName(KDX_WithoutTrailingSlash(path));
  std::string title(name, 0, Vell_Utf8CutLength(name, sizeof entry->en_title - 1));
  auto cut = [](const std::string& cat) {
    return std::string(cat, 0, Vell_Utf8CutLength(cat, kKdxCategoryNameSize - 1));
  };
  EN_InitData(data, title.c_str(), cut(cat1).c_str(), cut(cat2).c_str(), cut(cat3).c_str(),
              settings.turn, settings.turnWidth.c_str(), entry);
  CopyField(entry->en_file_path, sizeof entry->en_file_path, KDX_FullPath(path));
  entry->en_is_select_entrylist = false;
}

int32_t KDX_ImportOneFile(KDX_DATA* data, const std::string& path, KDX_ENTRY* entry,
                          const std::string& fontName, double fontSize, int32_t expandSize) {
  const std::string plainPath = KDX_WithoutTrailingSlash(path);
  return StoreConverted(data, plainPath, entry, ConvertFile(plainPath, fontName, fontSize),
                        expandSize);
}

std::string KDX_ImportFailureText(int32_t code) {
  switch (code) {
    case kKdxImportUnreadable:
      return "cannot be read";
    case kKdxImportTooLarge:
      return "larger than 256 MiB";
    case kKdxImportUndecodable:
      return "not text in an encoding that could be recognised, nor readable RTF or RTFD";
    case kKdxImportNotStored:
      return "the entry could not be stored in the document";
    default:
      return "could not be imported";
  }
}

KdxTransferResult KDX_ImportFiles(KDX_DATA* data, const std::vector<std::string>& paths,
                                  const std::string& cat1, const std::string& cat2,
                                  const std::string& cat3, const KdxImportSettings& settings,
                                  const KdxTransferProgress& progress,
                                  std::vector<int32_t>* importedIds) {
  KdxTransferResult result;
  std::vector<std::string> files;
  progress.Phase(kPhaseSearching);
  for (const std::string& path : paths) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
      result.Fail(path, errno == ENOENT ? std::string("no such file or folder")
                                        : "cannot be read: " + KDX_FileErrorText(errno));
    } else if (KDX_IsRtfdFile(path) == 1) {
      files.push_back(path);
    } else if (S_ISDIR(st.st_mode)) {
      // A folder that cannot be opened is counted in result as failed.
      static_cast<void>(ListUpFilesWithExt(KDX_WithoutTrailingSlash(path), settings.extensions,
                                           settings.importAll, progress, &files, &result));
    } else if (!S_ISREG(st.st_mode)) {
      // A file the user named and did not get is a failure, not a skip.
      result.Fail(path, std::string("a ") + KDX_SpecialFileKind(st.st_mode) + ", not a file");
    } else if (const int error = KDX_ReadError(path); error != 0) {
      // Not to be taken for a binary file, which is what the target test
      // makes of a file it cannot open.
      result.Fail(path, "cannot be read: " + KDX_FileErrorText(error));
    } else if (IsImportTargetFilePath(path, settings.importAll, settings.extensions) == 1) {
      files.push_back(path);
    } else {
      result.Fail(path, "not a text or RTF file with an import extension");
    }
    if (result.cancelled) return result;
  }
  ImportList(data, files, settings, progress, &result, importedIds,
             [&](const std::string&, std::string* c1, std::string* c2, std::string* c3) {
               *c1 = cat1;
               *c2 = cat2;
               *c3 = cat3;
             });
  return result;
}

KdxTransferResult KDX_ImportFolder(KDX_DATA* data, const std::string& folder,
                                   const KdxImportSettings& settings,
                                   const KdxTransferProgress& progress,
                                   std::vector<int32_t>* importedIds) {
  KdxTransferResult result;
  std::vector<std::string> files;
  const std::string root = KDX_FullPath(folder);
  progress.Phase(kPhaseSearching);
  if (ListUpFilesWithExt(root, settings.extensions, settings.importAll, progress, &files,
                         &result) != 0 ||
      result.cancelled) {
    return result;
  }
  ImportList(data, files, settings, progress, &result, importedIds,
             [&](const std::string& path, std::string* c1, std::string* c2, std::string* c3) {
               KDXCOMM_GetCats_ByFilePath(path, root, c1, c2, c3);
             });
  return result;
}

bool KDX_IsPlainFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && KDX_IsRtfdFile(path) != 1;
}

KdxTransferResult KDX_ImportPaths(KDX_DATA* data, const std::vector<std::string>& paths,
                                  const std::string& cat1, const std::string& cat2,
                                  const std::string& cat3, KdxFolderCategories folders,
                                  const KdxImportSettings& settings,
                                  const KdxTransferProgress& progress,
                                  std::vector<int32_t>* importedIds) {
  if (folders == KdxFolderCategories::kGiven) {
    return KDX_ImportFiles(data, paths, cat1, cat2, cat3, settings, progress, importedIds);
  }
  KdxTransferResult result;
  // Files keep the order given; each folder is imported where it was named.
  std::vector<std::string> files;
  auto flushFiles = [&] {
    if (files.empty()) return;
    result.Absorb(KDX_ImportFiles(data, files, cat1, cat2, cat3, settings, progress, importedIds));
    files.clear();
  };
  for (const std::string& path : paths) {
    if (result.cancelled) break;
    if (KDX_IsPlainFolder(path)) {
      flushFiles();
      result.Absorb(KDX_ImportFolder(data, path, settings, progress, importedIds));
    } else {
      files.push_back(path);
    }
  }
  if (!result.cancelled) flushFiles();
  return result;
}

int32_t KDXCOMM_ConvertOldFileToNewFile(KDX_DATA* data, KDX_ENTRY* entry, int32_t expandSize) {
  uint8_t* raw = nullptr;
  const int32_t size = KDX_LoadBOContainer(data->kdxFilePath.c_str(), *entry, &raw);
  std::unique_ptr<uint8_t, void (*)(void*)> owned(raw, Vell_MallocFree);
  if (size <= 0) return kKdxConvertNoBody;
  // An encrypted block reads back with zero bytes after the RTF.
  const size_t length = strnlen(reinterpret_cast<const char*>(raw), static_cast<size_t>(size));
  std::optional<QByteArray> body = kdx_richtext::KDXCOMM_ConvertRtfToRtfd(
      QByteArray(reinterpret_cast<const char*>(raw), static_cast<qsizetype>(length)));
  if (!body) return kKdxConvertNotRtf;
  const auto bodySize = static_cast<int32_t>(body->size());
  if (KDX_BO_Save(data, *entry, expandSize, bodySize, body->constData()) != 0)
    return kKdxConvertNotSaved;
  entry->en_bo_block_size = bodySize;
  return 0;
}

#include "transfer/print_entry.h"

#include <QByteArray>
#include <QFont>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/content/content_status.h"
#include "core/content/entry_content.h"
#include "core/document/blocks.h"
#include "core/prefs/pref_file.h"
#include "core/prefs/pref_rez.h"
#include "core/util/vell_file.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_time.h"
#include "richtext/body_format.h"
#include "transfer/file_import.h"

namespace {

QByteArray StoredTemplate(const std::string& prefPath, uint32_t tag) {
  std::vector<uint8_t> data;
  if (prefPath.empty() || KDX_ReadPrintData(prefPath.c_str(), tag, data) <= 0) return {};
  return QByteArray(reinterpret_cast<const char*>(data.data()),
                    static_cast<qsizetype>(data.size()));
}

QString ViewDate(const char* dateChars) {
  char text[kVellViewDateSize + 8] = {};
  Vell_GetViewDateStringFromDataChars(dateChars, text);
  return QString::fromUtf8(text);
}

template <size_t N>
QString Field(const char (&field)[N]) {
  return QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, N)));
}

}  // namespace

kdx_richtext::PrintMargins KDX_ReadPrintMargins() {
  kdx_richtext::PrintMargins m;
  PREF_ReadBodyMargin(&m.left, &m.top, &m.right, &m.bottom);
  return m;
}

void KDX_ReadPrintTemplates(QTextDocument* header, QTextDocument* footer) {
  std::string prefPath;
  if (PREF_GetPreferenceREZFilePath(prefPath) != 1) prefPath.clear();
  (void)kdx_richtext::LoadPrintTemplate(StoredTemplate(prefPath, kKdxTagPRHD),
                                        kdx_richtext::PrintTemplateKind::header, header);
  (void)kdx_richtext::LoadPrintTemplate(StoredTemplate(prefPath, kKdxTagPRFT),
                                        kdx_richtext::PrintTemplateKind::footer, footer);
}

kdx_richtext::PrintVariables KDX_EntryPrintVariables(const std::string& documentPath,
                                                     const KDX_ENTRY& entry) {
  char now[kVellDateCharsSize] = {};
  Vell_GetCurrentTimeAsString(now, sizeof now);
  kdx_richtext::PrintVariables v;
  v.title = Field(entry.en_title);
  v.createDate = ViewDate(entry.en_create_date);
  v.updateDate = ViewDate(entry.en_update_date);
  v.printDate = ViewDate(now);
  v.fileName = QString::fromStdString(Vell_GetFileName(documentPath));
  return v;
}

kdx_richtext::BodyStatus KDX_LoadBodyForPrint(const std::string& documentPath,
                                              const KDX_ENTRY& entry, QTextDocument* document) {
  QFont font = document->defaultFont();
  char family[256] = {};
  PREF_ReadDefaultFontName(sizeof family, family);
  if (const std::string usable = KDX_UsableFontName(family); !usable.empty()) {
    font.setFamily(QString::fromStdString(usable));
  }
  if (const double points = PREF_ReadDefaultFontSize(); points > 0) font.setPointSizeF(points);
  document->setDefaultFont(font);

  uint8_t* raw = nullptr;
  const int32_t size = KDX_LoadBOContainer(documentPath.c_str(), entry, &raw);
  const std::unique_ptr<uint8_t, void (*)(void*)> owned(raw, Vell_MallocFree);
  if (size == 0 || size == kKdxLoadMissing) {
    document->clear();
    return kdx_richtext::BodyStatus::empty;
  }
  if (size < 0) return kdx_richtext::BodyStatus::unreadable;
  return kdx_richtext::BodyToDocument(QByteArray(reinterpret_cast<const char*>(raw), size),
                                      document);
}

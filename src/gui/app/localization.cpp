#include "gui/app/localization.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>
#include <memory>
#include <optional>

#include "core/util/vell_system.h"

void KdxInstallLocalization() {
  Vell_SetLocalizedStringTable([](std::string_view key) -> std::optional<std::string> {
    const std::string k(key);
    const QString translated = QCoreApplication::translate(kKdxTranslationContext, k.c_str());
    std::string text = translated.toStdString();
    if (text == k) return std::nullopt;
    return text;
  });
}

bool KdxInstallLanguage(KdxLanguage language) {
  static std::unique_ptr<QTranslator> installed;
  if (installed) QCoreApplication::removeTranslator(installed.get());
  installed.reset();
  if (language == KdxLanguage::kEnglish) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    installed = KdxLoadEnglishTranslation();
  } else {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    installed = std::make_unique<QTranslator>();
    if (!installed->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      installed.reset();
    }
  }
  return installed && QCoreApplication::installTranslator(installed.get());
}

QString KdxShownName(const char* field, size_t size) {
  const std::string name(field, strnlen(field, size));
  return KdxText(name.c_str());
}

QString KdxText(const char* key) { return QString::fromUtf8(Vell_LocalizedString(key)); }

QString KdxTextAs(const char* key, const char* role) {
  const QString text = QCoreApplication::translate(kKdxTranslationContext, key, role);
  return text == QString::fromUtf8(key) ? KdxText(key) : text;
}

std::string KdxTextUtf8(const char* key) {
  const char* text = Vell_LocalizedString(key);
  return text ? std::string(text) : std::string();
}

std::string KdxFillFormat(std::string_view format, const std::vector<std::string>& values) {
  std::string out;
  out.reserve(format.size());
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 >= format.size()) {
      out += format[i];
      continue;
    }
    const std::string_view rest = format.substr(i + 1);
    if (rest.front() == '%') {
      out += '%';
      i += 1;
    } else if (rest.starts_with("s") || rest.starts_with("ld")) {
      if (next < values.size()) out += values[next];
      ++next;
      i += rest.front() == 's' ? 1 : 2;
    } else {
      out += '%';
    }
  }
  return out;
}

QString KdxTextFormat(const char* key, const std::vector<std::string>& values) {
  return QString::fromStdString(KdxFillFormat(KdxTextUtf8(key), values));
}

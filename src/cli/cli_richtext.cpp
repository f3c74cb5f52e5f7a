#include "cli/cli_richtext.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QString>
#include <QTextBlock>
#include <QTextDocument>
#include <cstdio>
#include <memory>

#include "core/prefs/pref_file.h"
#include "richtext/body_format.h"

namespace {

// Qt's warnings about the session (no runtime folder, no fonts configured)
// mean nothing to a command-line user; real errors still come through.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    std::fprintf(stderr, "kdx: %s\n", message.toLocal8Bit().constData());
  }
}

void EnsureGuiApplication() {
  if (QGuiApplication::instance() != nullptr) return;
  qInstallMessageHandler(QuietMessages);
  // kdx never shows a window: the offscreen platform needs no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "kdx";
  static char* argv[] = {name, nullptr};
  static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

std::string ToStd(const QByteArray& bytes) { return std::string(bytes.constData(), bytes.size()); }

std::optional<CliBody> WithPlainText(const QByteArray& body) {
  QString text;
  if (kdx_richtext::BodyPlainText(body, &text) == kdx_richtext::BodyStatus::unreadable) {
    return std::nullopt;
  }
  return CliBody{ToStd(body), text.toStdString()};
}

}  // namespace

CliBody CliBodyFromText(const std::string& utf8) {
  EnsureGuiApplication();
  char family[256];
  PREF_ReadDefaultFontName(sizeof family, family);
  QByteArray body = kdx_richtext::KDXCOMM_ConvertTextToRtfd(
      QString::fromStdString(utf8), QString::fromUtf8(family), PREF_ReadDefaultFontSize());
  std::optional<CliBody> made = WithPlainText(body);
  return made ? *made : CliBody{ToStd(body), utf8};
}

std::optional<CliBody> CliBodyFromRtf(const std::string& rtf) {
  EnsureGuiApplication();
  std::optional<QByteArray> body = kdx_richtext::KDXCOMM_ConvertRtfToRtfd(
      QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size())));
  if (!body) return std::nullopt;
  return WithPlainText(*body);
}

std::optional<std::string> CliBodyToRtf(std::string_view body) {
  EnsureGuiApplication();
  QByteArray rtf;
  // The body is read where it lies, not copied.
  if (kdx_richtext::BodyToRtf(
          QByteArray::fromRawData(body.data(), static_cast<qsizetype>(body.size())), &rtf) ==
      kdx_richtext::BodyStatus::unreadable) {
    return std::nullopt;
  }
  return ToStd(rtf);
}

bool CliBodyIsPlain(const std::string& body) {
  EnsureGuiApplication();
  const QByteArray bytes(body.data(), static_cast<qsizetype>(body.size()));
  kdx_richtext::RtfdPackage package;
  const kdx_richtext::BodyStatus unpacked = kdx_richtext::UnpackBody(bytes, &package);
  if (unpacked == kdx_richtext::BodyStatus::empty) return true;
  if (unpacked == kdx_richtext::BodyStatus::unreadable || !package.attachments.isEmpty()) {
    return false;
  }
  QTextDocument document;
  if (kdx_richtext::BodyToDocument(bytes, &document) != kdx_richtext::BodyStatus::ok) return false;
  std::optional<QTextCharFormat> first;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (format.isImageFormat()) return false;
      if (!first) {
        first = format;
      } else if (format != *first) {
        return false;
      }
    }
  }
  return true;
}

void CliEnsureGuiApplication() { EnsureGuiApplication(); }

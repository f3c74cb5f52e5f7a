#include "gui/app/recently_used.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include "core/prefs/pref_file.h"

namespace {

constexpr char kBookmarkNamespace[] = "http://www.freedesktop.org/standards/desktop-bookmarks";
constexpr char kMimeNamespace[] = "http://www.freedesktop.org/standards/shared-mime-info";
constexpr char kApplicationName[] = "Kardinex";
constexpr char kApplicationExec[] = "'kardinex %u'";
constexpr char kDocumentType[] = "application/x-kardinex";

// The first child element of parent named name, made when there is none.
QDomElement ChildElement(QDomDocument& dom, QDomElement parent, const QString& name) {
  QDomElement child = parent.firstChildElement(name);
  if (child.isNull()) child = parent.appendChild(dom.createElement(name)).toElement();
  return child;
}

QDomElement FindBookmark(const QDomElement& root, const QString& href) {
  for (QDomElement e = root.firstChildElement(QStringLiteral("bookmark")); !e.isNull();
       e = e.nextSiblingElement(QStringLiteral("bookmark"))) {
    if (e.attribute(QStringLiteral("href")) == href) return e;
  }
  return {};
}

}  // namespace

QString KdxRecentlyUsedPath() {
  const std::string dataHome = PREF_GetDataHome();
  if (dataHome.empty()) return {};
  return QDir(QString::fromStdString(dataHome)).filePath(QStringLiteral("recently-used.xbel"));
}

bool KdxAddDesktopRecentFile(const QString& file, const QString& xbelPath, const QDateTime& now) {
  if (xbelPath.isEmpty()) return false;
  QDomDocument dom;
  QFile existing(xbelPath);
  if (existing.exists()) {
    if (!existing.open(QIODevice::ReadOnly)) return false;
    // Read with the prefixes as written: the desktop's writers all use these.
    if (!dom.setContent(&existing, false)) return false;
    if (dom.documentElement().tagName() != QStringLiteral("xbel")) return false;
  } else {
    dom.appendChild(dom.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = dom.createElement(QStringLiteral("xbel"));
    root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    dom.appendChild(root);
  }
  QDomElement root = dom.documentElement();
  if (!root.hasAttribute(QStringLiteral("xmlns:bookmark"))) {
    root.setAttribute(QStringLiteral("xmlns:bookmark"), QString::fromLatin1(kBookmarkNamespace));
  }
  if (!root.hasAttribute(QStringLiteral("xmlns:mime"))) {
    root.setAttribute(QStringLiteral("xmlns:mime"), QString::fromLatin1(kMimeNamespace));
  }

  const QString stamp = now.toUTC().toString(Qt::ISODate);
  const QString href =
      QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded());
  QDomElement bookmark = FindBookmark(root, href);
  if (bookmark.isNull()) {
    bookmark = root.appendChild(dom.createElement(QStringLiteral("bookmark"))).toElement();
    bookmark.setAttribute(QStringLiteral("href"), href);
    bookmark.setAttribute(QStringLiteral("added"), stamp);
  }
  bookmark.setAttribute(QStringLiteral("modified"), stamp);
  bookmark.setAttribute(QStringLiteral("visited"), stamp);

  QDomElement info = ChildElement(dom, bookmark, QStringLiteral("info"));
  QDomElement metadata;
  for (QDomElement e = info.firstChildElement(QStringLiteral("metadata")); !e.isNull();
       e = e.nextSiblingElement(QStringLiteral("metadata"))) {
    if (e.attribute(QStringLiteral("owner")) == QStringLiteral("http://freedesktop.org"))
      metadata = e;
  }
  if (metadata.isNull()) {
    metadata = info.appendChild(dom.createElement(QStringLiteral("metadata"))).toElement();
    metadata.setAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
  }
  QDomElement mime = ChildElement(dom, metadata, QStringLiteral("mime:mime-type"));
  mime.setAttribute(QStringLiteral("type"), QString::fromLatin1(kDocumentType));
  QDomElement applications = ChildElement(dom, metadata, QStringLiteral("bookmark:applications"));
  QDomElement application;
  for (QDomElement e = applications.firstChildElement(QStringLiteral("bookmark:application"));
       !e.isNull(); e = e.nextSiblingElement(QStringLiteral("bookmark:application"))) {
    if (e.attribute(QStringLiteral("name")) == QString::fromLatin1(kApplicationName))
      application = e;
  }
  if (application.isNull()) {
    application =
        applications.appendChild(dom.createElement(QStringLiteral("bookmark:application")))
            .toElement();
    application.setAttribute(QStringLiteral("name"), QString::fromLatin1(kApplicationName));
    application.setAttribute(QStringLiteral("exec"), QString::fromLatin1(kApplicationExec));
  }
  application.setAttribute(QStringLiteral("modified"), stamp);
  application.setAttribute(QStringLiteral("count"),
                           application.attribute(QStringLiteral("count")).toLongLong() + 1);

  if (!QDir().mkpath(QFileInfo(xbelPath).absolutePath())) return false;
  QSaveFile out(xbelPath);
  if (!out.open(QIODevice::WriteOnly)) return false;
  out.write(dom.toByteArray(2));
  return out.commit();
}

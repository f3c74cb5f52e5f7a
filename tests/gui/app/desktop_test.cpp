// What the application does for the desktop around it: one instance per user
// that takes the files of later starts, the desktop's recently-used list, and
// colours that read on light and dark palettes.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <cstring>
#include <future>

#include "gui/app/palette_logic.h"
#include "gui/app/recently_used.h"
#include "gui/app/single_instance.h"
#include "support/test_support.h"

namespace {

// A socket file like the one a killed instance leaves: bound, never listened on.
void LeaveDeadSocket(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  close(fd);
}

}  // namespace

TEST(SingleInstanceTest, SecondStartHandsItsFilesOverEvenAfterACrash) {
  kdx_test::TempDir dir;
  const QString name = QString::fromStdString(dir.File("instance"));
  LeaveDeadSocket(name.toStdString());

  KdxSingleInstance running(name);
  ASSERT_TRUE(running.Listen());
  // A third instance must not take the socket of a live one.
  KdxSingleInstance late(name);
  EXPECT_FALSE(late.Listen());

  QSignalSpy received(&running, &KdxSingleInstance::filesReceived);
  // The second start blocks on its socket, as it does before any event loop.
  auto handed = std::async(std::launch::async, [&] {
    return KdxSingleInstance(name).HandOver(
        {QStringLiteral("メモ 1.kdx"), QStringLiteral("/tmp/b.kdx")});
  });
  QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 5000);
  EXPECT_TRUE(handed.get());
  const QStringList paths = received.at(0).at(0).toStringList();
  ASSERT_EQ(paths.size(), 2);
  EXPECT_TRUE(paths[0].startsWith(QLatin1Char('/')));
  EXPECT_TRUE(paths[0].endsWith(QStringLiteral("/メモ 1.kdx")));
  EXPECT_EQ(paths[1], QStringLiteral("/tmp/b.kdx"));
}

TEST(SingleInstanceTest, HandOverMessagesAreReadWholeOrRefused) {
  const QByteArray message = KdxEncodeHandOver({QStringLiteral("/a"), QStringLiteral("/分類/b")});
  QStringList paths;
  EXPECT_EQ(KdxDecodeHandOver(message.left(message.size() - 1), &paths), 0);
  ASSERT_EQ(KdxDecodeHandOver(message, &paths), 1);
  EXPECT_EQ(paths, QStringList({QStringLiteral("/a"), QStringLiteral("/分類/b")}));
  EXPECT_EQ(KdxDecodeHandOver(QByteArray("\x7f\xff\xff\xff", 4), &paths), -1);
  QByteArray wrongTag = message;
  wrongTag[4] = 'X';
  EXPECT_EQ(KdxDecodeHandOver(wrongTag, &paths), -1);
}

TEST(RecentlyUsedTest, AddsAndUpdatesOurBookmarkAndKeepsTheOthers) {
  kdx_test::TempDir dir;
  const QString xbel = QString::fromStdString(dir.File("share/recently-used.xbel"));
  const QString other = QStringLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<xbel version=\"1.0\" "
      "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\""
      " xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">"
      "<bookmark href=\"file:///home/u/photo.png\" added=\"2026-01-01T00:00:00Z\""
      " modified=\"2026-01-01T00:00:00Z\" visited=\"2026-01-01T00:00:00Z\"><info>"
      "<metadata owner=\"http://freedesktop.org\"><mime:mime-type type=\"image/png\"/>"
      "<bookmark:applications><bookmark:application name=\"viewer\" exec=\"&apos;viewer %u&apos;\""
      " modified=\"2026-01-01T00:00:00Z\" count=\"4\"/></bookmark:applications></metadata>"
      "</info></bookmark></xbel>\n");
  QDir().mkpath(QFileInfo(xbel).absolutePath());
  {
    QFile f(xbel);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(other.toUtf8());
  }
  const QString document = QStringLiteral("/home/u/メモ帳 2026.kdx");
  const QDateTime first(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
  ASSERT_TRUE(KdxAddDesktopRecentFile(document, xbel, first));
  ASSERT_TRUE(KdxAddDesktopRecentFile(document, xbel, first.addSecs(60)));

  QFile f(xbel);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QDomDocument dom;
  ASSERT_TRUE(dom.setContent(&f, true));  // well-formed with its namespaces
  const QDomNodeList bookmarks =
      dom.documentElement().elementsByTagName(QStringLiteral("bookmark"));
  ASSERT_EQ(bookmarks.size(), 2);
  const QDomElement photo = bookmarks.at(0).toElement();
  EXPECT_EQ(photo.attribute(QStringLiteral("modified")), QStringLiteral("2026-01-01T00:00:00Z"));
  const QDomElement ours = bookmarks.at(1).toElement();
  EXPECT_EQ(ours.attribute(QStringLiteral("href")),
            QStringLiteral("file:///home/u/%E3%83%A1%E3%83%A2%E5%B8%B3%202026.kdx"));
  EXPECT_EQ(ours.attribute(QStringLiteral("added")), QStringLiteral("2026-12-07T10:00:00Z"));
  EXPECT_EQ(ours.attribute(QStringLiteral("visited")), QStringLiteral("2026-12-07T10:01:00Z"));
  const QDomElement app =
      ours.elementsByTagNameNS(
              QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks"),
              QStringLiteral("application"))
          .at(0)
          .toElement();
  EXPECT_EQ(app.attribute(QStringLiteral("name")), QStringLiteral("Kardinex"));
  EXPECT_EQ(app.attribute(QStringLiteral("count")), QStringLiteral("2"));
  EXPECT_EQ(ours.elementsByTagNameNS(
                    QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"),
                    QStringLiteral("mime-type"))
                .at(0)
                .toElement()
                .attribute(QStringLiteral("type")),
            QStringLiteral("application/x-kardinex"));
}

TEST(RecentlyUsedTest, AListItCannotReadIsLeftAlone) {
  kdx_test::TempDir dir;
  const QString xbel = QString::fromStdString(dir.File("recently-used.xbel"));
  const QByteArray broken("<xbel version=\"1.0\"><bookmark href=\"file:///a\">");
  {
    QFile f(xbel);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(broken);
  }
  EXPECT_FALSE(KdxAddDesktopRecentFile(QStringLiteral("/b.kdx"), xbel));
  QFile f(xbel);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), broken);
}

TEST(PaletteTest, WindowAndLabelColoursReadOnLightAndDarkDesktops) {
  const QColor lightWindow(239, 239, 239), darkWindow(49, 54, 59);
  const QColor lightText(Qt::black), darkText(239, 240, 241);
  EXPECT_EQ(KdxDocumentBackground(lightWindow), QColor(172, 196, 184));
  EXPECT_GE(KdxContrastRatio(KdxDocumentBackground(lightWindow), lightText), 4.5);
  EXPECT_GE(KdxContrastRatio(KdxDocumentBackground(darkWindow), darkText), 4.5);

  const QColor darkBase(35, 38, 41);
  // A stored colour is shown as it is where it reads.
  EXPECT_EQ(KdxLabelTextColor(QColor(255, 0, 0), QColor(Qt::white)), QColor(255, 0, 0));
  for (const QColor label : {QColor(Qt::black), QColor(0, 0, 139), QColor(128, 0, 0)}) {
    const QColor shown = KdxLabelTextColor(label, darkBase);
    EXPECT_GE(KdxContrastRatio(shown, darkBase), 4.5) << label.name().toStdString();
    if (label.hslHue() >= 0) {
      EXPECT_EQ(shown.hslHue(), label.hslHue()) << label.name().toStdString();
    }
  }
}

// Long operations on a worker: the dialog closes however quickly the work
// ends, cancel reaches the worker as a flag, the lists read nothing from the
// document while the worker has it, and a drop on the entry list imports.
#include "gui/app/progress_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <thread>

#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/entry_window.h"
#include "gui/app/kdx_application.h"
#include "gui_test.h"
#include "support/test_document.h"

namespace {

class ProgressTest : public GuiTest {
 protected:
  void SetUp() override {
    path_ = dir_.File("work.kdx");
    kdx_test::TestDocument doc(path_);
    doc.Add("一");
    doc.Add("二");
    doc.Save();
  }

  std::string path_;
};

TEST_F(ProgressTest, WorkThatEndsAtOnceStillClosesTheDialog) {
  KdxDocument* window = app_.OpenDocument(QString::fromStdString(path_));
  ASSERT_NE(window, nullptr);
  const KdxTransferResult result =
      KdxWorkerRun(window, window->session(), "…",
                   [](const KdxTransferProgress&) { return KdxTransferResult{}; });
  EXPECT_EQ(result.succeeded, 0);
  EXPECT_FALSE(window->session().busy());
}

TEST_F(ProgressTest, CancelReachesTheWorkerOnceAndTheListIsNotReadMeanwhile) {
  KdxDocument* window = app_.OpenDocument(QString::fromStdString(path_));
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  window->repaint();
  const int64_t before = window->entryModel()->documentReads();
  ASSERT_GT(before, 0);

  std::atomic<bool> released{false};
  int64_t duringWork = -1;
  bool busyDuringWork = false;
  QString counterSeen;
  const KdxTransferResult result = KdxWorkerRun(
      window, window->session(), "…",
      [&](const KdxTransferProgress& progress) {
        KdxTransferResult r;
        progress.Item("一.txt", 0, 3);
        while (!released.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        while (!progress.IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        r.cancelled = true;
        return r;
      },
      [&](ProgressDlg& dialog) {
        busyDuringWork = window->session().busy();
        window->entryList()->viewport()->repaint();
        (void)window->grab();
        duringWork = window->entryModel()->documentReads();
        // The worker's first item arrives, however busy the machine is (a
        // counter that never shows it fails below after the wait).
        const QLabel* counter = dialog.findChild<QLabel*>(QStringLiteral("m_StaticCounter"));
        (void)QTest::qWaitFor([counter] { return counter->text() == QStringLiteral("1/3"); }, 5000);
        counterSeen = counter->text();
        auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("m_ButtonCancel"));
        cancel->click();
        EXPECT_FALSE(cancel->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Escape);  // cancelling again changes nothing
        EXPECT_TRUE(dialog.isVisible());
        released = true;
      });
  EXPECT_TRUE(busyDuringWork);
  EXPECT_EQ(duringWork, before);
  EXPECT_EQ(counterSeen, QStringLiteral("1/3"));
  EXPECT_TRUE(result.cancelled);
  EXPECT_FALSE(window->session().busy());
}

TEST_F(ProgressTest, FilesDroppedOnTheEntryListAreImportedWithTheBrowsersCategories) {
  KdxDocument* window = app_.OpenDocument(QString::fromStdString(path_));
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  const std::string a = dir_.File("会議.txt");
  const std::string b = dir_.File("メモ.txt");
  kdx_test::WriteAll(a, std::string("議事録の本文"));
  kdx_test::WriteAll(b, std::string("覚え書き"));

  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)),
                QUrl::fromLocalFile(QString::fromStdString(b)),
                QUrl(QStringLiteral("https://example.invalid/x.txt"))});
  QWidget* viewport = window->entryList()->viewport();
  const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &drop);
  EXPECT_TRUE(drop.isAccepted());
  QTRY_COMPARE(window->entryList()->model()->rowCount(), 4);
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("4"));
  // Nothing failed: nothing to say, and of two new entries no window opens.
  EXPECT_TRUE(alerts_.empty());
  EXPECT_TRUE(window->entryWindows()->windows().empty());

  // Saved: the document on disk holds them.
  Close(window);
  kdx_test::TestDocument reread(path_);
  EXPECT_EQ(reread.Count(), 4);
}

TEST(ImportReport, CountsFailuresAndNamesTheFirstFive) {
  KdxTransferResult result;
  result.succeeded = 3;
  for (int i = 0; i < 7; ++i) result.Fail("f" + std::to_string(i), "cannot be read");
  const std::string text = KdxImportReportText(result);
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "3 件のファイルを取り込みました。7 件のファイルを取り込めませんでした。");
  EXPECT_NE(text.find("f4: cannot be read"), std::string::npos);
  EXPECT_EQ(text.find("f5"), std::string::npos);
}

}  // namespace

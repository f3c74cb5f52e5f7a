// The fixture of the window tests: a controller that does not bring the
// start-up dialog back, alerts answered and recorded instead of shown, a
// private folder for documents, and every window closed at the end.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <string>
#include <vector>

#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/kdx_application.h"
#include "support/test_support.h"

class GuiTest : public ::testing::Test {
 protected:
  GuiTest() {
    app_.setStartupWhenEmpty(false);
    KdxSetAlertHookForTest([this](KdxAlertKind, const QString& text) {
      alerts_.push_back(text.toStdString());
      return answer_;
    });
  }
  ~GuiTest() override {
    KdxSetAlertHookForTest({});
    CloseAll();
  }

  // Opens path through the controller and waits for its window.
  KdxDocument* Open(const std::string& path) {
    KdxDocument* window = app_.OpenDocument(QString::fromStdString(path));
    if (window != nullptr) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    return window;
  }
  // Closes a window as the user does; the document is saved and released.
  static void Close(KdxDocument* window) {
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  void CloseAll() {
    for (KdxDocument* window : std::vector<KdxDocument*>(app_.documents())) window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  kdx_test::TempDir dir_;
  KdxApplication app_;
  std::vector<std::string> alerts_;
  int answer_ = 1;  // OK, はい
};

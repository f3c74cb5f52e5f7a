// The fixture of the window tests: a controller that does not bring the
// start-up dialog back, alerts answered and recorded instead of shown, a
// private folder for documents, and every window closed at the end.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_window.h"
#include "gui/app/kdx_application.h"
#include "richtext/body_format.h"
#include "support/test_document.h"
#include "support/test_support.h"

// Saves the widget's picture as NAME.png in the folder KDX_SCREENSHOTS names.
inline void Shoot(QWidget* widget, const QString& name) {
  if (const char* shots = std::getenv("KDX_SCREENSHOTS")) {
    widget->grab().save(QString::fromUtf8(shots) + "/" + name + ".png");
  }
}

// Adds an entry whose body and text are text, as the entry window saves them.
inline KDX_ENTRY AddTextEntry(kdx_test::TestDocument& doc, const std::string& title,
                              const QString& text, bool encrypted = false) {
  const QByteArray body = kdx_richtext::KDXCOMM_ConvertTextToRtfd(text, {}, 0);
  const std::string plain = text.toStdString();
  return doc.Add(title,
                 {std::string_view(body.constData(), static_cast<size_t>(body.size())), plain, ""},
                 encrypted);
}

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
  // Opens the entry's window from document and waits for it.
  static EntryWindow* ShowEntry(KdxDocument* document, int32_t id) {
    document->entryWindows()->OpenEntries({id});
    EntryWindow* window = document->entryWindows()->Find(id);
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

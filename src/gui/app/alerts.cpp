#include "gui/app/alerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "core/util/vell_log.h"
#include "gui/app/localization.h"

namespace {

KdxAlertHook& Hook() {
  static KdxAlertHook hook;
  return hook;
}

bool& DeferredPending() {
  static bool pending = false;
  return pending;
}

// A box titled with the application's name, the message as informative text.
void Prepare(QMessageBox& box, const QString& text, const QString& heading = {}) {
  box.setWindowTitle(QStringLiteral("Kardinex"));
  box.setText(heading);
  box.setInformativeText(text);
}

void ShowSystemBox(QWidget* parent, const QString& text) {
  QMessageBox box(parent);
  box.setIcon(QMessageBox::Warning);
  Prepare(box, text, QStringLiteral("KDX_SystemError!!"));
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.exec();
}

void LogText(const QString& text) { Vell_SystemErrorLog("%s\r\n", text.toUtf8().constData()); }

}  // namespace

void KdxSetAlertHookForTest(KdxAlertHook hook) { Hook() = std::move(hook); }

void KDXCOMM_AlertOK(QWidget* parent, const QString& text) {
  if (Hook()) {
    Hook()(KdxAlertKind::kOk, text);
    return;
  }
  QMessageBox box(parent);
  Prepare(box, text);
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.exec();
}

int KDXCOMM_AlertOkCancel(QWidget* parent, const QString& text) {
  if (text.isEmpty()) return 2;
  if (Hook()) return Hook()(KdxAlertKind::kOkCancel, text);
  QMessageBox box(parent);
  Prepare(box, text);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(KdxText("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == ok) return 1;
  if (box.clickedButton() == cancel) return 2;
  return -1;
}

int KDXCOMM_AlertYesNo(QWidget* parent, const QString& text) {
  if (Hook()) return Hook()(KdxAlertKind::kYesNo, text);
  QMessageBox box(parent);
  Prepare(box, text);
  QPushButton* no = box.addButton(KdxText("いいえ"), QMessageBox::NoRole);
  QPushButton* yes = box.addButton(KdxText("はい"), QMessageBox::YesRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  if (box.clickedButton() == yes) return 1;
  if (box.clickedButton() == no) return 2;
  return -1;
}

void KDXCOMM_SystemAlert(QWidget* parent, const QString& text) {
  LogText(text);
  if (Hook()) {
    Hook()(KdxAlertKind::kSystem, text);
    return;
  }
  ShowSystemBox(parent, text);
}

void KdxDeferSystemAlert(const QString& text) {
  if (DeferredPending()) {
    LogText(text);
    return;
  }
  DeferredPending() = true;
  LogText(text);
  QTimer::singleShot(0, qApp, [text] {
    DeferredPending() = false;
    if (Hook()) {
      Hook()(KdxAlertKind::kSystem, text);
      return;
    }
    ShowSystemBox(QApplication::activeWindow(), text);
  });
}

void KdxBeep() { QApplication::beep(); }

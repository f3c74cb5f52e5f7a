// The progress dialog of a long operation and the one way to run such an
// operation: on a worker thread, with the document busy, the dialog modal
// until the worker is done.
//
// The worker never touches a widget: what it reports reaches the dialog
// through the main thread (a blocking queued call), the cancel button sets an
// atomic flag the worker polls, and the end of the modal run is a queued call
// so that it is seen even when the worker finished before the run began.
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>

#include "core/session/kdx_session.h"
#include "transfer/transfer_progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

class ProgressDlg : public QDialog {
  Q_OBJECT

 public:
  explicit ProgressDlg(QWidget* parent = nullptr);

  void SetMessage(const QString& text);
  // The item being worked on, elided in the middle.
  void SetFuncName(const QString& text);
  void SetCounter(int64_t done, int64_t total);
  void SetProgressMaximumValue(int64_t maximum);
  void SetProgressSetValue(int64_t value);
  // A bar without an end while the amount of work is not known.
  void SetProgressIndeterminate(bool on);

  bool cancelled() const { return cancelled_.load(std::memory_order_acquire); }
  const std::atomic<bool>& cancelFlag() const { return cancelled_; }

 public slots:
  void OnCancel();

 protected:
  // Esc and the window's close button cancel; only the operation's end closes.
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* message_;
  QLabel* item_;
  QLabel* counter_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  QString itemText_;
  std::atomic<bool> cancelled_{false};
};

// Runs work on a worker thread with the session marked busy and the progress
// dialog modal over parent, and returns what the work returned once the
// dialog is closed. work gets a progress whose phase, item and cancelled
// callbacks drive the dialog; it may use the session (it has it alone).
// hook, when given, runs on the main thread once the dialog is up (tests use
// it to act while the worker runs).
using KdxWork = std::function<KdxTransferResult(const KdxTransferProgress& progress)>;
[[nodiscard]] KdxTransferResult KdxWorkerRun(QWidget* parent, KdxSession& session,
                                             const QString& firstMessage, const KdxWork& work,
                                             const std::function<void(ProgressDlg&)>& hook = {});

// The counts of an operation as one line: "取り込み" gives
// "%ld 件のファイルを取り込みました。" and, when some failed,
// "%ld 件のファイルを取り込めませんでした。" after it; the first failures'
// items and reasons follow, one a line, at most five.
[[nodiscard]] std::string KdxImportReportText(const KdxTransferResult& result);
// The same for any operation: doneFormat and failedFormat are the keys of the
// two counts' texts.
[[nodiscard]] std::string KdxTransferReportText(const KdxTransferResult& result,
                                                const char* doneFormat, const char* failedFormat);

#include "gui/app/progress_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <memory>

#include "gui/app/localization.h"

namespace {

constexpr size_t kReportedFailures = 5;
constexpr std::chrono::milliseconds kShownEvery{50};

// Runs fn on the dialog's (main) thread and waits for it; a plain call when
// already there.
template <class Fn>
void OnMainThread(ProgressDlg* dialog, Fn&& fn) {
  if (QThread::currentThread() == dialog->thread()) {
    fn();
  } else {
    QMetaObject::invokeMethod(dialog, std::forward<Fn>(fn), Qt::BlockingQueuedConnection);
  }
}

}  // namespace

ProgressDlg::ProgressDlg(QWidget* parent)
    : QDialog(parent),
      message_(new QLabel(this)),
      item_(new QLabel(this)),
      counter_(new QLabel(QStringLiteral("0/0"), this)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(KdxText("キャンセル"), this)) {
  setWindowTitle(QStringLiteral("Kardinex"));
  setWindowModality(Qt::ApplicationModal);
  message_->setObjectName(QStringLiteral("m_StaticMessage"));
  item_->setObjectName(QStringLiteral("m_StaticFunctionName"));
  item_->setMinimumWidth(360);
  counter_->setObjectName(QStringLiteral("m_StaticCounter"));
  cancel_->setObjectName(QStringLiteral("m_ButtonCancel"));
  bar_->setTextVisible(false);
  bar_->setRange(0, 1);
  bar_->setValue(0);
  connect(cancel_, &QPushButton::clicked, this, &ProgressDlg::OnCancel);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(counter_, 1);
  bottom->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(message_);
  layout->addWidget(item_);
  layout->addWidget(bar_);
  layout->addLayout(bottom);
}

void ProgressDlg::SetMessage(const QString& text) {
  message_->setText(text);
  message_->repaint();
}

void ProgressDlg::SetFuncName(const QString& text) {
  itemText_ = text;
  item_->setText(item_->fontMetrics().elidedText(text, Qt::ElideMiddle, item_->width()));
  item_->repaint();
}

void ProgressDlg::SetCounter(int64_t done, int64_t total) {
  counter_->setText(QStringLiteral("%1/%2").arg(done).arg(total));
  counter_->repaint();
}

void ProgressDlg::SetProgressMaximumValue(int64_t maximum) {
  bar_->setRange(0, static_cast<int>(std::clamp<int64_t>(maximum, 1, INT32_MAX)));
}

void ProgressDlg::SetProgressSetValue(int64_t value) {
  bar_->setValue(static_cast<int>(std::clamp<int64_t>(value, 0, bar_->maximum())));
  bar_->repaint();
}

void ProgressDlg::SetProgressIndeterminate(bool on) {
  if (on) {
    bar_->setRange(0, 0);
  } else if (bar_->maximum() == 0) {
    bar_->setRange(0, 1);
  }
}

void ProgressDlg::OnCancel() {
  if (cancelled_.exchange(true, std::memory_order_acq_rel)) return;
  itemText_.clear();
  item_->clear();
  SetMessage(KdxText("中止しています..."));
  cancel_->setEnabled(false);
}

void ProgressDlg::reject() { OnCancel(); }

void ProgressDlg::closeEvent(QCloseEvent* event) {
  OnCancel();
  event->ignore();
}

KdxTransferResult KdxWorkerRun(QWidget* parent, KdxSession& session, const QString& firstMessage,
                               const KdxWork& work, const std::function<void(ProgressDlg&)>& hook) {
  ProgressDlg dialog(parent);
  dialog.SetMessage(firstMessage);
  dialog.SetProgressIndeterminate(true);
  ProgressDlg* d = &dialog;
  KdxTransferProgress progress;
  progress.phase = [d](const std::string& message) {
    OnMainThread(d, [d, message] {
      d->SetMessage(KdxText(message.c_str()));
      d->SetProgressIndeterminate(true);
    });
  };
  // The dialog is brought up to date at most every kShownEvery and at the last
  // item: a wait for the main thread per item would slow a long run of small
  // items down several times over.
  auto lastShown = std::make_shared<std::chrono::steady_clock::time_point>();
  progress.item = [d, lastShown](const std::string& item, int64_t done, int64_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (now - *lastShown < kShownEvery && done + 1 != total) return;
    *lastShown = now;
    OnMainThread(d, [d, item, done, total] {
      if (d->cancelled()) return;
      d->SetFuncName(QString::fromStdString(item));
      d->SetCounter(done + 1, total);
      if (total > 0) {
        d->SetProgressMaximumValue(total);
        d->SetProgressSetValue(done + 1);
      } else {
        d->SetProgressIndeterminate(true);
      }
    });
  };
  progress.cancelled = [d] { return d->cancelled(); };

  KdxTransferResult result;
  {
    KdxSession::BusyScope busy(session);
    std::unique_ptr<QThread> worker(QThread::create([&] {
      result = work(progress);
      // Queued, so that the modal run sees it even when it has not begun yet.
      QMetaObject::invokeMethod(
          d, [d] { d->done(QDialog::Accepted); }, Qt::QueuedConnection);
    }));
    worker->start();
    if (hook) QTimer::singleShot(0, d, [&hook, d] { hook(*d); });
    dialog.exec();
    worker->wait();
  }
  return result;
}

std::string KdxTransferReportText(const KdxTransferResult& result, const char* doneFormat,
                                  const char* failedFormat) {
  std::string text = KdxFillFormat(KdxTextUtf8(doneFormat), {std::to_string(result.succeeded)});
  if (result.failed > 0) {
    text += KdxFillFormat(KdxTextUtf8(failedFormat), {std::to_string(result.failed)});
  }
  for (size_t i = 0; i < result.failures.size() && i < kReportedFailures; ++i) {
    text += "\n" + result.failures[i].item + ": " + result.failures[i].reason;
  }
  return text;
}

std::string KdxImportReportText(const KdxTransferResult& result) {
  return KdxTransferReportText(result, "%ld 件のファイルを取り込みました。",
                               "%ld 件のファイルを取り込めませんでした。");
}

#include "gui/app/conversion.h"

#include "core/document/kdx_file.h"
#include "core/prefs/pref_file.h"
#include "core/session/kdx_backup.h"
#include "core/util/vell_file.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/localization.h"
#include "gui/app/progress_dialog.h"
#include "transfer/document_conversion.h"

namespace {

std::function<void(ProgressDlg&)>& TestHook() {
  static std::function<void(ProgressDlg&)> hook;
  return hook;
}

}  // namespace

void KdxSetConversionHookForTest(std::function<void(ProgressDlg&)> hook) {
  TestHook() = std::move(hook);
}

bool KdxAskToConvert(QWidget* parent) {
  return KDXCOMM_AlertYesNo(parent, KdxText(kKdxMsgConvertQuestion)) == 1;
}

bool KdxBackupBeforeConversion(const std::string& path, std::string* backupPath) {
  if (KDX_BackupForConversion(path, backupPath)) return true;
  KDXCOMM_AlertOK(nullptr, KdxText(kKdxMsgBackupFailed));
  return false;
}

QString KdxConversionEndText(bool cancelled, int64_t bodyFailures, const std::string& backupPath,
                             bool restored) {
  const std::string name = Vell_GetFileName(backupPath);
  QString text = cancelled ? KdxTextFormat(kKdxMsgConversionCancelled, {name})
                 : bodyFailures > 0
                     ? KdxTextFormat(kKdxMsgConversionFailures, {std::to_string(bodyFailures)})
                     : KdxText(kKdxMsgCannotSave);
  if (!restored) text += "\n" + KdxTextFormat(kKdxMsgRestoreFailed, {backupPath});
  return text;
}

bool KdxConvertShownDocument(KdxDocument* window, const std::string& backupPath) {
  KdxSession& session = window->session();
  const std::string path = session.path();
  const int32_t expandSize = PREF_ReadExpandSize();
  const KdxTransferResult result = KdxWorkerRun(
      window, session, KdxText(kKdxMsgConverting),
      [&](const KdxTransferProgress& progress) {
        return KDX_ConvertDocument(session, expandSize, progress);
      },
      TestHook());
  if (!result.cancelled && result.failed == 0) {
    window->ReloadMainListBoxes();
    window->raise();
    window->activateWindow();
    return true;
  }
  int64_t bodyFailures = 0;  // the rest is the save
  for (const KdxTransferFailure& failure : result.failures) {
    if (failure.item != path) ++bodyFailures;
  }
  const bool restored = KDX_AbandonConversion(session, backupPath);
  KDXCOMM_AlertOK(window,
                  KdxConversionEndText(result.cancelled, bodyFailures, backupPath, restored));
  window->close();
  return false;
}

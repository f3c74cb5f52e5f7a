// The document window's commands that make entries, switch their encryption
// or work on the file itself: 新規文章, 暗号化 / 暗号解除, パスワード…,
// すべての文章ウインドウを閉じる, 検索フィールドへ and 書類を圧縮….
#include <QAction>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>

#include "core/content/password.h"
#include "core/content/password_store.h"
#include "core/session/entry_commands.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/command_logic.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_list_commands.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/entry_window.h"
#include "gui/app/localization.h"
#include "gui/app/password_dialog.h"
#include "gui/app/progress_dialog.h"

namespace {

// Keeps Esc and the window's close button from asking a progress dialog to
// cancel an operation that cannot stop half-way.
class KdxNoCancelFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close) {
      event->ignore();
      return true;
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

void KdxDocument::BuildEntryCommandMenus(QMenu* file) {
  auto* entries = menuBar()->findChild<QMenu*>(QStringLiteral("EntryMenu"));
  auto* document = menuBar()->findChild<QMenu*>(QStringLiteral("DocumentMenu"));

  auto* newEntry = new QAction(KdxText("新規文章"), this);
  newEntry->setObjectName(QStringLiteral("NewEntry"));
  newEntry->setShortcut(QKeySequence::New);
  connect(newEntry, &QAction::triggered, this, &KdxDocument::NewEntry);
  QAction* first = entries->actions().value(0);
  entries->insertAction(first, newEntry);
  entries->insertSeparator(first);

  entries->addSeparator();
  QAction* encrypt = entries->addAction(KdxText("暗号化"));
  encrypt->setObjectName(QStringLiteral("EncryptON"));
  connect(encrypt, &QAction::triggered, this, &KdxDocument::EncryptON);
  QAction* decrypt = entries->addAction(KdxText("暗号解除"));
  decrypt->setObjectName(QStringLiteral("EncryptOFF"));
  connect(decrypt, &QAction::triggered, this, &KdxDocument::EncryptOFF);
  selectionActions_.push_back(encrypt);
  selectionActions_.push_back(decrypt);

  document->addSeparator();
  QAction* password = document->addAction(KdxText("パスワード…"));
  password->setObjectName(QStringLiteral("PasswordSetting"));
  connect(password, &QAction::triggered, this, &KdxDocument::PasswordSetting);

  // In the file menu, after 閉じる.
  QAction* quitSeparator = nullptr;
  const QList<QAction*> items = file->actions();
  for (qsizetype i = items.size() - 1; i >= 0 && quitSeparator == nullptr; --i) {
    if (items[i]->isSeparator()) quitSeparator = items[i];
  }
  auto* closeAll = new QAction(KdxText("すべての文章ウインドウを閉じる"), this);
  closeAll->setObjectName(QStringLiteral("CloseAllEntryWindow"));
  closeAll->setShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+W")));
  connect(closeAll, &QAction::triggered, this, &KdxDocument::CloseAllEntryWindow);
  auto* compact = new QAction(KdxText("書類を圧縮…"), this);
  compact->setObjectName(QStringLiteral("CompactDocument"));
  connect(compact, &QAction::triggered, this, &KdxDocument::CompactDocument);
  file->insertAction(quitSeparator, closeAll);
  file->insertSeparator(quitSeparator);
  file->insertAction(quitSeparator, compact);
  connect(file, &QMenu::aboutToShow, this, &KdxDocument::UpdateMenuState);

  for (QAction* action : {newEntry, password, closeAll, compact}) {
    documentActions_.push_back(action);
  }
  for (const char* name : {"ShowFindWindow", "ClearSearchHistory"}) {
    if (QAction* action = commandAction(name)) documentActions_.push_back(action);
  }
}

void KdxDocument::NewEntry() {
  if (session_.busy() || !session_.writable()) return;
  entryList()->clearSelection();
  const std::array<std::string, 3> categories{selection_.name[0], selection_.name[1],
                                              selection_.name[2]};
  KDX_ENTRY entry{};
  const KdxChangeResult made =
      KDXCOMM_CreateNewEntry(session_, KDXCOMM_ReadNewEntryPrefs(), categories, &entry);
  if (made != KdxChangeResult::kOk) {
    KDXCOMM_SystemAlert(this, QStringLiteral("[-1] NewEntry"));
    ReloadMainListBoxes();
    return;
  }
  // Its window stamps the last-opened date into the record.
  if (entryWindows_->Open(&entry) != nullptr) (void)session_.UpdateEntry(entry);
  (void)SaveOrAlert();
  ReloadMainListBoxes();
  const QModelIndexList rows = entryList()->selectionModel()->selectedRows();
  if (!rows.isEmpty()) entryList()->scrollTo(rows.front());
}

void KdxDocument::EncryptON() { SetEncryptSelected(true); }

void KdxDocument::EncryptOFF() { SetEncryptSelected(false); }

void KdxDocument::SetEncryptSelected(bool encrypt) {
  std::vector<int32_t> ids;
  for (const KDX_ENTRY& entry : KdxSelectedEntries(this)) ids.push_back(entry.en_id);
  SetEncryptEntries(ids, encrypt, this);
}

void KdxDocument::SetEncryptEntries(const std::vector<int32_t>& ids, bool encrypt,
                                    QWidget* parent) {
  if (session_.busy() || !session_.writable() || ids.empty()) return;
  // What their windows hold goes in first, in the form it has now.
  for (const int32_t id : ids) {
    if (EntryWindow* open = entryWindows_->Find(id)) open->autoSaveEntry();
  }
  const std::string working =
      KdxTextUtf8(encrypt ? "文章を暗号化しています..." : "文章を暗号解除しています...");
  const std::string saving = KdxTextUtf8("ファイルを保存しています...");
  KdxEncryptEntriesResult switched;
  bool saveFailed = false;
  (void)KdxWorkerRun(parent, session_, KdxText("ファイルを検索しています..."),
                     [&](const KdxTransferProgress& progress) {
                       progress.Phase(working);
                       switched = KDXCOMM_SetEncryptEntries(session_, ids, encrypt,
                                                            {progress.item, progress.cancelled});
                       progress.Phase(saving);
                       saveFailed = session_.Save() != 0;
                       return KdxTransferResult{};
                     });
  ReloadMainListBoxes();
  entryWindows_->UpdateAll();  // their lock marks
  parent->raise();
  if (saveFailed) KDXCOMM_AlertOK(parent, KdxText(kKdxMsgCannotSave));
  const std::string report = KdxEncryptReportText(encrypt, switched.failed);
  if (!report.empty()) KDXCOMM_AlertOK(parent, QString::fromStdString(report));
}

void KdxDocument::PasswordSetting() {
  if (session_.busy() || !session_.writable()) return;
  char current[kKdxPasswordFieldSize] = {};
  // A stored value that does not read back is offered as no password.
  if (KDXCOMM_GetPassword(session_.data().envAry, current, sizeof current) < 0) current[0] = 0;
  PasswordDlg dialog(KdxText(kKdxNewPasswordPrompt), QString::fromUtf8(current), this);
  if (dialog.exec() != QDialog::Accepted) return;
  switch (KDXCOMM_StorePassword(session_, dialog.password())) {
    case KdxPasswordStore::kStored:
      break;
    case KdxPasswordStore::kNotStored:
      KDXCOMM_AlertOK(this, KdxText("パスワードを設定できませんでした。"));
      break;
    case KdxPasswordStore::kNotSaved:
      KDXCOMM_AlertOK(this, KdxText(kKdxMsgCannotSave));
      break;
  }
}

void KdxDocument::ShowFindWindow() {
  activateWindow();
  searchField_->setFocus();
  searchField_->selectAll();
}

void KdxDocument::CloseAllEntryWindow() {
  if (session_.busy()) return;
  entryWindows_->CloseAll();
}

void KdxDocument::CompactDocument() {
  if (session_.busy() || !session_.writable()) return;
  // Only a saved document is compacted: the windows' edits and the tables first.
  for (EntryWindow* window : std::vector<EntryWindow*>(entryWindows_->windows())) {
    window->autoSaveEntry();
  }
  if (!SaveOrAlert()) return;
  KdxCompactReport report;
  KdxCompactResult result = KdxCompactResult::kNotWritable;
  (void)KdxWorkerRun(
      this, session_, KdxText("書類を圧縮しています..."),
      [&](const KdxTransferProgress&) {
        result = session_.Compact(&report);
        return KdxTransferResult{};
      },
      [](ProgressDlg& dialog) {
        // The copy cannot stop half-way; the file stays as it was until the end.
        if (auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("m_ButtonCancel"))) {
          cancel->setEnabled(false);
        }
        dialog.installEventFilter(new KdxNoCancelFilter(&dialog));
      });
  const QString text = QString::fromStdString(KdxCompactReportText(result, report));
  if (!session_.isOpen()) {
    // The file was replaced but could not be taken up again: nothing to show.
    KDXCOMM_AlertOK(this, text);
    entryWindows_->CloseAll();
    close();
    return;
  }
  ReloadMainListBoxes();
  entryWindows_->UpdateAll();
  KDXCOMM_AlertOK(this, text);
}

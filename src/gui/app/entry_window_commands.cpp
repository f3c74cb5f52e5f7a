#include "gui/app/entry_window_commands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <cstring>
#include <string>

#include "core/content/entry_copy.h"
#include "core/document/color_label.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_encoding.h"
#include "core/util/vell_log.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_window.h"
#include "gui/app/entry_window_logic.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/label_dialog.h"
#include "gui/app/localization.h"
#include "gui/app/window_order.h"
#include "transfer/export_files.h"

namespace {

constexpr char kEntryKind[] = "文章";
constexpr char kMsgCopyFailed[] = "%ld 件の文章を複製できませんでした。";
constexpr char kMsgExportFailed[] = "「%s」を書き出せませんでした。";
constexpr char kMsgEncryptFailed[] = "%ld 件の文章を暗号化できませんでした。";
constexpr char kMsgDecryptFailed[] = "%ld 件の文章を暗号解除できませんでした。";

// The commands handed to the document window, by its action names.
constexpr std::pair<const char*, const char*> kForwarded[] = {
    {"NewEntry", "新規文章"},
    {"findAll", "全文検索…"},
};

std::string TitleOf(const KDX_ENTRY& entry) {
  return std::string(entry.en_title, strnlen(entry.en_title, sizeof entry.en_title));
}

std::optional<KdxWindowRect> FrameOf(const QWidget* window) {
  if (window == nullptr || !window->isVisible()) return std::nullopt;
  return KdxWindowRect{window->x(), window->y(), window->x() + window->width(),
                       window->y() + window->height()};
}

}  // namespace

KdxEntryMenuState KdxGetEntryMenuState(const KDX_ENTRY* entry, bool busy, bool bodyFocused) {
  KdxEntryMenuState state;
  if (busy) return state;
  if (entry == nullptr) {
    state.missing = true;
    return state;
  }
  state.enabled = true;
  state.checkedLabel = entry->en_co_id;
  state.encrypt = entry->en_encrypt != 1;
  state.decrypt = entry->en_encrypt == 1;
  state.bodyCommands = bodyFocused;
  state.checkedTurn = entry->en_turn == 1 || entry->en_turn == 3 ? entry->en_turn : 2;
  return state;
}

KdxWindowRect KdxCopyWindowFrame(const KDX_ENTRY& source, int32_t defaultWidth,
                                 int32_t defaultHeight, const std::optional<KdxWindowRect>& front,
                                 int32_t screenWidth, int32_t screenHeight) {
  KdxWindowRect rect =
      KdxStoredEntryFrame(source).value_or(KdxWindowRect{0, 0, defaultWidth, defaultHeight});
  (void)KDXCOMM_CalcInitialWindowBounds(rect.width(), rect.height(), front, screenWidth,
                                        screenHeight, &rect);
  return rect;
}

KdxEntryCommands::KdxEntryCommands(EntryWindow* window, QMenu* fileMenu)
    : QObject(window), window_(window) {
  auto add = [this](QMenu* menu, const char* title, const char* name) {
    QAction* action = menu->addAction(KdxText(title));
    action->setObjectName(QString::fromLatin1(name));
    entryActions_.push_back(action);
    return action;
  };

  QAction* first = fileMenu->actions().isEmpty() ? nullptr : fileMenu->actions().front();
  for (const auto& [name, title] : kForwarded) {
    auto* action = new QAction(KdxText(title), fileMenu);
    action->setObjectName(QString::fromLatin1(name));
    fileMenu->insertAction(first, action);
    forwarded_.emplace_back(action, name);
    connect(action, &QAction::triggered, this, [this, name] { Forward(name); });
  }
  forwarded_.front().first->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
  forwarded_.back().first->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F")));
  fileMenu->insertSeparator(first);
  fileMenu->addSeparator();
  QAction* closeAll = fileMenu->addAction(KdxText("すべての文章ウインドウを閉じる"));
  closeAll->setObjectName(QStringLiteral("CloseAllEntryWindow"));
  closeAll->setShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+W")));
  connect(closeAll, &QAction::triggered, this, &KdxEntryCommands::CloseAllEntryWindow);
  idleActions_.push_back(closeAll);
  fileMenu->addSeparator();
  connect(add(fileMenu, "書き出し…", "ExportFile"), &QAction::triggered, this,
          &KdxEntryCommands::ExportFile);

  QMenu* entries = window->menuBar()->addMenu(KdxMenuTitle(KdxText("文章"), 'T'));
  QMenu* labels = entries->addMenu(KdxText("ラベル"));
  auto* group = new QActionGroup(labels);
  for (int label = 0; label < kKdxColorLabelCount; ++label) {
    QAction* item =
        add(labels, "", QStringLiteral("setColorLabelName_%1").arg(label).toLatin1().constData());
    item->setCheckable(true);
    item->setActionGroup(group);
    item->setShortcut(QKeySequence(QStringLiteral("Ctrl+%1").arg(label)));
    // The group checked the item already; the entry says which is checked.
    connect(item, &QAction::triggered, this, [this, label] {
      setColorLabelName(label);
      validateMenuItem();
    });
    labels_[static_cast<size_t>(label)] = item;
  }
  connect(labels, &QMenu::aboutToShow, this, &KdxEntryCommands::RefreshLabels);
  connect(add(entries, "ラベルの編集…", "labelEdit"), &QAction::triggered, this,
          &KdxEntryCommands::labelEdit);
  entries->addSeparator();
  QAction* copy = add(entries, "複製", "CopyEntry");
  copy->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
  connect(copy, &QAction::triggered, this, &KdxEntryCommands::CopyEntry);
  connect(add(entries, "削除…", "DeleteEntry"), &QAction::triggered, this,
          &KdxEntryCommands::DeleteEntry);
  entries->addSeparator();
  encrypt_ = add(entries, "暗号化", "EncryptON");
  connect(encrypt_, &QAction::triggered, this, &KdxEntryCommands::EncryptON);
  decrypt_ = add(entries, "暗号解除", "EncryptOFF");
  connect(decrypt_, &QAction::triggered, this, &KdxEntryCommands::EncryptOFF);

  QMenu* windows = window->menuBar()->addMenu(KdxMenuTitle(KdxText("ウインドウ"), 'W'));
  QAction* main = windows->addAction(KdxText("書類ウインドウを表示"));
  main->setObjectName(QStringLiteral("showMainWindow"));
  main->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+M")));
  connect(main, &QAction::triggered, this, &KdxEntryCommands::showMainWindow);

  for (QMenu* menu : {fileMenu, entries, windows}) {
    connect(menu, &QMenu::aboutToShow, this, &KdxEntryCommands::validateMenuItem);
  }
  // Shortcuts obey the same rules as the menus: the state follows the focus.
  connect(qApp, &QApplication::focusChanged, this, [this] {
    if (window_->isVisible()) validateMenuItem();
  });
  RefreshLabels();
}

QAction* KdxEntryCommands::action(const char* name) const {
  return window_->findChild<QAction*>(QString::fromLatin1(name));
}

void KdxEntryCommands::validateMenuItem() {
  KdxDocument* document = window_->document();
  const bool busy =
      document == nullptr || !document->session().isOpen() || document->session().busy();
  std::optional<KDX_ENTRY> entry;
  if (!busy) entry = document->session().FindEntry(window_->entryId());
  const KdxEntryMenuState state =
      KdxGetEntryMenuState(entry ? &*entry : nullptr, busy, window_->body()->hasFocus());
  if (state.missing && !missingReported_) {
    missingReported_ = true;
    KdxDeferSystemAlert(QStringLiteral("[-1] validateMenuItem"));
  }
  for (QAction* action : entryActions_) action->setEnabled(state.enabled);
  for (QAction* action : idleActions_) action->setEnabled(!busy);
  for (int id = 0; id < kKdxColorLabelCount; ++id) {
    labels_[static_cast<size_t>(id)]->setChecked(id == state.checkedLabel);
  }
  encrypt_->setEnabled(state.encrypt);
  decrypt_->setEnabled(state.decrypt);
  for (const auto& [action, name] : forwarded_) {
    action->setEnabled(state.enabled && document->commandAction(name) != nullptr);
  }
}

void KdxEntryCommands::RefreshLabels() {
  KdxDocument* document = window_->document();
  if (document == nullptr || document->session().busy() || !document->session().isOpen()) return;
  KdxShowLabelItems(document->session().data().colorLabelAry, labels_);
  validateMenuItem();
}

void KdxEntryCommands::ReloadAllWindows() {
  KdxDocument* document = window_->document();
  document->ReloadMainListBoxes();
  if (KdxEntryWindows* windows = document->entryWindows()) windows->UpdateAll();
  RefreshLabels();
}

bool KdxEntryCommands::SaveOrAlert() {
  if (window_->document()->session().Save() == 0) return true;
  KDXCOMM_AlertOK(window_, KdxText(kKdxMsgCannotSave));
  return false;
}

void KdxEntryCommands::setColorLabelName(int label) {
  KdxDocument* document = window_->document();
  if (document == nullptr || document->session().busy()) return;
  // What the window shows is stored first: the reload below shows the record.
  window_->autoSaveEntry();
  KdxSession& session = document->session();
  std::optional<KDX_ENTRY> entry = session.FindEntry(window_->entryId());
  if (!entry) {
    KDXCOMM_SystemAlert(window_, QStringLiteral("[-1] setColorLabelName_%1").arg(label));
    return;
  }
  entry->en_co_id = label;
  if (session.UpdateEntry(*entry) != KdxChangeResult::kOk) {
    KDXCOMM_SystemAlert(window_, QStringLiteral("[-1] setColorLabelName_%1").arg(label));
    return;
  }
  (void)SaveOrAlert();
  ReloadAllWindows();
}

void KdxEntryCommands::labelEdit() {
  KdxDocument* document = window_->document();
  if (document == nullptr || document->session().busy()) return;
  LabelEditDlg dialog(document->session().EditSettings()->colorLabelAry, window_);
  if (dialog.exec() != QDialog::Accepted) return;
  // The dialog stored into the label table: the next save writes it.
  (void)document->session().EditDirectly();
  ReloadAllWindows();
}

void KdxEntryCommands::CopyEntry() {
  KdxDocument* document = window_->document();
  if (document == nullptr || document->session().busy()) return;
  window_->autoSaveEntry();
  KdxSession& session = document->session();
  const std::optional<KDX_ENTRY> source = session.FindEntry(window_->entryId());
  if (!source) {
    KDXCOMM_SystemAlert(window_, QStringLiteral("[-1] CopyEntry"));
    return;
  }
  KDX_ENTRY copy{};
  const KdxChangeResult result = session.CopyEntry(source->en_id, &copy);
  if (result == KdxChangeResult::kTitleKeptAsSource) {
    KDXCOMM_AlertOK(window_, KdxTextFormat(kKdxMsgCopyTitleTooLong, {TitleOf(*source)}));
  } else if (result != KdxChangeResult::kOk) {
    KDXCOMM_AlertOK(window_, KdxTextFormat(kMsgCopyFailed, {"1"}));
    return;
  }
  (void)session.MarkUsed(source->en_id);
  ReloadAllWindows();

  int32_t width = 0;
  int32_t height = 0;
  PREF_ReadWindowSize(kPrefDefaultEntryWindowSizeKey, &width, &height);
  const QRect screen = QGuiApplication::primaryScreen()
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, 1280, 800);
  // The source as stored by the autosave above, its window the front one.
  const KDX_ENTRY stored = session.FindEntry(source->en_id).value_or(*source);
  KdxSetEntryFrame(&copy, KdxCopyWindowFrame(stored, width, height, FrameOf(window_),
                                             screen.width(), screen.height()));
  copy.en_is_select_entrylist = 0;
  if (session.UpdateEntry(copy) != KdxChangeResult::kOk) {
    KDXCOMM_SystemAlert(window_, QStringLiteral("[-2] CopyEntry"));
    return;
  }
  if (KdxEntryWindows* windows = document->entryWindows()) {
    if (windows->Open(&copy) != nullptr) (void)session.UpdateEntry(copy);
  }
  (void)SaveOrAlert();
  document->ReloadMainListBoxes();
}

void KdxEntryCommands::DeleteEntry() {
  KdxDocument* document = window_->document();
  if (document == nullptr || document->session().busy()) return;
  KdxSession& session = document->session();
  const int32_t id = window_->entryId();
  const std::optional<KDX_ENTRY> entry = session.FindEntry(id);
  if (!entry) {
    KDXCOMM_SystemAlert(window_, QStringLiteral("[-1] DeleteEntry"));
    return;
  }
  const std::string question = KDXCOMM_MakeDeleteConfirmationText(kEntryKind, TitleOf(*entry), 1);
  if (KDXCOMM_AlertOkCancel(window_, QString::fromStdString(question)) != 1) return;
  // Closing saves the window; a window whose save failed stays, and so does
  // its entry, the user having been told.
  if (!window_->close()) return;
  // The window (and this) go at the next turn of the event loop: from here on
  // only the document is used.
  if (session.RemoveEntry(id) != KdxChangeResult::kOk) {
    KDXCOMM_SystemAlert(document, QStringLiteral("[-1] DeleteEntry"));
    return;
  }
  if (session.Save() != 0) KDXCOMM_AlertOK(document, KdxText(kKdxMsgCannotSave));
  document->ReloadMainListBoxes();
  if (KdxEntryWindows* windows = document->entryWindows()) windows->UpdateAll();
}

void KdxEntryCommands::ExportFile() {
  KdxDocument* document = window_->document();
  if (document == nullptr || document->session().busy()) return;
  std::string start;
  PREF_ReadFilePath(kPrefExportFileKey, start);
  auto* dialog = new QFileDialog(window_);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  dialog->setLabelText(QFileDialog::Accept, KdxText("ここに保存"));
  dialog->setWindowModality(Qt::WindowModal);
  if (!start.empty()) dialog->setDirectory(QString::fromStdString(start));
  connect(dialog, &QFileDialog::fileSelected, this, &KdxEntryCommands::ExportTo);
  dialog->open();
}

void KdxEntryCommands::ExportTo(const QString& folder) {
  KdxDocument* document = window_->document();
  if (document == nullptr || document->session().busy() || folder.isEmpty()) return;
  const std::string path = folder.toStdString();
  if (PREF_WriteFilePath(kPrefExportFileKey, path.c_str()) != 0) {
    KdxDeferSystemAlert(QStringLiteral("[-1] PREF_WriteFilePath"));
  }
  // The file gets what the window shows.
  window_->autoSaveEntry();
  KdxSession& session = document->session();
  const std::optional<KDX_ENTRY> entry = session.FindEntry(window_->entryId());
  if (!entry) {
    KDXCOMM_SystemAlert(window_, QStringLiteral("[-1] ExportFile_OpenPanelDidEnd"));
    return;
  }
  const KdxTransferResult result = KDX_ExportEntries(session.EditDirectly(), {entry->en_id}, path,
                                                     KdxExportFormat::files, KdxTransferProgress{});
  (void)SaveOrAlert();
  ReloadAllWindows();
  for (const KdxTransferFailure& failure : result.failures) {
    Vell_SystemErrorLog("[-1] ExportFile %s: %s\r\n", failure.item.c_str(), failure.reason.c_str());
    KDXCOMM_AlertOK(window_, KdxTextFormat(kMsgExportFailed, {TitleOf(*entry)}));
  }
  for (const KdxTransferFailure& warning : result.warnings) {
    for (const char* encoding : {kVellEncodingSJIS, kVellEncodingEUC}) {
      if (warning.reason == KDX_UnconvertibleMessage(encoding)) {
        KDXCOMM_AlertOK(window_, KdxText(warning.reason.c_str()));
      }
    }
  }
}

void KdxEntryCommands::EncryptON() { SetEncrypted(true); }

void KdxEntryCommands::EncryptOFF() { SetEncrypted(false); }

void KdxEntryCommands::SetEncrypted(bool on) {
  KdxDocument* document = window_->document();
  if (document == nullptr || document->session().busy()) return;
  // The switch saves the document at once and drops what was not saved when
  // it fails: the window's edits go in first.
  window_->autoSaveEntry();
  KdxSession& session = document->session();
  const QString missing = on ? QStringLiteral("[-1] EncryptON") : QStringLiteral("[-1] EncryptOFF");
  if (!session.FindEntry(window_->entryId())) {
    KDXCOMM_SystemAlert(window_, missing);
    return;
  }
  const KdxChangeResult result = session.SetEncrypted(window_->entryId(), on);
  if (result == KdxChangeResult::kNoSuchEntry) {
    KDXCOMM_SystemAlert(window_, missing);
    return;
  }
  if (result == KdxChangeResult::kFailed) {
    KDXCOMM_AlertOK(window_, KdxTextFormat(on ? kMsgEncryptFailed : kMsgDecryptFailed, {"1"}));
  }
  ReloadAllWindows();
}

void KdxEntryCommands::Forward(const char* name) {
  KdxDocument* document = window_->document();
  if (document == nullptr || document->session().busy()) return;
  if (QAction* action = document->commandAction(name)) action->trigger();
}

void KdxEntryCommands::showMainWindow() {
  if (KdxDocument* document = window_->document()) KdxBringToFront(document);
}

void KdxEntryCommands::CloseAllEntryWindow() {
  KdxDocument* document = window_->document();
  if (document == nullptr) return;
  KdxEntryWindows* windows = document->entryWindows();
  if (windows == nullptr) return;
  // Last opened first; each saves as it closes. This window goes too.
  const std::vector<EntryWindow*> open = windows->windows();
  for (auto it = open.rbegin(); it != open.rend(); ++it) (*it)->close();
}

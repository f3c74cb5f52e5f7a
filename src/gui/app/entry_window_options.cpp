#include "gui/app/entry_window_options.h"

#include <QAction>
#include <QActionGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/content/entry_title.h"
#include "core/prefs/turn_width.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/category_dialogs.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_window.h"
#include "gui/app/localization.h"

namespace {

constexpr char kMsgSelectionTooLong[] =
    "選択されている文字列が長すぎるため、文章名に設定することができませんでした。";
// The width field is read into 64 bytes, the title into 512.
constexpr size_t kWidthFieldSize = 64;
constexpr size_t kTitleFieldSize = 512;

}  // namespace

void KdxApplyBodyWrap(QTextEdit* body, const KdxBodyWrapMode& mode) {
  switch (mode.wrap) {
    case KdxBodyWrap::kWindowWidth:
      body->setLineWrapMode(QTextEdit::WidgetWidth);
      body->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      break;
    case KdxBodyWrap::kFixedWidth:
      body->setLineWrapMode(QTextEdit::FixedPixelWidth);
      body->setLineWrapColumnOrWidth(mode.widthPoints * body->logicalDpiX() / 72);
      body->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      break;
    case KdxBodyWrap::kNone:
      body->setLineWrapMode(QTextEdit::NoWrap);
      body->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      break;
  }
}

// ---- The dialogs ----------------------------------------------------------------

DocumentWidthDlg::DocumentWidthDlg(int32_t width, QWidget* parent)
    : QDialog(parent), mKDX_DocWidth_TextField(new QLineEdit(this)), width_(width) {
  setObjectName(QStringLiteral("DocumentWidthDlg"));
  setWindowTitle(KdxText("文書幅"));
  mKDX_DocWidth_TextField->setObjectName(QStringLiteral("mKDX_DocWidth_TextField"));
  mKDX_DocWidth_TextField->setText(QString::number(width));
  mKDX_DocWidth_TextField->selectAll();
  QDialogButtonBox* buttons = KdxOkCancelButtons(this);
  connect(buttons, &QDialogButtonBox::accepted, this, &DocumentWidthDlg::ok);
  auto* layout = new QFormLayout(this);
  layout->addRow(KdxText("文書幅（ポイント）"), mKDX_DocWidth_TextField);
  layout->addRow(buttons);
}

int DocumentWidthDlg::DoModalDocumentWidthDlg(int32_t* width) {
  if (exec() != QDialog::Accepted) return 2;
  *width = width_;
  return 1;
}

void DocumentWidthDlg::ok() {
  width_ = KDXCOMM_ParseTurnWidth(KdxControlText(mKDX_DocWidth_TextField->text(), kWidthFieldSize));
  accept();
}

SelectionStringToTitleDlg::SelectionStringToTitleDlg(const QString& currentTitle,
                                                     const QString& newTitle, QWidget* parent)
    : QDialog(parent),
      m_StaticBeforeTitle(new QLineEdit(currentTitle, this)),
      m_EditAfterTitle(new QLineEdit(newTitle, this)) {
  setObjectName(QStringLiteral("SelectionStringToTitleDlg"));
  setWindowTitle(KdxText("選択部分を文章名にする"));
  m_StaticBeforeTitle->setObjectName(QStringLiteral("m_StaticBeforeTitle"));
  m_StaticBeforeTitle->setReadOnly(true);
  m_EditAfterTitle->setObjectName(QStringLiteral("m_EditAfterTitle"));
  m_EditAfterTitle->setMinimumWidth(320);
  QDialogButtonBox* buttons = KdxOkCancelButtons(this);
  connect(buttons, &QDialogButtonBox::accepted, this, &SelectionStringToTitleDlg::OnOK);
  auto* layout = new QFormLayout(this);
  layout->addRow(KdxText("現在の文章名"), m_StaticBeforeTitle);
  layout->addRow(KdxText("新しい文章名"), m_EditAfterTitle);
  layout->addRow(buttons);
  m_EditAfterTitle->setFocus();
}

int SelectionStringToTitleDlg::DoModalSelectionStringToTitleDlg(std::string* newTitle) {
  if (exec() != QDialog::Accepted) return 2;
  *newTitle = m_AfterTitle;
  return 1;
}

void SelectionStringToTitleDlg::OnOK() {
  m_AfterTitle = KdxControlText(m_EditAfterTitle->text(), kTitleFieldSize);
  accept();
}

// ---- The commands -----------------------------------------------------------------

KdxEntryOptions::KdxEntryOptions(EntryWindow* window, KdxDocument* document, QMenu* wrapMenu,
                                 QMenu* titleMenu)
    : QObject(window), window_(window), document_(document) {
  setObjectName(QStringLiteral("KdxEntryOptions"));
  wrapGroup_ = new QActionGroup(this);
  wrapGroup_->setExclusive(true);
  struct Mode {
    int32_t turn;
    const char* name;
    const char* text;
    void (KdxEntryOptions::*slot)();
  };
  const Mode modes[] = {
      {1, "wrapWindowWidth", "ウインドウ幅で折り返す", &KdxEntryOptions::wrapWindowWidth},
      {2, "wrapNothing", "折り返さない", &KdxEntryOptions::wrapNothing},
      {3, "wrapDocumentWidth", "文書幅で折り返す…", &KdxEntryOptions::wrapDocumentWidth},
  };
  for (const Mode& mode : modes) {
    QAction* action = wrapMenu->addAction(KdxText(mode.text));
    action->setObjectName(QString::fromLatin1(mode.name));
    action->setData(mode.turn);
    action->setCheckable(true);
    wrapGroup_->addAction(action);
    connect(action, &QAction::triggered, this, mode.slot);
  }
  connect(wrapMenu, &QMenu::aboutToShow, this, &KdxEntryOptions::UpdateChecks);
  UpdateChecks();

  titleMenu->addSeparator();
  titleAction_ = titleMenu->addAction(KdxText("選択部分を文章名にする…"));
  titleAction_->setObjectName(QStringLiteral("selectionStringToTitle"));
  titleAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+T")));
  connect(titleAction_, &QAction::triggered, this, &KdxEntryOptions::selectionStringToTitle);
}

KdxEntryOptions* KdxEntryOptions::Of(const EntryWindow* window) {
  return window->findChild<KdxEntryOptions*>(QString(), Qt::FindDirectChildrenOnly);
}

QAction* KdxEntryOptions::wrapAction(int32_t turn) const {
  for (QAction* action : wrapGroup_->actions()) {
    if (action->data().toInt() == turn) return action;
  }
  return nullptr;
}

void KdxEntryOptions::UpdateChecks() {
  if (document_ == nullptr || document_->session().busy()) return;
  const std::optional<KDX_ENTRY> entry = document_->session().FindEntry(window_->entryId());
  if (!entry) return;
  // Any value but 1 and 3 lays the body out without wrapping.
  const int32_t turn = entry->en_turn == 1 || entry->en_turn == 3 ? entry->en_turn : 2;
  wrapAction(turn)->setChecked(true);
}

void KdxEntryOptions::wrapWindowWidth() { ChangeWrap(1, "wrapWindowWidth"); }

void KdxEntryOptions::wrapNothing() { ChangeWrap(2, "wrapNothing"); }

void KdxEntryOptions::wrapDocumentWidth() { ChangeWrap(3, "wrapDocumentWidth"); }

void KdxEntryOptions::ChangeWrap(int32_t turn, const char* command) {
  window_->autoSaveEntry();
  if (document_ == nullptr) return;
  KdxSession& session = document_->session();
  if (!session.writable() || session.busy()) {
    UpdateChecks();
    return;
  }
  std::optional<KDX_ENTRY> entry = session.FindEntry(window_->entryId());
  if (!entry) {
    KDXCOMM_SystemAlert(window_, QStringLiteral("[-1] ") + QString::fromLatin1(command));
    return;
  }
  if (turn == 3) {
    char stored[sizeof entry->en_turn_width + 1] = {};
    std::memcpy(stored, entry->en_turn_width, sizeof entry->en_turn_width);
    const long current = std::strtol(stored, nullptr, 10);
    int32_t width = static_cast<int32_t>(
        std::clamp<long>(current, 0, static_cast<long>(kPrefTurnWidthMaximum)));
    DocumentWidthDlg dialog(width, window_);
    if (dialog.DoModalDocumentWidthDlg(&width) != 1) {
      UpdateChecks();
      return;
    }
    std::snprintf(entry->en_turn_width, sizeof entry->en_turn_width, "%ld",
                  static_cast<long>(width));
  }
  entry->en_turn = turn;
  KdxApplyBodyWrap(window_->body(), KdxGetBodyWrapMode(entry->en_turn, entry->en_turn_width));
  window_->body()->setFocus();
  if (session.UpdateEntry(*entry) != KdxChangeResult::kOk || session.Save() != 0) {
    KDXCOMM_AlertOK(window_, KdxText(kKdxMsgCannotSave));
  }
  UpdateChecks();
}

void KdxEntryOptions::selectionStringToTitle() {
  const QTextCursor cursor = window_->body()->textCursor();
  if (!cursor.hasSelection()) return;
  const QString selected = cursor.selectedText();
  if (selected.size() >= kKdxSelectionTitleLimit) {
    KDXCOMM_AlertOK(window_, KdxText(kMsgSelectionTooLong));
    return;
  }
  const std::string proposed = KDX_StripEntryTitle(selected.toStdString());
  if (document_ == nullptr) return;
  const std::optional<KDX_ENTRY> entry = document_->session().FindEntry(window_->entryId());
  if (!entry) {
    KDXCOMM_SystemAlert(window_, QStringLiteral("[-1] selectionStringToTitle"));
    return;
  }
  const QString current = QString::fromUtf8(
      entry->en_title, static_cast<qsizetype>(strnlen(entry->en_title, sizeof entry->en_title)));
  SelectionStringToTitleDlg dialog(current, QString::fromStdString(proposed), window_);
  std::string confirmed;
  if (dialog.DoModalSelectionStringToTitleDlg(&confirmed) != 1) return;
  window_->titleField()->setText(QString::fromStdString(KDX_StripEntryTitle(confirmed)));
  window_->autoSaveEntry();
}

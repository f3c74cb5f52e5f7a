#include "gui/app/find_body_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>
#include <QVBoxLayout>
#include <vector>

#include "core/document/history.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_utf8.h"
#include "gui/app/alerts.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_window.h"
#include "gui/app/entry_window_logic.h"
#include "gui/app/find_replace.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/localization.h"
#include "gui/app/window_frame.h"

namespace {

// The document's strings hold 255 bytes; a selection handed to them keeps
// at most 84 characters, the panel's boxes 85.
constexpr size_t kSelectionStringSize = 255;
constexpr size_t kPanelStringSize = 256;

std::string CutToField(const std::string& text) {
  return text.substr(0, Vell_Utf8CutLength(text, kSelectionStringSize));
}

bool ReadFlag(const char* key) {
  int32_t value = 0;
  PREF_ReadInteger(key, &value);
  return value == 1;
}

}  // namespace

// ---- The document's strings and lists --------------------------------------

KdxBodyFindData::KdxBodyFindData(QObject* document)
    : QObject(document),
      bodyFindHistoryAry_(BFCOMM_InitBodyFindHistory()),
      bodyReplaceHistoryAry_(BFCOMM_InitBodyFindHistory()) {
  setObjectName(QStringLiteral("KdxBodyFindData"));
}

KdxBodyFindData::~KdxBodyFindData() {
  BFCOMM_FreeBodyFindHistory(bodyFindHistoryAry_);
  BFCOMM_FreeBodyFindHistory(bodyReplaceHistoryAry_);
}

KdxBodyFindData* KdxBodyFindData::Of(QObject* document) {
  if (document == nullptr) return nullptr;
  auto* data = document->findChild<KdxBodyFindData*>(QString(), Qt::FindDirectChildrenOnly);
  return data != nullptr ? data : new KdxBodyFindData(document);
}

void KdxBodyFindData::SetFindString(const std::string& text) { bodyFindStr_ = CutToField(text); }

void KdxBodyFindData::SetReplaceString(const std::string& text) {
  bodyReplaceStr_ = CutToField(text);
}

QStringList KdxBodyFindHistory(const VELL_ARY* history, int32_t enId) {
  std::vector<KDX_BODY_FIND_HISTORY> records;
  BFCOMM_QueryFindBodyHistories_ByEnID(history, enId, &records);
  QStringList strings;
  for (const KDX_BODY_FIND_HISTORY& record : records) {
    strings.append(QString::fromUtf8(record.bf_string));
  }
  return strings;
}

// ---- The entry window's commands ----------------------------------------------

KdxEntryFind::KdxEntryFind(EntryWindow* window, QObject* document, QMenu* menu)
    : QObject(window), window_(window), data_(KdxBodyFindData::Of(document)), menu_(menu) {
  setObjectName(QStringLiteral("KdxEntryFind"));
  struct Command {
    const char* name;
    const char* text;
    const char* keys;
    void (KdxEntryFind::*slot)();
  };
  const Command commands[] = {
      {"ShowFindWindow", "検索と置換…", "Ctrl+F", &KdxEntryFind::ShowFindWindow},
      {"FindNext", "次を検索", "Ctrl+G", &KdxEntryFind::FindNext},
      {"FindPrev", "前を検索", "Ctrl+Shift+G", &KdxEntryFind::FindPrev},
      {"SetFindString", "選択部分を検索に使用", "Ctrl+E", &KdxEntryFind::SetFindString},
      {"SetReplaceString", "選択部分を置換に使用", "Ctrl+Shift+E", &KdxEntryFind::SetReplaceString},
      {"Replace", "置換", "Ctrl+H", &KdxEntryFind::Replace},
      {"ReplaceAndFind", "置換して次を検索", "Ctrl+Shift+H", &KdxEntryFind::ReplaceAndFind},
  };
  for (const Command& command : commands) {
    if (command.slot == &KdxEntryFind::SetFindString || command.slot == &KdxEntryFind::Replace) {
      menu->addSeparator();
    }
    QAction* action = menu->addAction(KdxText(command.text));
    action->setObjectName(QString::fromLatin1(command.name));
    action->setShortcut(QKeySequence(QString::fromLatin1(command.keys)));
    connect(action, &QAction::triggered, this, command.slot);
  }
  connect(menu, &QMenu::aboutToShow, this, &KdxEntryFind::UpdateEnabled);
  connect(qApp, &QApplication::focusChanged, this, &KdxEntryFind::UpdateEnabled);
  UpdateEnabled();
}

KdxEntryFind* KdxEntryFind::Of(const EntryWindow* window) {
  return window->findChild<KdxEntryFind*>(QString(), Qt::FindDirectChildrenOnly);
}

QAction* KdxEntryFind::action(const char* objectName) const {
  return menu_->findChild<QAction*>(QString::fromLatin1(objectName));
}

void KdxEntryFind::UpdateEnabled() {
  if (menu_ == nullptr) return;  // the window is going
  const bool bodyFocused = window_->focusWidget() == window_->body();
  for (QAction* action : menu_->actions()) {
    if (!action->isSeparator()) action->setEnabled(bodyFocused);
  }
}

bool KdxEntryFind::StoredIgnoreCase() { return ReadFlag(kPrefFindBodyIsCaseInsensitiveKey); }

bool KdxEntryFind::StoredWrap() { return ReadFlag(kPrefFindBodyIsLoopKey); }

int32_t KdxEntryFind::FindBody(const QString& find, bool backward, bool ignoreCase, bool wrap) {
  return RunFind(find, KdxFindOptions{backward, ignoreCase, wrap}, true);
}

int32_t KdxEntryFind::RunFind(const QString& find, const KdxFindOptions& options, bool beep) {
  KdxBodyTextEdit* body = window_->body();
  QTextCursor cursor = body->textCursor();
  const int32_t result = KdxFindBody(&cursor, find, options);
  if (result >= 0) {
    body->setTextCursor(cursor);
    body->ensureCursorVisible();
  } else if (beep) {
    KdxBeep();
  }
  (void)BFCOMM_AddBodyFindWord(data_->findHistory(), find.toStdString().c_str(),
                               window_->entryId());
  return result;
}

int32_t KdxEntryFind::ReplaceBody(const QString& find, const QString& replace, bool ignoreCase) {
  KdxBodyTextEdit* body = window_->body();
  QTextCursor cursor = body->textCursor();
  const int32_t result = KdxReplaceBody(&cursor, find, replace, ignoreCase, !body->isReadOnly());
  if (result < 0) {
    KdxBeep();
  } else {
    body->setTextCursor(cursor);
  }
  (void)BFCOMM_AddBodyFindWord(data_->replaceHistory(), replace.toStdString().c_str(),
                               window_->entryId());
  return result;
}

int32_t KdxEntryFind::ReplaceAllBody(const QString& find, const QString& replace, bool ignoreCase) {
  KdxBodyTextEdit* body = window_->body();
  QTextCursor cursor = body->textCursor();
  const int32_t count = KdxReplaceAllBody(&cursor, find, replace, ignoreCase, !body->isReadOnly());
  body->setTextCursor(cursor);
  return count;
}

int32_t KdxEntryFind::InitFindBody(const QString& find, bool backward) {
  data_->SetFindString(find.toStdString());
  return RunFind(find, KdxFindOptions{backward, StoredIgnoreCase(), StoredWrap()}, false);
}

void KdxEntryFind::ShowFindWindow() {
  FindBodyWindow panel(this);
  panel.DoModalFindBodyDlg();
}

void KdxEntryFind::FindNext() {
  (void)FindBody(data_->findString(), false, StoredIgnoreCase(), StoredWrap());
}

void KdxEntryFind::FindPrev() {
  (void)FindBody(data_->findString(), true, StoredIgnoreCase(), StoredWrap());
}

void KdxEntryFind::SetFindString() {
  const QTextCursor cursor = window_->body()->textCursor();
  if (!cursor.hasSelection()) return;
  data_->SetFindString(KdxControlText(KdxSelectionAsFindString(cursor), kSelectionStringSize));
}

void KdxEntryFind::SetReplaceString() {
  const QTextCursor cursor = window_->body()->textCursor();
  if (!cursor.hasSelection()) return;
  data_->SetReplaceString(KdxControlText(KdxSelectionAsFindString(cursor), kSelectionStringSize));
}

void KdxEntryFind::Replace() {
  (void)ReplaceBody(data_->findString(), data_->replaceString(), StoredIgnoreCase());
}

void KdxEntryFind::ReplaceAndFind() {
  Replace();
  FindNext();
}

// ---- The panel ------------------------------------------------------------------

FindBodyWindow::FindBodyWindow(KdxEntryFind* target) : QDialog(target->window()), m_Target(target) {
  setObjectName(QStringLiteral("FindBodyWindow"));
  setWindowTitle(KdxText("検索と置換"));
  setWindowModality(Qt::ApplicationModal);

  auto makeCombo = [this](const char* name) {
    auto* combo = new QComboBox(this);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumContentsLength(24);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return combo;
  };
  m_FindComboBox = makeCombo("m_FindComboBox");
  m_ReplaceComboBox = makeCombo("m_ReplaceComboBox");
  m_IsCaseInsensitiveCheck = new QCheckBox(KdxText("大文字と小文字を区別"), this);
  m_IsCaseInsensitiveCheck->setObjectName(QStringLiteral("m_IsCaseInsensitiveCheck"));
  m_IsLoopCheck = new QCheckBox(KdxText("末尾まで来たら先頭から"), this);
  m_IsLoopCheck->setObjectName(QStringLiteral("m_IsLoopCheck"));
  m_TextFieldMessage = new QLabel(this);
  m_TextFieldMessage->setObjectName(QStringLiteral("m_TextFieldMessage"));
  auto makeButton = [this](const char* name, const char* text, void (FindBodyWindow::*slot)()) {
    auto* button = new QPushButton(KdxText(text), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, slot);
    return button;
  };
  m_BtnFindNext = makeButton("m_BtnFindNext", "次を検索", &FindBodyWindow::FindNext);
  m_BtnFindPrev = makeButton("m_BtnFindPrev", "前を検索", &FindBodyWindow::FindPrev);
  m_BtnReplace = makeButton("m_BtnReplace", "置換", &FindBodyWindow::Replace);
  m_BtnReplaceAndFind =
      makeButton("m_BtnReplaceAndFind", "置換して検索", &FindBodyWindow::ReplaceAndFind);
  m_BtnReplaceAll = makeButton("m_BtnReplaceAll", "すべて置換", &FindBodyWindow::ReplaceAll);
  m_BtnClose = makeButton("m_BtnClose", "閉じる", &FindBodyWindow::Close);
  m_BtnFindNext->setDefault(true);

  auto* fields = new QGridLayout;
  fields->addWidget(KdxCaption(KdxText("検索"), m_FindComboBox, this), 0, 0);
  fields->addWidget(m_FindComboBox, 0, 1);
  fields->addWidget(KdxCaption(KdxText("置換"), m_ReplaceComboBox, this), 1, 0);
  fields->addWidget(m_ReplaceComboBox, 1, 1);
  fields->setColumnStretch(1, 1);
  auto* options = new QHBoxLayout;
  options->addWidget(m_IsCaseInsensitiveCheck);
  options->addWidget(m_IsLoopCheck);
  options->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_BtnClose);
  buttons->addStretch(1);
  for (QPushButton* button :
       {m_BtnReplaceAll, m_BtnReplaceAndFind, m_BtnReplace, m_BtnFindPrev, m_BtnFindNext}) {
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(options);
  layout->addWidget(m_TextFieldMessage);
  layout->addLayout(buttons);

  connect(m_IsCaseInsensitiveCheck, &QCheckBox::toggled, this,
          [](bool on) { (void)PREF_WriteInteger(kPrefFindBodyIsCaseInsensitiveKey, on ? 0 : 1); });
  connect(m_IsLoopCheck, &QCheckBox::toggled, this,
          [](bool on) { (void)PREF_WriteInteger(kPrefFindBodyIsLoopKey, on ? 1 : 0); });
  auto* focusFind = new QShortcut(QKeySequence(QStringLiteral("Ctrl+F")), this);
  connect(focusFind, &QShortcut::activated, this, &FindBodyWindow::ShowFindWindow);

  InitControls();
  KdxRestoreWindowFrame(this, kPrefFindBodyWindowRectKey);
}

void FindBodyWindow::InitControls() {
  {
    const QSignalBlocker caseBlock(m_IsCaseInsensitiveCheck);
    const QSignalBlocker loopBlock(m_IsLoopCheck);
    m_IsCaseInsensitiveCheck->setChecked(!KdxEntryFind::StoredIgnoreCase());
    m_IsLoopCheck->setChecked(KdxEntryFind::StoredWrap());
  }
  SetupFindCombo();
  SetupReplaceCombo();
  m_FindComboBox->setEditText(m_Target->data()->findString());
  m_ReplaceComboBox->setEditText(m_Target->data()->replaceString());
  m_TextFieldMessage->clear();
  SetTabOrder();
}

namespace {

// Refills the list of a box, keeping what is typed in it.
void FillCombo(QComboBox* combo, const QStringList& strings) {
  const QString typed = combo->currentText();
  const QSignalBlocker block(combo);
  combo->clear();
  combo->addItems(strings);
  combo->setMaxVisibleItems(std::max<int>(1, static_cast<int>(strings.size())));
  combo->setEditText(typed);
}

}  // namespace

void FindBodyWindow::SetupFindCombo() {
  FillCombo(m_FindComboBox,
            KdxBodyFindHistory(m_Target->data()->findHistory(), m_Target->window()->entryId()));
}

void FindBodyWindow::SetupReplaceCombo() {
  FillCombo(m_ReplaceComboBox,
            KdxBodyFindHistory(m_Target->data()->replaceHistory(), m_Target->window()->entryId()));
}

void FindBodyWindow::SetTabOrder() {
  QWidget* const order[] = {m_FindComboBox, m_ReplaceComboBox,   m_IsCaseInsensitiveCheck,
                            m_IsLoopCheck,  m_BtnFindNext,       m_BtnFindPrev,
                            m_BtnReplace,   m_BtnReplaceAndFind, m_BtnReplaceAll,
                            m_BtnClose,     m_FindComboBox};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  m_FindComboBox->setFocus();
}

int FindBodyWindow::DoModalFindBodyDlg() {
  show();
  raise();
  activateWindow();
  m_FindComboBox->setFocus();
  m_FindComboBox->lineEdit()->selectAll();
  return exec();
}

QString FindBodyWindow::FindText() const {
  return QString::fromStdString(KdxControlText(m_FindComboBox->currentText(), kPanelStringSize));
}

QString FindBodyWindow::ReplaceText() const {
  return QString::fromStdString(KdxControlText(m_ReplaceComboBox->currentText(), kPanelStringSize));
}

void FindBodyWindow::ShowResultMessage(int32_t code) {
  switch (code) {
    case 0:
      m_TextFieldMessage->clear();
      break;
    case 1:
      m_TextFieldMessage->setText(KdxText("周回しました。"));
      break;
    case -1:
      m_TextFieldMessage->setText(KdxText("見つかりませんでした。"));
      break;
    case -2:
      m_TextFieldMessage->setText(KdxText("選択部分が一致しません。"));
      break;
    default:
      break;
  }
}

void FindBodyWindow::StoreStrings(bool replace) {
  m_Target->data()->SetFindString(FindText().toStdString());
  if (replace) m_Target->data()->SetReplaceString(ReplaceText().toStdString());
}

void FindBodyWindow::Find(bool backward) {
  const QString find = FindText();
  const int32_t result = m_Target->FindBody(find, backward, KdxEntryFind::StoredIgnoreCase(),
                                            KdxEntryFind::StoredWrap());
  ShowResultMessage(result);
  SetupFindCombo();
  StoreStrings(false);
  if (result >= 0) Finish(1);
}

void FindBodyWindow::FindNext() { Find(false); }

void FindBodyWindow::FindPrev() { Find(true); }

void FindBodyWindow::Replace() {
  const int32_t result =
      m_Target->ReplaceBody(FindText(), ReplaceText(), KdxEntryFind::StoredIgnoreCase());
  ShowResultMessage(result);
  SetupFindCombo();
  SetupReplaceCombo();
  StoreStrings(true);
  if (result >= 0) Finish(1);
}

void FindBodyWindow::ReplaceAndFind() {
  const QString find = FindText();
  (void)m_Target->ReplaceBody(find, ReplaceText(), KdxEntryFind::StoredIgnoreCase());
  const int32_t result =
      m_Target->FindBody(find, false, KdxEntryFind::StoredIgnoreCase(), KdxEntryFind::StoredWrap());
  ShowResultMessage(result);
  SetupFindCombo();
  SetupReplaceCombo();
  StoreStrings(true);
  if (result >= 0) Finish(1);
}

void FindBodyWindow::ReplaceAll() {
  const int32_t count =
      m_Target->ReplaceAllBody(FindText(), ReplaceText(), KdxEntryFind::StoredIgnoreCase());
  m_TextFieldMessage->setText(KdxTextFormat("%ld件置換しました。", {std::to_string(count)}));
  SetupFindCombo();
  SetupReplaceCombo();
  StoreStrings(true);
}

void FindBodyWindow::ShowFindWindow() {
  m_FindComboBox->setFocus();
  m_FindComboBox->lineEdit()->selectAll();
}

void FindBodyWindow::Close() { Finish(2); }

void FindBodyWindow::reject() { Close(); }

void FindBodyWindow::closeEvent(QCloseEvent* event) {
  Finish(2);
  event->accept();
}

void FindBodyWindow::Finish(int code) {
  if (finished_) return;
  finished_ = true;
  KdxStoreWindowFrame(this, kPrefFindBodyWindowRectKey);
  done(code);
}

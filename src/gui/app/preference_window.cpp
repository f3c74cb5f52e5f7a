#include "gui/app/preference_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/document/blocks.h"
#include "core/prefs/pref_checks.h"
#include "core/prefs/pref_file.h"
#include "core/prefs/pref_rez.h"
#include "core/prefs/turn_width.h"
#include "gui/app/alerts.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/localization.h"
#include "gui/app/startup_logic.h"
#include "gui/app/window_frame.h"
#include "richtext/print_layout.h"
#include "richtext/rtf_writer.h"

namespace {

// Text that can be stored in a row of the keyword file.
QValidator* RowTextValidator(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\t\\r\\n]*")),
                                         parent);
}

QString MarginText(double points) { return QString::number(points, 'g', 6); }

QRadioButton* AddRadio(QButtonGroup* group, int id, const char* title, QLayout* layout) {
  auto* button = new QRadioButton(KdxText(title));
  group->addButton(button, id);
  layout->addWidget(button);
  return button;
}

bool HasFamily(const std::string& family) {
  return QFontDatabase::hasFamily(QString::fromStdString(family));
}

}  // namespace

// ---- PreferenceEditDlg ------------------------------------------------------------

PreferenceEditDlg::PreferenceEditDlg(const QString& title, const QString& ext, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(title);
  m_EditExt = new QLineEdit(ext, this);
  m_EditExt->setObjectName(QStringLiteral("m_EditExt"));
  hint_ = new QLabel(this);
  hint_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(KdxText("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(KdxText("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &PreferenceEditDlg::OnOK);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(KdxCaption(KdxText("拡張子（ドットなし）"), m_EditExt, this));
  layout->addWidget(m_EditExt);
  layout->addWidget(hint_);
  layout->addWidget(buttons);
}

QString PreferenceEditDlg::extension() const { return m_EditExt->text(); }

void PreferenceEditDlg::OnOK() {
  if (!PREF_IsValidExtension(extension().toStdString())) {
    hint_->setText(KdxText("拡張子は15バイトまでで、「.」「/」やタブは使えません。"));
    return;
  }
  accept();
}

// ---- PrefWindow -------------------------------------------------------------------

PrefWindow::PrefWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("PrefWindow"));
  setWindowTitle(KdxText("環境設定"));
  m_TabView = new QTabWidget(this);
  m_TabView->addTab(BuildImportPage(), KdxText("取り込み"));
  m_TabView->addTab(BuildNewEntryPage(), KdxText("新規文章"));
  m_TabView->addTab(BuildFontPage(), KdxText("フォント"));
  m_TabView->addTab(BuildPrintPage(), KdxText("印刷"));
  m_TabView->addTab(BuildOtherPage(), KdxText("その他"));
  connect(m_TabView, &QTabWidget::currentChanged, this, [this](int index) {
    if (filling_ || index < 0) return;
    (void)PREF_WriteString(kPrefSavedTabKey,
                           m_TabView->widget(index)->objectName().toStdString().c_str());
  });

  auto* close = new QPushButton(KdxText("閉じる"), this);
  connect(close, &QPushButton::clicked, this, &PrefWindow::OnCancel);
  // Esc and the close keys leave the window as its button does.
  QList<QKeySequence> closeKeys = KdxCommandKeys("Ctrl+W", QKeySequence::Close);
  closeKeys.push_back(QKeySequence(Qt::Key_Escape));
  for (const QKeySequence& keys : closeKeys) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this, &PrefWindow::OnCancel);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_TabView, 1);
  layout->addLayout(buttons);
  resize(520, 480);
}

QWidget* PrefWindow::BuildImportPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("import"));
  m_ListExt = new QListWidget(page);
  m_ListExt->setObjectName(QStringLiteral("ext"));
  m_ListExt->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(m_ListExt, &QListWidget::itemDoubleClicked, this, &PrefWindow::OnEdit);
  connect(m_ListExt, &QListWidget::itemSelectionChanged, this, &PrefWindow::UpdateSelectionButtons);
  auto* add = new QPushButton(KdxText("追加…"), page);
  edit_ = new QPushButton(KdxText("編集…"), page);
  delete_ = new QPushButton(KdxText("削除…"), page);
  connect(add, &QPushButton::clicked, this, &PrefWindow::OnAdd);
  connect(edit_, &QPushButton::clicked, this, &PrefWindow::OnEdit);
  connect(delete_, &QPushButton::clicked, this, &PrefWindow::OnDelete);
  auto* remove = new QAction(m_ListExt);  // Delete in the list, as the button
  remove->setShortcut(QKeySequence::Delete);
  remove->setShortcutContext(Qt::WidgetShortcut);
  connect(remove, &QAction::triggered, this, &PrefWindow::OnDelete);
  m_ListExt->addAction(remove);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(edit_);
  buttons->addWidget(delete_);
  buttons->addStretch(1);
  auto* list = new QHBoxLayout;
  list->addWidget(m_ListExt, 1);
  list->addLayout(buttons);

  m_CheckAllImport = new QCheckBox(KdxText("すべてのテキストファイルを取り込む"), page);
  connect(m_CheckAllImport, &QCheckBox::toggled, this, [this](bool on) {
    if (!filling_) (void)PREF_WriteInteger(kPrefAllImportKey, on ? 1 : 0);
  });
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(KdxCaption(KdxText("フォルダから取り込む拡張子"), m_ListExt, page));
  layout->addLayout(list, 1);
  layout->addWidget(m_CheckAllImport);
  UpdateSelectionButtons();
  return page;
}

QWidget* PrefWindow::BuildNewEntryPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("newEntry"));
  auto* titleBox = new QGroupBox(KdxText("文章名"), page);
  auto* titleLayout = new QVBoxLayout(titleBox);
  m_RadioTitleType = new QButtonGroup(this);
  AddRadio(m_RadioTitleType, 0, "既定の文章名", titleLayout);
  m_EditDefaultTitle = new QLineEdit(titleBox);
  m_EditDefaultTitle->setMaxLength(kPrefTitleMaxChars);
  m_EditDefaultTitle->setAccessibleName(m_RadioTitleType->button(0)->text());
  m_EditDefaultTitle->setValidator(RowTextValidator(m_EditDefaultTitle));
  titleLayout->addWidget(m_EditDefaultTitle);
  m_CheckConsecutiveNumber = new QCheckBox(KdxText("連番を付ける"), titleBox);
  titleLayout->addWidget(m_CheckConsecutiveNumber);
  AddRadio(m_RadioTitleType, 1, "空の文章名", titleLayout);
  connect(m_RadioTitleType, &QButtonGroup::idClicked, this, &PrefWindow::EnableTitleControls);

  auto* turnBox = new QGroupBox(KdxText("折り返し"), page);
  auto* turnLayout = new QVBoxLayout(turnBox);
  m_RadioDefaultTurn = new QButtonGroup(this);
  AddRadio(m_RadioDefaultTurn, 1, "ウインドウ幅", turnLayout);
  AddRadio(m_RadioDefaultTurn, 2, "折り返さない", turnLayout);
  AddRadio(m_RadioDefaultTurn, 3, "文書幅", turnLayout);
  m_EditTurnWidth = new QLineEdit(turnBox);
  m_EditTurnWidth->setMaxLength(10);
  m_EditTurnWidth->setAccessibleName(m_RadioDefaultTurn->button(3)->text());
  auto* width = new QHBoxLayout;
  width->addSpacing(24);
  width->addWidget(m_EditTurnWidth);
  width->addWidget(new QLabel(KdxText("ポイント"), turnBox));
  width->addStretch(1);
  turnLayout->addLayout(width);
  connect(m_RadioDefaultTurn, &QButtonGroup::idClicked, this,
          [this](int id) { m_EditTurnWidth->setEnabled(id == 3); });

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(titleBox);
  layout->addWidget(turnBox);
  layout->addStretch(1);
  return page;
}

QWidget* PrefWindow::BuildFontPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("font"));
  m_StaticFontName = new QLabel(page);
  m_StaticFontName->setFrameShape(QFrame::StyledPanel);
  auto* choose = new QPushButton(KdxText("フォントを選択…"), page);
  connect(choose, &QPushButton::clicked, this, &PrefWindow::OnFontChange);
  auto* row = new QHBoxLayout;
  row->addWidget(m_StaticFontName, 1);
  row->addWidget(choose);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(KdxText("新しい文章の本文のフォント"), page));
  layout->addLayout(row);
  layout->addStretch(1);
  return page;
}

QToolButton* PrefWindow::BuildInsertMenu(QTextEdit* target) {
  auto* button = new QToolButton;
  button->setText(KdxText("挿入"));
  button->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(button);
  for (const KdxPrintVariableItem& item : KdxPrintVariableItems()) {
    QAction* action = menu->addAction(KdxText(item.title));
    connect(action, &QAction::triggered, this, [target, action] {
      const std::string variable = KdxPrintVariableForTitle(action->text().toStdString());
      if (!variable.empty()) target->textCursor().insertText(QString::fromStdString(variable));
    });
  }
  button->setMenu(menu);
  return button;
}

QWidget* PrefWindow::BuildPrintPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("print"));
  auto* margins = new QGroupBox(KdxText("余白（ポイント）"), page);
  auto* form = new QGridLayout(margins);
  const auto makeField = [margins] {
    auto* field = new QLineEdit(margins);
    auto* validator = new QDoubleValidator(0, kPrefMaxPrintMargin, 2, field);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(QLocale::c());
    field->setValidator(validator);
    return field;
  };
  m_EditPrintMarginTop = makeField();
  m_EditPrintMarginBottom = makeField();
  m_EditPrintMarginLeft = makeField();
  m_EditPrintMarginRight = makeField();
  form->addWidget(KdxCaption(KdxText("上"), m_EditPrintMarginTop, margins), 0, 0);
  form->addWidget(m_EditPrintMarginTop, 0, 1);
  form->addWidget(KdxCaption(KdxText("下"), m_EditPrintMarginBottom, margins), 0, 2);
  form->addWidget(m_EditPrintMarginBottom, 0, 3);
  form->addWidget(KdxCaption(KdxText("左"), m_EditPrintMarginLeft, margins), 1, 0);
  form->addWidget(m_EditPrintMarginLeft, 1, 1);
  form->addWidget(KdxCaption(KdxText("右"), m_EditPrintMarginRight, margins), 1, 2);
  form->addWidget(m_EditPrintMarginRight, 1, 3);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(margins);
  const auto addTemplate = [this, page, layout](const char* title, QTextEdit** view,
                                                QToolButton** menu) {
    *view = new QTextEdit(page);
    (*view)->setAcceptRichText(true);
    (*view)->installEventFilter(this);
    *menu = BuildInsertMenu(*view);
    auto* row = new QHBoxLayout;
    row->addWidget(KdxCaption(KdxText(title), *view, page));
    row->addStretch(1);
    row->addWidget(*menu);
    layout->addLayout(row);
    layout->addWidget(*view, 1);
    setTabOrder(*menu, *view);  // the insert button stands above its view
  };
  addTemplate("ヘッダ", &m_PrintHeaderText, &m_PopupArrangeHeader);
  addTemplate("フッタ", &m_PrintFooterText, &m_PopupArrangeFooter);
  return page;
}

QWidget* PrefWindow::BuildOtherPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("other"));
  m_CheckShowSplashWindow = new QCheckBox(KdxText("起動時のスプラッシュを表示しない"), page);
  connect(m_CheckShowSplashWindow, &QCheckBox::toggled, this, [this](bool on) {
    if (filling_) return;
    m_PrefRec.splashSeconds = KdxSplashSecondsForBox(on);
    (void)PREF_WriteDouble(kPrefSplashTimeKey, m_PrefRec.splashSeconds);
  });
  auto* exportBox = new QGroupBox(KdxText("ドラッグして書き出すとき"), page);
  auto* exportLayout = new QVBoxLayout(exportBox);
  m_RadioExport = new QButtonGroup(this);
  AddRadio(m_RadioExport, 0, "ファイルの種類に合わせて書き出す", exportLayout);
  AddRadio(m_RadioExport, 1, "RTFDで書き出す", exportLayout);
  connect(m_RadioExport, &QButtonGroup::idClicked, this, [this](int id) {
    if (filling_) return;
    m_PrefRec.dropExportType = id;
    (void)PREF_WriteInteger(kPrefDropExportTypeKey, id);
  });
  // The language is read once at start-up: the windows are built in it.
  auto* languageBox = new QGroupBox(KdxText("表示言語"), page);
  auto* languageLayout = new QVBoxLayout(languageBox);
  m_RadioLanguage = new QButtonGroup(this);
  AddRadio(m_RadioLanguage, static_cast<int>(KdxLanguageChoice::kAutomatic),
           "自動（システムの言語）", languageLayout);
  AddRadio(m_RadioLanguage, static_cast<int>(KdxLanguageChoice::kJapanese), "日本語",
           languageLayout);
  AddRadio(m_RadioLanguage, static_cast<int>(KdxLanguageChoice::kEnglish), "English",
           languageLayout);
  auto* languageNote = new QLabel(KdxText("次回の起動時から適用されます。"), languageBox);
  languageNote->setWordWrap(true);
  languageLayout->addWidget(languageNote);
  connect(m_RadioLanguage, &QButtonGroup::idClicked, this, [this](int id) {
    if (filling_) return;
    m_PrefRec.language = KdxLanguageChoiceFromStored(id);
    (void)PREF_WriteInteger(kPrefInterfaceLanguageKey, id);
  });
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(m_CheckShowSplashWindow);
  layout->addWidget(exportBox);
  layout->addWidget(languageBox);
  layout->addStretch(1);
  return page;
}

QLineEdit* PrefWindow::marginField(int side) const {
  switch (side) {
    case 0:
      return m_EditPrintMarginLeft;
    case 1:
      return m_EditPrintMarginTop;
    case 2:
      return m_EditPrintMarginRight;
    default:
      return m_EditPrintMarginBottom;
  }
}

void PrefWindow::OpenPrefWindow() {
  m_PrefRec = KdxReadPrefValues();
  FillControls();
  opened_ = true;

  KdxRestoreWindowFrame(this, kPrefWindowRectKey);
  MakeKeyAndOrderFront();
}

void PrefWindow::MakeKeyAndOrderFront() {
  show();
  raise();
  activateWindow();
}

void PrefWindow::FillControls() {
  filling_ = true;
  ShowExtensions();
  m_CheckAllImport->setChecked(m_PrefRec.allImport);
  m_CheckShowSplashWindow->setChecked(KdxSplashBoxOn(m_PrefRec.splashSeconds));
  m_EditPrintMarginLeft->setText(MarginText(m_PrefRec.marginLeft));
  m_EditPrintMarginTop->setText(MarginText(m_PrefRec.marginTop));
  m_EditPrintMarginRight->setText(MarginText(m_PrefRec.marginRight));
  m_EditPrintMarginBottom->setText(MarginText(m_PrefRec.marginBottom));
  LoadTemplate(kKdxTagPRHD, kdx_richtext::PrintTemplateKind::header, m_PrintHeaderText);
  LoadTemplate(kKdxTagPRFT, kdx_richtext::PrintTemplateKind::footer, m_PrintFooterText);
  ShowFontName();

  m_RadioTitleType->button(m_PrefRec.titleType)->setChecked(true);
  m_EditDefaultTitle->setText(QString::fromStdString(m_PrefRec.title));
  m_CheckConsecutiveNumber->setChecked(m_PrefRec.titleNumber);
  EnableTitleControls();
  QAbstractButton* turn = m_RadioDefaultTurn->button(m_PrefRec.turn);
  if (turn == nullptr) turn = m_RadioDefaultTurn->button(kPrefDefaultTurn);
  turn->setChecked(true);
  m_EditTurnWidth->setText(QString::fromStdString(m_PrefRec.turnWidth));
  m_EditTurnWidth->setEnabled(m_RadioDefaultTurn->checkedId() == 3);

  if (!m_PrefRec.savedTab.empty()) {
    for (int i = 0; i < m_TabView->count(); ++i) {
      if (m_TabView->widget(i)->objectName().toStdString() == m_PrefRec.savedTab) {
        m_TabView->setCurrentIndex(i);
      }
    }
  }
  m_RadioExport->button(m_PrefRec.dropExportType)->setChecked(true);
  m_RadioLanguage->button(static_cast<int>(m_PrefRec.language))->setChecked(true);
  filling_ = false;
}

void PrefWindow::LoadTemplate(uint32_t tag, kdx_richtext::PrintTemplateKind kind, QTextEdit* view) {
  std::string path;
  std::vector<uint8_t> data;
  QByteArray stored;
  if (PREF_GetPreferenceREZFilePath(path) && KDX_ReadPrintData(path.c_str(), tag, data) > 0) {
    stored =
        QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
  }
  // A block that cannot be read shows the built-in template.
  (void)kdx_richtext::LoadPrintTemplate(stored, kind, view->document());
  view->document()->setModified(false);
}

void PrefWindow::ShowExtensions() {
  m_ListExt->clear();
  for (const std::string& ext : m_PrefRec.extensions) {
    m_ListExt->addItem(QString::fromStdString(ext));
  }
  UpdateSelectionButtons();
}

void PrefWindow::UpdateSelectionButtons() {
  const bool selected = !m_ListExt->selectedItems().isEmpty();
  if (edit_ != nullptr) edit_->setEnabled(selected);
  if (delete_ != nullptr) delete_->setEnabled(selected);
}

void PrefWindow::StoreExtensions(std::vector<std::string> extensions) {
  (void)KdxWriteExtensions(extensions);
  m_PrefRec.extensions = KdxReadExtensions();
  ShowExtensions();
}

void PrefWindow::OnAdd() {
  PreferenceEditDlg dialog(KdxText("拡張子追加"), QString(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  std::vector<std::string> extensions = m_PrefRec.extensions;
  extensions.push_back(dialog.extension().toStdString());
  StoreExtensions(std::move(extensions));
}

void PrefWindow::OnEdit() {
  const int row = m_ListExt->selectedItems().isEmpty() ? -1 : m_ListExt->currentRow();
  if (row < 0 || row >= static_cast<int>(m_PrefRec.extensions.size())) return;
  const auto index = static_cast<size_t>(row);
  PreferenceEditDlg dialog(KdxText("拡張子編集"),
                           QString::fromStdString(m_PrefRec.extensions[index]), this);
  if (dialog.exec() != QDialog::Accepted) return;
  std::vector<std::string> extensions = m_PrefRec.extensions;
  extensions[index] = dialog.extension().toStdString();
  StoreExtensions(std::move(extensions));
}

void PrefWindow::OnDelete() {
  const int row = m_ListExt->selectedItems().isEmpty() ? -1 : m_ListExt->currentRow();
  if (row < 0 || row >= static_cast<int>(m_PrefRec.extensions.size())) return;
  const auto index = static_cast<size_t>(row);
  const QString question =
      KdxTextFormat("%s を削除してもよろしいですか？", {m_PrefRec.extensions[index]});
  if (KDXCOMM_AlertOkCancel(this, question) == 2) return;
  std::vector<std::string> extensions = m_PrefRec.extensions;
  extensions.erase(extensions.begin() + row);
  StoreExtensions(std::move(extensions));
}

void PrefWindow::EnableTitleControls() {
  const bool defaultTitle = m_RadioTitleType->checkedId() != 1;
  m_EditDefaultTitle->setEnabled(defaultTitle);
  m_CheckConsecutiveNumber->setEnabled(defaultTitle);
}

void PrefWindow::OnFontChange() {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, m_CurrentFont, this, KdxText("フォント"));
  if (ok) SetChosenFont(font);
}

void PrefWindow::SetChosenFont(const QFont& font) {
  m_PrefRec.fontName = font.family().toStdString();
  m_PrefRec.fontSize = font.pointSizeF() > 0 ? font.pointSizeF() : kPrefDefaultFontSize;
  (void)PREF_WriteDefaultFontName(m_PrefRec.fontName.c_str());
  (void)PREF_WriteDefaultFontSize(m_PrefRec.fontSize);
  ShowFontName();
}

void PrefWindow::ShowFontName() {
  const std::string family = KdxShownFontFamily(m_PrefRec.fontName, HasFamily);
  m_CurrentFont = QFont(QString::fromStdString(family));
  if (m_PrefRec.fontSize > 0) m_CurrentFont.setPointSizeF(m_PrefRec.fontSize);
  m_StaticFontName->setText(QString::fromStdString(KdxFontLabel(family, m_PrefRec.fontSize)));
}

void PrefWindow::OnCancel() { close(); }

bool PrefWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowDeactivate) WindowDidResignKey();
  return QWidget::event(event);
}

bool PrefWindow::eventFilter(QObject* watched, QEvent* event) {
  // Tab types a tab in the templates; Ctrl+Tab leaves them.
  if (event->type() == QEvent::KeyPress &&
      (watched == m_PrintHeaderText || watched == m_PrintFooterText)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (const int step = KdxControlTabStep(key->key(), key->modifiers())) {
      focusNextPrevChild(step > 0);
      return true;
    }
  }
  if (event->type() == QEvent::FocusOut && opened_) {
    if (watched == m_PrintHeaderText) UpdatePrintHeader();
    if (watched == m_PrintFooterText) UpdatePrintFooter();
  }
  return QWidget::eventFilter(watched, event);
}

void PrefWindow::closeEvent(QCloseEvent* event) {
  WindowDidResignKey();
  KdxStoreWindowFrame(this, kPrefWindowRectKey);
  event->accept();  // hidden, kept for the next preference command
}

void PrefWindow::WindowDidResignKey() {
  if (!opened_) return;
  UpdatePrintHeader();
  UpdatePrintFooter();
  UpdatePrintMargin();
  UpdateTurnWidth();
  UpdateNewEntryTitle();
}

namespace {

// Stores the template shown in view under tag once the user has changed it,
// so that the built-in template stays in use until then.
void StoreTemplate(QTextEdit* view, uint32_t tag) {
  if (!view->document()->isModified()) return;
  std::string path;
  if (!PREF_GetPreferenceREZFilePath(path)) return;
  const QByteArray rtf =
      kdx_richtext::WriteRtf(*view->document(), kdx_richtext::RtfAttachmentMode::embed).rtf;
  if (KDX_WritePrintInfo(path.c_str(), tag, PREF_ReadExpandSize(), rtf.constData(),
                         static_cast<int32_t>(rtf.size())) == 1) {
    view->document()->setModified(false);
  }
}

}  // namespace

void PrefWindow::UpdatePrintHeader() { StoreTemplate(m_PrintHeaderText, kKdxTagPRHD); }

void PrefWindow::UpdatePrintFooter() { StoreTemplate(m_PrintFooterText, kKdxTagPRFT); }

void PrefWindow::UpdatePrintMargin() {
  // A field that holds no margin shows the stored one again.
  const auto take = [](QLineEdit* field, double* margin) {
    if (const auto value = PREF_ParsePrintMargin(field->text().toStdString())) *margin = *value;
    field->setText(MarginText(*margin));
  };
  take(m_EditPrintMarginLeft, &m_PrefRec.marginLeft);
  take(m_EditPrintMarginTop, &m_PrefRec.marginTop);
  take(m_EditPrintMarginRight, &m_PrefRec.marginRight);
  take(m_EditPrintMarginBottom, &m_PrefRec.marginBottom);
  (void)PREF_WriteBodyMargin(m_PrefRec.marginLeft, m_PrefRec.marginTop, m_PrefRec.marginRight,
                             m_PrefRec.marginBottom);
}

void PrefWindow::UpdateTurnWidth() {
  m_PrefRec.turn = m_RadioDefaultTurn->checkedId();
  const int32_t width = KDXCOMM_ParseTurnWidth(m_EditTurnWidth->text().toStdString());
  m_PrefRec.turnWidth = std::to_string(width);
  m_EditTurnWidth->setText(QString::fromStdString(m_PrefRec.turnWidth));
  (void)PREF_WriteInteger(kPrefDefaultTurnKey, m_PrefRec.turn);
  (void)PREF_WriteString(kPrefDefaultTurnWidthKey, m_PrefRec.turnWidth.c_str());
}

void PrefWindow::UpdateNewEntryTitle() {
  m_PrefRec.titleType = m_RadioTitleType->checkedId() == 1 ? 1 : 0;
  m_PrefRec.titleNumber = m_CheckConsecutiveNumber->isChecked();
  (void)PREF_WriteInteger(kPrefDefaultTitleTypeKey, m_PrefRec.titleType);
  const std::string title = m_EditDefaultTitle->text().toStdString();
  if (PREF_WriteString(kPrefDefaultTitleKey, title.c_str()) == 1) {
    m_PrefRec.title = title;
  } else {
    m_EditDefaultTitle->setText(QString::fromStdString(m_PrefRec.title));
  }
  (void)PREF_WriteInteger(kPrefTitleNumberKey, m_PrefRec.titleNumber ? 1 : 0);
}

#include "gui/app/entry_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <string>

#include "core/content/entry_content.h"
#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/entry_table.h"
#include "core/listing/category.h"
#include "core/listing/list_columns.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_time.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_window_commands.h"
#include "gui/app/entry_window_logic.h"
#include "gui/app/entry_window_options.h"
#include "gui/app/find_body_window.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/localization.h"
#include "gui/app/palette_logic.h"
#include "gui/app/print_commands.h"
#include "gui/app/search_window_logic.h"
#include "gui/app/window_order.h"
#include "richtext/body_format.h"
#include "transfer/file_import.h"

namespace {

constexpr char kMsgBodyUnreadable[] =
    "本文を読み込めませんでした。この文章の本文は編集・保存できません。";
constexpr char kMsgNoteUnreadable[] =
    "ノートを読み込めませんでした。この文章のノートは編集・保存できません。";

QString FromField(const char* field, size_t size) {
  return QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, size)));
}

QString ViewDate(const char* dateChars) {
  char text[32] = {};
  Vell_GetViewDateStringFromDataChars(dateChars, text);
  return QString::fromUtf8(text);
}

// The stored text of a text or note block, line ends normalised for the
// body's; none when it cannot be read (a missing block is empty).
std::optional<std::string> StoredText(const std::string& path, const KDX_ENTRY& entry,
                                      KdxBlockKind kind) {
  std::string text;
  const int32_t status = KDX_LoadBlockText(path.c_str(), entry, kind, &text);
  if (status < 0 && status != kKdxLoadMissing) return std::nullopt;
  if (kind == KdxBlockKind::kText) return KdxComparableStoredText(std::move(text));
  return text;
}

// Sets a flag for one scope.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

// ---- The window --------------------------------------------------------------

EntryWindow::EntryWindow(KdxDocument* document, const KDX_ENTRY& entry)
    : document_(document), id_(entry.en_id) {
  setAttribute(Qt::WA_DeleteOnClose);
  BuildWidgets();
  BuildMenus();
  EW_SetDetailControls(entry);
  infoButton_->setChecked(entry.en_detail_toggle != 0);
  ApplyWrapMode(entry);
  LoadBody(entry);
  LoadNote(entry);
  PlaceWindow(entry);
  ApplyInfoToggle();
  QTextCursor start = body_->textCursor();
  start.movePosition(QTextCursor::Start);
  body_->setTextCursor(start);
  body_->ensureCursorVisible();
  body_->setFocus();
  setTabOrder(note_, body_);
  setTabOrder(body_, title_);
  // Told once the window is up, never while it is being made.
  if (!bodyEditable_ || !noteEditable_) {
    QTimer::singleShot(0, this, [this] {
      if (!bodyEditable_) KDXCOMM_AlertOK(this, KdxText(kMsgBodyUnreadable));
      if (!noteEditable_) KDXCOMM_AlertOK(this, KdxText(kMsgNoteUnreadable));
    });
  }
}

EntryWindow::~EntryWindow() {
  // The views lose the focus as they go: no saving from a window half gone.
  body_->disconnect(this);
  note_->disconnect(this);
}

void EntryWindow::BuildWidgets() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);

  auto* bar = new QHBoxLayout;
  infoButton_ = new QToolButton(central);
  infoButton_->setObjectName(QStringLiteral("m_Button_Detail"));
  infoButton_->setCheckable(true);
  infoButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  infoButton_->setText(KdxText("文章情報"));
  connect(infoButton_, &QToolButton::clicked, this, &EntryWindow::hideOrShowEntryInfo);
  bar->addWidget(infoButton_);
  bar->addStretch(1);
  lock_ = new QLabel(KdxText("暗号化"), central);
  lock_->setObjectName(QStringLiteral("m_Image_LockIcon"));
  lock_->setFrameShape(QFrame::StyledPanel);
  bar->addWidget(lock_);
  layout->addLayout(bar);

  info_ = new QWidget(central);
  info_->setObjectName(QStringLiteral("EntryInfo"));
  info_->setFixedHeight(kKdxEntryInfoHeight);
  auto* grid = new QGridLayout(info_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  auto caption = [this](const char* text) { return new QLabel(KdxText(text), info_); };
  title_ = new QLineEdit(info_);
  title_->setObjectName(QStringLiteral("m_Edit_Title"));
  connect(title_, &QLineEdit::returnPressed, this, [this] { body_->setFocus(); });
  label_ = new QLabel(info_);
  label_->setObjectName(QStringLiteral("m_Static_Label"));
  grid->addWidget(KdxCaption(KdxText("文章名"), title_, info_), 0, 0);
  grid->addWidget(title_, 0, 1, 1, 3);
  grid->addWidget(label_, 0, 4, 1, 2);
  for (size_t i = 0; i < 3; ++i) {
    catTitles_[i] = new QLabel(info_);
    combos_[i] = new QComboBox(info_);
    combos_[i]->setObjectName(QStringLiteral("m_Combo_Cat%1").arg(i + 1));
    catTitles_[i]->setBuddy(combos_[i]);
    combos_[i]->setEditable(true);
    combos_[i]->setInsertPolicy(QComboBox::NoInsert);
    combos_[i]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combos_[i]->setMinimumContentsLength(6);
    const int column = static_cast<int>(i) * 2;
    grid->addWidget(catTitles_[i], 1, column);
    grid->addWidget(combos_[i], 1, column + 1);
  }
  const char* dateCaptions[] = {"作成", "更新", "最後に開いた", "最後に使った"};
  for (size_t i = 0; i < 4; ++i) {
    dates_[i] = new QLabel(info_);
    const int row = 2 + static_cast<int>(i) / 2;
    const int column = (static_cast<int>(i) % 2) * 2;
    grid->addWidget(caption(dateCaptions[i]), row, column);
    grid->addWidget(dates_[i], row, column + 1);
  }
  id_label_ = new QLabel(info_);
  id_label_->setObjectName(QStringLiteral("m_Static_EN_ID"));
  size_ = new QLabel(info_);
  size_->setObjectName(QStringLiteral("m_Static_BodyDataSize"));
  encoding_ = new QLabel(info_);
  encoding_->setObjectName(QStringLiteral("m_Static_Encoding"));
  grid->addWidget(caption("ID"), 2, 4);
  grid->addWidget(id_label_, 2, 5);
  grid->addWidget(caption("サイズ"), 3, 4);
  grid->addWidget(size_, 3, 5);
  grid->addWidget(caption("エンコード"), 4, 0);
  grid->addWidget(encoding_, 4, 1);
  note_ = new KdxNoteTextEdit(info_);
  note_->setObjectName(QStringLiteral("m_TextView_Note"));
  note_->setPlaceholderText(KdxText("ノート"));
  note_->document()->setDocumentMargin(3);
  note_->setTabChangesFocus(false);
  connect(note_, &KdxNoteTextEdit::focusLost, this, &EntryWindow::autoSaveEntry);
  grid->addWidget(KdxCaption(KdxText("ノート"), note_, info_), 5, 0, Qt::AlignTop);
  grid->addWidget(note_, 5, 1, 1, 5);
  grid->setRowStretch(5, 1);
  for (int column : {1, 3, 5}) grid->setColumnStretch(column, 1);
  layout->addWidget(info_);

  body_ = new KdxBodyTextEdit(central);
  body_->setObjectName(QStringLiteral("m_TextView_Body"));
  body_->setAccessibleName(KdxText("本文"));
  body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  body_->document()->setDocumentMargin(3);
  connect(body_, &KdxBodyTextEdit::focusLost, this, &EntryWindow::autoSaveEntry);
  layout->addWidget(body_, 1);
  setCentralWidget(central);
}

void EntryWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(KdxMenuTitle(KdxText("ファイル"), 'F'));
  QAction* save = file->addAction(KdxText("保存"));
  save->setShortcut(QKeySequence::Save);
  connect(save, &QAction::triggered, this, &EntryWindow::saveEntry);
  QAction* close = file->addAction(KdxText("閉じる"));
  close->setShortcuts(KdxCommandKeys("Ctrl+W", QKeySequence::Close));
  connect(close, &QAction::triggered, this, &QWidget::close);
  file->addSeparator();
  KdxAddEntryPrintActions(file, this, document_, id_, body_);

  QMenu* edit = menuBar()->addMenu(KdxMenuTitle(KdxText("編集"), 'E'));
  auto add = [this, edit](const char* text, QKeySequence::StandardKey key, auto slot) {
    QAction* action = edit->addAction(KdxText(text));
    action->setShortcut(key);  // the text views take these keys first
    connect(action, &QAction::triggered, this, [this, slot] {
      // The focused text view, else the body.
      QWidget* focus = QApplication::focusWidget();
      if (auto* line = qobject_cast<QLineEdit*>(focus)) {
        slot(static_cast<QObject*>(line));
      } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) {
        slot(static_cast<QObject*>(plain));
      } else {
        slot(static_cast<QObject*>(body_));
      }
    });
  };
  auto invoke = [](const char* method) {
    return [method](QObject* target) { QMetaObject::invokeMethod(target, method); };
  };
  add("取り消す", QKeySequence::Undo, invoke("undo"));
  add("やり直す", QKeySequence::Redo, invoke("redo"));
  edit->addSeparator();
  add("カット", QKeySequence::Cut, invoke("cut"));
  add("コピー", QKeySequence::Copy, invoke("copy"));
  add("ペースト", QKeySequence::Paste, invoke("paste"));
  add("すべてを選択", QKeySequence::SelectAll, invoke("selectAll"));
  QMenu* find = menuBar()->addMenu(KdxMenuTitle(KdxText("検索"), 'S'));
  new KdxEntryFind(this, document_, find);

  QMenu* format = menuBar()->addMenu(KdxMenuTitle(KdxText("書式"), 'O'));
  auto style = [this, format](const char* text, QKeySequence key, auto apply) {
    QAction* action = format->addAction(KdxText(text));
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, [this, apply] {
      if (body_->isReadOnly()) return;
      QTextCharFormat change;
      apply(body_->currentCharFormat(), &change);
      body_->mergeCurrentCharFormat(change);
    });
  };
  style("太字", QKeySequence::Bold, [](const QTextCharFormat& now, QTextCharFormat* change) {
    change->setFontWeight(now.fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
  });
  style("斜体", QKeySequence::Italic, [](const QTextCharFormat& now, QTextCharFormat* change) {
    change->setFontItalic(!now.fontItalic());
  });
  style("下線", QKeySequence::Underline, [](const QTextCharFormat& now, QTextCharFormat* change) {
    change->setFontUnderline(!now.fontUnderline());
  });

  format->addSeparator();
  QAction* fontChoice = format->addAction(KdxText("フォント…"));
  connect(fontChoice, &QAction::triggered, this, [this] {
    if (body_->isReadOnly()) return;
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, body_->currentFont(), this);
    if (chosen) body_->setCurrentFont(font);
  });
  QAction* colour = format->addAction(KdxText("文字の色…"));
  connect(colour, &QAction::triggered, this, [this] {
    if (body_->isReadOnly()) return;
    const QColor chosen = QColorDialog::getColor(body_->textColor(), this);
    if (chosen.isValid()) body_->setTextColor(chosen);
  });

  QMenu* view = menuBar()->addMenu(KdxMenuTitle(KdxText("表示"), 'V'));
  infoAction_ = view->addAction(KdxText("文章情報を隠す"));
  infoAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+I")));
  connect(infoAction_, &QAction::triggered, this, &EntryWindow::showHideInfo);
  commands_ = new KdxEntryCommands(this, file);
  new KdxEntryOptions(this, document_, view->addMenu(KdxText("折り返し")), edit);
  file->addSeparator();
  KdxAddApplicationItems(file);
  KdxAddHelpMenu(menuBar());
}

void EntryWindow::EW_SetDetailControls(const KDX_ENTRY& entry) {
  setWindowTitle(KdxEntryWindowTitle(entry));
  title_->setText(FromField(entry.en_title, sizeof entry.en_title));
  const char* dates[] = {entry.en_create_date, entry.en_update_date, entry.en_last_opened_date,
                         entry.en_use_date};
  for (size_t i = 0; i < 4; ++i) dates_[i]->setText(ViewDate(dates[i]));
  if (document_ == nullptr) return;
  const KDX_DATA& data = document_->session().data();

  KDX_CATEGORY_TITLE titles{};
  if (TI_GetData(data.catTitleAry, &titles) == 1) {
    const char* texts[] = {titles.ti_cat1_title, titles.ti_cat2_title, titles.ti_cat3_title};
    for (size_t i = 0; i < 3; ++i) {
      catTitles_[i]->setText(KdxShownName(texts[i], sizeof titles.ti_cat1_title));
    }
  }
  const char* names[] = {entry.en_cat1_name, entry.en_cat2_name, entry.en_cat3_name};
  for (size_t i = 0; i < 3; ++i) {
    const QSignalBlocker block(combos_[i]);
    combos_[i]->clear();
    for (const std::string& name :
         KDXCOMM_GetLevelCategoryNames(data.catSetAry, static_cast<int32_t>(i + 1))) {
      combos_[i]->addItem(QString::fromStdString(KDXCOMM_GetCatDisplayName(name)));
    }
    combos_[i]->setMaxVisibleItems(std::max(1, combos_[i]->count()));
    combos_[i]->setCurrentText(QString::fromStdString(
        KDXCOMM_GetCatDisplayName(std::string_view(names[i], strnlen(names[i], 128)))));
  }

  KDX_COLOR_LABEL label{};
  if (CO_GetData(data.colorLabelAry, entry.en_co_id, &label) == 1) {
    const KdxRgb rgb = KDXCOMM_GetLabelColor(data.colorLabelAry, entry.en_co_id);
    label_->setText(KdxShownName(label.co_name, sizeof label.co_name));
    QPalette palette = label_->palette();
    const QColor color = QColor::fromRgbF(
        static_cast<float>(rgb.red), static_cast<float>(rgb.green), static_cast<float>(rgb.blue));
    palette.setColor(QPalette::WindowText,
                     KdxLabelTextColor(color, palette.color(QPalette::Window)));
    label_->setPalette(palette);
  } else {
    label_->clear();
  }
  id_label_->setText(QString::number(entry.en_id));
  char size[64] = {};
  KDX_GetDataSizeString(entry.en_bo_block_size, size, sizeof size);
  size_->setText(QString::fromUtf8(size) + QStringLiteral(" bytes"));
  lock_->setVisible(entry.en_encrypt == 1);
  encoding_->setText(FromField(entry.en_encode, sizeof entry.en_encode));
}

void EntryWindow::EW_UpdateControls() {
  if (document_ == nullptr || document_->session().busy()) return;
  const std::optional<KDX_ENTRY> entry = document_->session().FindEntry(id_);
  if (!entry) {
    KdxDeferSystemAlert(QStringLiteral("[-1] EW_UpdateControls"));
    return;
  }
  EW_SetDetailControls(*entry);
}

void EntryWindow::SelectFoundText(const QString& word) {
  const int at = KdxFindFoundWord(body_->toPlainText(), word);
  if (at < 0) return;
  QTextCursor cursor(body_->document());
  cursor.setPosition(at);
  cursor.setPosition(at + static_cast<int>(word.size()), QTextCursor::KeepAnchor);
  body_->setTextCursor(cursor);
  body_->ensureCursorVisible();
}

void EntryWindow::LoadBody(const KDX_ENTRY& entry) {
  QFont font = body_->font();
  char family[256] = {};
  PREF_ReadDefaultFontName(sizeof family, family);
  // A family this system lacks keeps the view's own.
  const std::string usable = KDX_UsableFontName(family);
  if (!usable.empty()) font.setFamily(QString::fromStdString(usable));
  const double points = PREF_ReadDefaultFontSize();
  if (points > 0) font.setPointSizeF(points);
  QTextDocument* doc = body_->document();
  doc->setDefaultFont(font);

  uint8_t* raw = nullptr;
  const int32_t size = KDX_LoadBOContainer(document_->session().path().c_str(), entry, &raw);
  const std::unique_ptr<uint8_t, void (*)(void*)> owned(raw, Vell_MallocFree);
  if (size > 0) {
    const QByteArray bytes(reinterpret_cast<const char*>(raw), size);
    bodyEditable_ =
        kdx_richtext::BodyToDocument(bytes, doc) != kdx_richtext::BodyStatus::unreadable;
  } else {
    bodyEditable_ = size == 0 || size == kKdxLoadMissing;
  }
  if (!bodyEditable_) {
    doc->clear();
    body_->setReadOnly(true);
  }
  doc->setModified(false);
  doc->clearUndoRedoStacks();
}

void EntryWindow::LoadNote(const KDX_ENTRY& entry) {
  const std::optional<std::string> text =
      StoredText(document_->session().path(), entry, KdxBlockKind::kNote);
  noteEditable_ = text.has_value();
  if (!noteEditable_) {
    note_->setReadOnly(true);
    return;
  }
  if (!text->empty()) note_->setPlainText(QString::fromStdString(*text));
}

void EntryWindow::ApplyWrapMode(const KDX_ENTRY& entry) {
  KdxApplyBodyWrap(body_, KdxGetBodyWrapMode(entry.en_turn, entry.en_turn_width));
}

void EntryWindow::PlaceWindow(const KDX_ENTRY& entry) {
  if (const std::optional<KdxWindowRect> frame = KdxStoredEntryFrame(entry)) {
    resize(std::max(frame->width(), minimumSizeHint().width()),
           std::max(frame->height(), minimumSizeHint().height()));
    move(frame->left, frame->top);
    return;
  }
  int32_t width = 0;
  int32_t height = 0;
  PREF_ReadWindowSize(kPrefDefaultEntryWindowSizeKey, &width, &height);
  resize(std::max(width, minimumSizeHint().width()), std::max(height, minimumSizeHint().height()));
  const QWidget* front = QApplication::activeWindow();
  if (front == nullptr) front = document_;
  std::optional<KdxWindowRect> frontRect;
  if (front != nullptr && front->isVisible()) {
    frontRect = KdxWindowRect{front->x(), front->y(), front->x() + front->width(),
                              front->y() + front->height()};
  }
  const QRect screen = QGuiApplication::primaryScreen()
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, 1280, 800);
  KdxWindowRect rect;
  if (KDXCOMM_CalcInitialWindowBounds(this->width(), this->height(), frontRect, screen.width(),
                                      screen.height(), &rect) == 1) {
    move(rect.left, rect.top);
  }
}

void EntryWindow::ApplyInfoToggle() {
  const bool shown = infoButton_->isChecked();
  info_->setVisible(shown);
  infoButton_->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
  infoAction_->setText(KdxText(shown ? "文章情報を隠す" : "文章情報を表示"));
}

void EntryWindow::hideOrShowEntryInfo() {
  if (!infoButton_->isChecked()) body_->setFocus();
  ApplyInfoToggle();
  autoSaveEntry();
}

void EntryWindow::showHideInfo() {
  infoButton_->setChecked(!infoButton_->isChecked());
  hideOrShowEntryInfo();
}

void EntryWindow::autoSaveEntry() { Save(false); }

void EntryWindow::saveEntry() { Save(true); }

void EntryWindow::Save(bool force) {
  if (saving_ || document_ == nullptr) return;
  KdxSession& session = document_->session();
  if (!session.writable() || session.busy()) return;
  const FlagScope scope(saving_);
  const std::optional<KDX_ENTRY> stored = session.FindEntry(id_);
  if (!stored) {
    KDXCOMM_SystemAlert(this, QString::fromLatin1(force ? "[-1] saveEntry" : "[-1] autoSaveEntry"));
    return;
  }
  KdxEntryWindowValues values;
  values.title = title_->text();
  for (size_t i = 0; i < 3; ++i) values.categories[i] = combos_[i]->currentText();
  values.infoShown = infoButton_->isChecked();
  values.frame = KdxWindowRect{x(), y(), x() + width(), y() + height()};
  KDX_ENTRY copy = EW_GetKdxEntry_ByControl(*stored, values);

  QTextDocument* doc = body_->document();
  KdxEntryPart note;
  note.editable = noteEditable_;
  note.shown = note_->toPlainText().toStdString();
  note.modified = force;
  KdxEntryPart body;
  body.editable = bodyEditable_;
  body.modified = force || doc->isModified();
  // An untouched body is what the document holds: a long one is neither
  // turned into text nor compared with the stored text.
  body.untouched = !body.modified;
  if (!body.untouched) body.shown = kdx_richtext::DocumentPlainText(*doc).toStdString();
  const std::string& path = session.path();
  if (note.editable) {
    note.stored = StoredText(path, *stored, KdxBlockKind::kNote);
    if (!note.stored) KDXCOMM_SystemAlert(this, QStringLiteral("[-1] IsTheNoteUpdated"));
  }
  if (body.editable && !body.untouched) {
    body.stored = StoredText(path, *stored, KdxBlockKind::kText);
    if (!body.stored) KDXCOMM_SystemAlert(this, QStringLiteral("[-1] IsTheBodyUpdated"));
  }
  const KdxEntryChanges changes = EW_IsTheEntryUpdated(*stored, copy, note, body);
  if (changes.first == 0 && !changes.note && !changes.body) {
    // Place, toggle and this system kept in memory; written with the next save.
    (void)session.UpdateEntry(copy);
    return;
  }

  Vell_GetCurrentTimeAsString(copy.en_update_date, kVellDateCharsSize);
  bool saved = true;
  if (changes.note) {
    saved = session.SaveEntryContent(copy, KdxBlockKind::kNote, note.shown) == 0;
  }
  if (saved && changes.body) {
    const std::optional<QByteArray> bytes = kdx_richtext::DocumentToBody(*doc);
    if (!bytes) {
      KDXCOMM_SystemAlert(this, QStringLiteral("[-1] SaveBody"));
      return;
    }
    // The body first: should the text fail after it, the content is safe and
    // only the text lags until the next try. The text is the shown one.
    saved = session.SaveEntryContent(
                copy, KdxBlockKind::kBody,
                std::string_view(bytes->constData(), static_cast<size_t>(bytes->size()))) == 0 &&
            session.SaveEntryContent(copy, KdxBlockKind::kText, body.shown) == 0;
    copy.en_bo_block_size = static_cast<int32_t>(bytes->size());
  }
  if (!saved || session.UpdateEntryAndCategories(copy) != KdxChangeResult::kOk) {
    saveFailed_ = true;
    KDXCOMM_AlertOK(this, KdxText(kKdxMsgCannotSave));
    return;
  }
  document_->EntryRecordChanged(*stored, copy, changes.note);
  if (KdxEntryWindows* windows = document_->entryWindows()) windows->UpdateAll();
  if (session.Save() != 0) {
    // The document is as the last save left it; the window keeps its edits
    // for the next try.
    saveFailed_ = true;
    KDXCOMM_AlertOK(this, KdxText(kKdxMsgCannotSave));
    return;
  }
  saveFailed_ = false;
  doc->setModified(false);
}

void EntryWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()) {
    autoSaveEntry();
  }
}

void EntryWindow::closeEvent(QCloseEvent* event) {
  autoSaveEntry();
  // Edits that could not be saved stay on screen for another try, unless the
  // document itself is closing.
  if (saveFailed_ && !closing_) {
    event->ignore();
    return;
  }
  if (document_ != nullptr) {
    if (KdxEntryWindows* windows = document_->entryWindows()) windows->Closed(this);
  }
  event->accept();
}

// ---- The document's entry windows -------------------------------------------

KdxEntryWindows::KdxEntryWindows(KdxDocument* document) : QObject(document), document_(document) {
  KdxWatchWindowOrder();
}

KdxEntryWindows::~KdxEntryWindows() = default;

EntryWindow* KdxEntryWindows::Find(int32_t id) const {
  for (EntryWindow* window : windows_) {
    if (window->entryId() == id) return window;
  }
  return nullptr;
}

EntryWindow* KdxEntryWindows::Open(KDX_ENTRY* entry) {
  if (EntryWindow* open = Find(entry->en_id)) {
    KdxBringToFront(open);
    return nullptr;
  }
  Vell_GetCurrentTimeAsString(entry->en_last_opened_date, kVellDateCharsSize);
  auto* window = new EntryWindow(document_, *entry);
  windows_.push_back(window);
  window->show();
  KdxBringToFront(window);
  return window;
}

void KdxEntryWindows::OpenEntries(const std::vector<int32_t>& ids) {
  KdxSession& session = document_->session();
  if (!session.writable() || session.busy()) return;
  bool stored = false;
  for (const int32_t id : ids) {
    std::optional<KDX_ENTRY> entry = session.FindEntry(id);
    if (!entry || Open(&*entry) == nullptr) continue;
    stored = session.UpdateEntry(*entry) == KdxChangeResult::kOk || stored;
  }
  if (!stored) return;
  if (session.Save() != 0) KDXCOMM_AlertOK(document_, KdxText(kKdxMsgCannotSave));
  document_->ReloadMainListBoxes();
}

void KdxEntryWindows::Restore() {
  KdxSession& session = document_->session();
  if (!session.writable() || session.busy()) return;
  const KDX_DATA& data = session.data();
  std::vector<std::pair<int32_t, int32_t>> order;
  for (int32_t i = 0; i < Vell_Ary_GetSize(data.entryAry); ++i) {
    const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(data.entryAry, i));
    const int32_t z = KDX_GetStoredEntryWindowZIndex(stored);
    if (z > 0) order.emplace_back(KDX_GetStoredEntryID(stored), z);
  }
  if (order.empty()) return;
  const KdxWindowRestorePlan plan = KdxPlanWindowRestore(order, KDXCOMM_GetMainOrderIndex(data));
  for (const int32_t id : plan.reopen) {
    std::optional<KDX_ENTRY> entry = session.FindEntry(id);
    if (entry && Open(&*entry) != nullptr) (void)session.UpdateEntry(*entry);
  }
  for (const std::optional<int32_t>& id : plan.raise) {
    QWidget* window = id ? static_cast<QWidget*>(Find(*id)) : document_;
    if (window != nullptr) KdxBringToFront(window);
  }
  if (session.Save() != 0) KDXCOMM_AlertOK(document_, KdxText(kKdxMsgCannotSave));
}

void KdxEntryWindows::RecordOrder() {
  KdxSession& session = document_->session();
  if (!session.writable() || session.busy()) return;
  // The window being closed is the one the user acts on.
  KdxMoveToFrontOfOrder(document_);
  // Read from the stored records, so that only the entries whose order
  // changes are decoded and stored.
  std::vector<std::pair<int32_t, int32_t>> changes;  // id, new order
  const VELL_ARY* entries = session.data().entryAry;
  for (int32_t i = 0; i < Vell_Ary_GetSize(entries); ++i) {
    const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(entries, i));
    const int32_t id = KDX_GetStoredEntryID(stored);
    const int32_t before = KDX_GetStoredEntryWindowZIndex(stored);
    const EntryWindow* window = Find(id);
    const int32_t z = window != nullptr ? KdxOrderedIndex(window) : -1;
    // 0 and -1 both mean "no window" to the restore; rewriting every new
    // entry's 0 as -1 would rewrite the whole entry table at the first close.
    if (before == z || (window == nullptr && before <= 0)) continue;
    changes.emplace_back(id, z);
  }
  for (const auto& [id, z] : changes) {
    std::optional<KDX_ENTRY> entry = session.FindEntry(id);
    if (!entry) continue;
    entry->en_window_z_index = z;
    (void)session.UpdateEntry(*entry);
  }
  if (KDXCOMM_BackupMainOrderIndex(session.EditSettings(), KdxOrderedIndex(document_)) != 0) {
    KdxDeferSystemAlert(QStringLiteral("[-1] KDXCOMM_BackupMainOrderIndex"));
  }
}

void KdxEntryWindows::CloseAll() {
  const std::vector<EntryWindow*> open = windows_;
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    (*it)->closing_ = true;
    (*it)->close();
  }
}

void KdxEntryWindows::UpdateAll() {
  for (EntryWindow* window : windows_) window->EW_UpdateControls();
}

void KdxEntryWindows::Closed(EntryWindow* window) { std::erase(windows_, window); }

// Keyboard and screen-reader access: within a window no two commands answer
// the same keys and no two menus the same Alt letter, Tab moves through a
// dialog in reading order, and every control Tab reaches has a name.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/document/catset_table.h"
#include "core/prefs/pref_file.h"
#include "core/prefs/pref_rez.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/category_dialogs.h"
#include "gui/app/entry_window.h"
#include "gui/app/find_body_window.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/label_dialog.h"
#include "gui/app/list_option_dialog.h"
#include "gui/app/localization.h"
#include "gui/app/password_dialog.h"
#include "gui/app/preference_window.h"
#include "gui/app/search_window.h"
#include "gui/app/startup_dialog.h"
#include "gui_test.h"
#include "support/test_document.h"

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

// "keys: first and second" for each key sequence two different commands of
// window take.
std::vector<std::string> ShortcutClashes(QWidget* window) {
  std::map<QString, QString> owner;
  std::vector<std::string> clashes;
  auto take = [&](const QKeySequence& key, const QString& name) {
    if (key.isEmpty()) return;
    const QString keys = key.toString(QKeySequence::PortableText);
    const auto [it, added] = owner.emplace(keys, name);
    if (!added && it->second != name) {
      clashes.push_back(
          Utf8(keys + QStringLiteral(": ") + it->second + QStringLiteral(" and ") + name));
    }
  };
  for (QAction* action : window->findChildren<QAction*>()) {
    const QString name = action->objectName().isEmpty() ? action->text() : action->objectName();
    for (const QKeySequence& key : action->shortcuts()) take(key, name);
  }
  for (QShortcut* shortcut : window->findChildren<QShortcut*>()) {
    take(shortcut->key(), shortcut->objectName());
  }
  return clashes;
}

// The menu-bar titles without an Alt letter or with one another title has.
std::vector<std::string> MenuLetterFaults(QMenuBar* bar) {
  std::set<QChar> taken;
  std::vector<std::string> faults;
  for (QAction* menu : bar->actions()) {
    const QChar letter = KdxMenuTitleLetter(menu->text());
    if (letter.isNull() || !taken.insert(letter).second) faults.push_back(Utf8(menu->text()));
  }
  return faults;
}

bool IsTabStop(QWidget* root, QWidget* widget) {
  return widget->window() == root && (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
         widget->isVisibleTo(root) && widget->isEnabled() && widget->focusProxy() == nullptr;
}

// The controls Tab stops at, in the order it reaches them.
std::vector<QWidget*> TabStops(QWidget* root) {
  std::vector<QWidget*> stops;
  for (QWidget* widget = root->nextInFocusChain(); widget != root;
       widget = widget->nextInFocusChain()) {
    if (IsTabStop(root, widget)) stops.push_back(widget);
  }
  return stops;
}

// A radio button of a group: Tab lands on one of the group, the arrows choose.
bool IsGroupedChoice(QWidget* widget) {
  auto* button = qobject_cast<QAbstractButton*>(widget);
  return button != nullptr && button->isCheckable() &&
         (button->autoExclusive() || (button->group() != nullptr && button->group()->exclusive()));
}

// The stops but the grouped choices.
std::vector<QWidget*> TabKeyStops(QWidget* root) {
  std::vector<QWidget*> stops = TabStops(root);
  std::erase_if(stops, IsGroupedChoice);
  return stops;
}

// The controls (grouped choices left out) real Tab presses reach from the
// first stop until the focus comes back to it; a null at the end where it
// stays in one control (a view keeping Tab for its cells).
std::vector<QWidget*> TabWalk(QWidget* root) {
  const std::vector<QWidget*> stops = TabStops(root);
  std::vector<QWidget*> walked;
  if (stops.empty()) return walked;
  stops.front()->setFocus(Qt::TabFocusReason);
  QWidget* at = stops.front();
  for (size_t step = 0; step <= stops.size(); ++step) {
    if (!IsGroupedChoice(at)) walked.push_back(at);
    QTest::keyClick(at, Qt::Key_Tab);
    QWidget* next = QApplication::focusWidget();
    if (next == stops.front()) break;
    if (next == at || next == nullptr) {
      walked.push_back(nullptr);
      break;
    }
    at = next;
  }
  return walked;
}

QString Describe(QWidget* widget) {
  QString text = widget->accessibleName();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
  return QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char(' ') +
         widget->objectName() + QLatin1Char(' ') + text;
}

std::vector<std::string> Describe(const std::vector<QWidget*>& widgets) {
  std::vector<std::string> names;
  for (QWidget* widget : widgets) names.push_back(widget ? Utf8(Describe(widget)) : "(stays)");
  return names;
}

// "first -> second" wherever Tab goes from a control back up to one above it
// (not to the top of a column further right), or to its left on a line.
std::vector<std::string> ReadingOrderFaults(QWidget* root) {
  const std::vector<QWidget*> stops = TabStops(root);
  std::vector<std::string> faults;
  for (size_t i = 0; i + 1 < stops.size(); ++i) {
    const QRect a(stops[i]->mapTo(root, QPoint(0, 0)), stops[i]->size());
    const QRect b(stops[i + 1]->mapTo(root, QPoint(0, 0)), stops[i + 1]->size());
    const bool above = b.bottom() < a.top() && b.left() <= a.right();
    const bool sameLine = b.top() <= a.bottom() && a.top() <= b.bottom();
    if (above || (sameLine && b.right() < a.left())) {
      faults.push_back(Utf8(Describe(stops[i]) + QStringLiteral(" -> ") + Describe(stops[i + 1])));
    }
  }
  return faults;
}

bool HasWordIn(const QString& text) {
  for (const QChar c : text) {
    if (c.isLetterOrNumber()) return true;
  }
  return false;
}

// The controls Tab reaches that a screen reader could not name: no name of
// their own, no caption pointing at them and no text that says what they do
// ("+" and "▼" say nothing).
std::vector<std::string> UnnamedControls(QWidget* root) {
  std::set<const QWidget*> captioned;
  for (const QLabel* label : root->findChildren<QLabel*>()) {
    if (label->buddy() != nullptr && HasWordIn(label->text())) captioned.insert(label->buddy());
  }
  std::vector<std::string> unnamed;
  for (QWidget* widget : TabStops(root)) {
    auto* button = qobject_cast<QAbstractButton*>(widget);
    const bool named = HasWordIn(widget->accessibleName()) || captioned.count(widget) > 0 ||
                       (button != nullptr && HasWordIn(button->text())) ||
                       qobject_cast<QTabBar*>(widget) != nullptr;
    if (!named) unnamed.push_back(Utf8(Describe(widget)));
  }
  return unnamed;
}

TEST(MenuTitleTest, TitlesCarryOneAltLetter) {
  EXPECT_EQ(KdxMenuTitle(QStringLiteral("ファイル"), 'F'), QStringLiteral("ファイル(&F)"));
  EXPECT_EQ(KdxMenuTitle(QStringLiteral("表示"), 'v'), QStringLiteral("表示(&V)"));
  // A translation's own letter stays; one without a mark gets the letter in it.
  EXPECT_EQ(KdxMenuTitle(QStringLiteral("E&ntry"), 'T'), QStringLiteral("E&ntry"));
  EXPECT_EQ(KdxMenuTitle(QStringLiteral("Entry"), 'T'), QStringLiteral("En&try"));
  // "&&" is an ampersand shown, never a letter.
  EXPECT_EQ(KdxMenuTitle(QStringLiteral("Q&&A"), 'H'), QStringLiteral("Q&&A(&H)"));
  EXPECT_EQ(KdxMenuTitleLetter(QStringLiteral("Q&&A(&h)")), QChar(u'H'));
  EXPECT_TRUE(KdxMenuTitleLetter(QStringLiteral("Q&&A")).isNull());
  EXPECT_TRUE(KdxMenuTitleLetter(QStringLiteral("end&")).isNull());
  // The agreed keys come first, the platform's own after them, none twice.
  const QList<QKeySequence> close = KdxCommandKeys("Ctrl+W", QKeySequence::Close);
  EXPECT_EQ(close.front(), QKeySequence(QStringLiteral("Ctrl+W")));
  EXPECT_EQ(close.count(close.front()), 1);
}

class KeyboardTest : public GuiTest {
 protected:
  // The document window and one entry window on a document of one entry.
  void OpenWindows(const char* name = "keys.kdx") {
    const std::string path = dir_.File(name);
    int32_t id = 0;
    {
      kdx_test::TestDocument doc(path);
      id = doc.Add(kdx_test::TestDocument::NewEntry("メモ")).en_id;
      doc.Save();
    }
    document_ = Open(path);
    ASSERT_NE(document_, nullptr);
    document_->entryWindows()->OpenEntries({id});
    entry_ = document_->entryWindows()->Find(id);
    ASSERT_NE(entry_, nullptr);
    search_ = AllFindWindow::Show(document_, QString(), false);
    ASSERT_NE(search_, nullptr);
  }

  KdxDocument* document_ = nullptr;
  EntryWindow* entry_ = nullptr;
  AllFindWindow* search_ = nullptr;
};

TEST_F(KeyboardTest, EveryWindowsCommandsAnswerTheirOwnKeysAndLettersInBothLanguages) {
  ASSERT_TRUE(KdxInstallLanguage(KdxLanguage::kEnglish));
  OpenWindows("english.kdx");
  std::vector<QMainWindow*> windows{document_, entry_, search_};
  for (QMainWindow* window : windows) {
    EXPECT_EQ(MenuLetterFaults(window->menuBar()), std::vector<std::string>())
        << Utf8(window->windowTitle());
  }
  CloseAll();
  ASSERT_TRUE(KdxInstallLanguage(KdxLanguage::kJapanese));
  OpenWindows();
  for (QMainWindow* window : std::vector<QMainWindow*>{document_, entry_, search_}) {
    const std::string name = Utf8(window->windowTitle());
    EXPECT_EQ(ShortcutClashes(window), std::vector<std::string>()) << name;
    EXPECT_EQ(MenuLetterFaults(window->menuBar()), std::vector<std::string>()) << name;
    // Every window reaches the preference window, quitting and the guide.
    for (const char* command : {"preference", "quit", "OpenHelp"}) {
      auto* action = window->findChild<QAction*>(QString::fromLatin1(command));
      EXPECT_TRUE(action != nullptr && !action->shortcut().isEmpty()) << name << " " << command;
    }
    // Every menu command with keys is shown with them: the key is on the action.
    int withKeys = 0;
    for (QAction* menu : window->menuBar()->actions()) {
      for (QAction* item : menu->menu()->actions()) withKeys += item->shortcut().isEmpty() ? 0 : 1;
    }
    EXPECT_GT(withKeys, 3) << name;
  }
  // The entry list's context menu opens from the keyboard too.
  document_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(document_));
  document_->entryList()->setFocus();
  document_->entryList()->selectRow(0);
  QTest::keyClick(document_->entryList(), Qt::Key_F10, Qt::ShiftModifier);
  auto* menu = document_->entryList()->findChild<QMenu*>(QStringLiteral("EntryListMenu"));
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->isVisible());
  EXPECT_TRUE(menu->actions().front()->isEnabled());  // 開く: the row is selected
  menu->close();
}

TEST_F(KeyboardTest, TabTypesATabInTheEntrysTextsAndControlTabLeavesThem) {
  OpenWindows();
  if (!entry_->infoArea()->isVisible()) entry_->showHideInfo();
  entry_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(entry_));
  entry_->body()->setFocus();
  QTest::keyClick(entry_->body(), Qt::Key_Tab);
  EXPECT_EQ(entry_->body()->toPlainText(), QStringLiteral("\t"));
  QTest::keyClick(entry_->body(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_TRUE(entry_->titleField()->hasFocus());  // the note -> body -> title loop
  entry_->body()->setFocus();
  QTest::keyClick(entry_->body(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(entry_->note()->hasFocus());
  QTest::keyClick(entry_->note(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_TRUE(entry_->body()->hasFocus());
}

TEST_F(KeyboardTest, TabReachesEveryControlInReadingOrderAndEachHasAName) {
  OpenWindows();
  if (!entry_->infoArea()->isVisible()) entry_->showHideInfo();
  kdx_test::TestDocument doc(dir_.File("dialogs.kdx"));
  KDX_CATEGORY_TITLE titles{};
  ASSERT_EQ(TI_GetData(doc.view().catTitleAry, &titles), 1);
  ASSERT_EQ(PREF_PrepareREZFile(kPrefREZVersion), 1);
  PrefWindow prefs;
  prefs.OpenPrefWindow();
  LabelEditDlg labels(doc.data()->colorLabelAry);
  ListOptionDlg options(QStringLiteral("一覧"), doc.data()->columnAry, titles);
  StartupDlg startup({dir_.File("a.kdx"), dir_.File("b.kdx")});
  PasswordDlg password(QStringLiteral("パスワード:"), QString());
  CategoryAddDlg category(QStringLiteral("分類１"), nullptr, 1);
  FindBodyWindow find(KdxEntryFind::Of(entry_));
  for (QWidget* window : std::vector<QWidget*>{&labels, &options, &startup, &password, &category,
                                               document_, search_}) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const std::string title = Utf8(window->windowTitle());
    // Tab itself gets everywhere: no list keeps it for its cells.
    EXPECT_EQ(Describe(TabWalk(window)), Describe(TabKeyStops(window))) << title;
    EXPECT_EQ(ReadingOrderFaults(window), std::vector<std::string>()) << title;
    EXPECT_EQ(UnnamedControls(window), std::vector<std::string>()) << title;
  }
  // The entry window keeps its own loop, the find panel its own order.
  for (QWidget* window : std::vector<QWidget*>{entry_, &find}) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(UnnamedControls(window), std::vector<std::string>()) << Utf8(window->windowTitle());
  }
  // Tab types a tab in the print templates: the pages' chains are checked.
  auto* tabs = prefs.findChild<QTabWidget*>();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&prefs));
  for (int page = 0; page < tabs->count(); ++page) {
    tabs->setCurrentIndex(page);
    EXPECT_EQ(ReadingOrderFaults(&prefs), std::vector<std::string>()) << page;
    EXPECT_EQ(UnnamedControls(&prefs), std::vector<std::string>()) << page;
  }
}

}  // namespace

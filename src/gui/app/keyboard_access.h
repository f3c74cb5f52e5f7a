// Keyboard and screen-reader access the windows share: menu-bar titles that
// carry the letter Alt opens them with, the items every window's menus offer
// alike (the preference window, quitting, the Help menu), the keys of the
// commands, of the text views and of the lists, and captions tied to the
// field they name.
#pragma once

#include <QChar>
#include <QKeySequence>
#include <QList>
#include <QString>

class QAbstractItemView;
class QLabel;
class QMenu;
class QMenuBar;
class QWidget;

// A menu-bar title with its access letter. A text that marks a letter with
// "&" already (a translation choosing its own, "&File") stays as it is; a text
// holding the letter (any case) has its first one marked ("Entry", 't' ->
// "En&try"); any other text gets the letter after it: "ファイル(&F)".
[[nodiscard]] QString KdxMenuTitle(const QString& text, char letter);

// The access letter of a title made by KdxMenuTitle, upper case, or a null
// QChar when it has none ("&&" is a plain ampersand).
[[nodiscard]] QChar KdxMenuTitleLetter(const QString& title);

// The keys of a command: the ones the desktops agree on first ("Ctrl+W"
// closes a window), then any other the platform binds to the same standard
// key (Ctrl+F4), each once.
[[nodiscard]] QList<QKeySequence> KdxCommandKeys(const char* keys,
                                                 QKeySequence::StandardKey standard);

// Where Ctrl+Tab moves the focus from a text view whose Tab types a tab: 1
// on to the next control, -1 back (with Shift), 0 for any other key.
[[nodiscard]] int KdxControlTabStep(int key, Qt::KeyboardModifiers modifiers);

// Shift+F10 opens a list's context menu at its current row
// (customContextMenuRequested, in the viewport's coordinates as a click's);
// the menu key is the platform's own.
void KdxAddContextMenuKeys(QAbstractItemView* view);

// A caption for field: a label screen readers announce the field by and
// whose access letter, if it has one, moves the focus there.
QLabel* KdxCaption(const QString& text, QWidget* field, QWidget* parent);

// The File menu's application items: 環境設定… (Ctrl+,), opening the one
// preference window, and 終了 (Ctrl+Q), closing every window.
void KdxAddApplicationItems(QMenu* file);

// The Help menu: 指南 (F1), disabled when the guide is not installed.
QMenu* KdxAddHelpMenu(QMenuBar* bar);

#include "gui/app/keyboard_access.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "gui/app/help_guide.h"
#include "gui/app/kdx_application.h"
#include "gui/app/localization.h"

QString KdxMenuTitle(const QString& text, char letter) {
  if (KdxMenuTitleLetter(text) != QChar()) return text;
  const QChar mark = QChar::fromLatin1(letter);
  const qsizetype at = text.indexOf(mark, 0, Qt::CaseInsensitive);
  if (at >= 0) return text.left(at) + QLatin1Char('&') + text.mid(at);
  return text + QStringLiteral("(&") + mark.toUpper() + QLatin1Char(')');
}

QChar KdxMenuTitleLetter(const QString& title) {
  for (qsizetype i = 0; i + 1 < title.size(); ++i) {
    if (title[i] != QLatin1Char('&')) continue;
    if (title[i + 1] != QLatin1Char('&')) return title[i + 1].toUpper();
    ++i;  // "&&" is the ampersand itself
  }
  return {};
}

QList<QKeySequence> KdxCommandKeys(const char* keys, QKeySequence::StandardKey standard) {
  QList<QKeySequence> all{QKeySequence(QString::fromLatin1(keys))};
  for (const QKeySequence& other : QKeySequence::keyBindings(standard)) {
    if (!all.contains(other)) all.push_back(other);
  }
  return all;
}

int KdxControlTabStep(int key, Qt::KeyboardModifiers modifiers) {
  if (!(modifiers & Qt::ControlModifier) || (modifiers & Qt::AltModifier)) return 0;
  if (key == Qt::Key_Backtab || (key == Qt::Key_Tab && (modifiers & Qt::ShiftModifier))) return -1;
  return key == Qt::Key_Tab ? 1 : 0;
}

void KdxAddContextMenuKeys(QAbstractItemView* view) {
  auto* action = new QAction(view);
  action->setShortcut(QKeySequence(QStringLiteral("Shift+F10")));
  action->setShortcutContext(Qt::WidgetShortcut);
  QObject::connect(action, &QAction::triggered, view, [view] {
    const QRect row = view->visualRect(view->currentIndex());
    emit view->customContextMenuRequested(row.isValid() ? row.center() : QPoint(0, 0));
  });
  view->addAction(action);
}

QLabel* KdxCaption(const QString& text, QWidget* field, QWidget* parent) {
  auto* caption = new QLabel(text, parent);
  caption->setBuddy(field);
  return caption;
}

void KdxAddApplicationItems(QMenu* file) {
  QAction* prefs = file->addAction(KdxText("環境設定…"));
  prefs->setObjectName(QStringLiteral("preference"));
  prefs->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
  prefs->setMenuRole(QAction::PreferencesRole);
  QObject::connect(prefs, &QAction::triggered, file, [] {
    if (KdxApplication* app = KdxApplication::instance()) app->ShowPreferences();
  });
  file->addSeparator();
  QAction* quit = file->addAction(KdxText("終了"));
  quit->setObjectName(QStringLiteral("quit"));
  quit->setShortcuts(KdxCommandKeys("Ctrl+Q", QKeySequence::Quit));
  quit->setMenuRole(QAction::QuitRole);
  QObject::connect(quit, &QAction::triggered, file, [] {
    if (KdxApplication* app = KdxApplication::instance()) app->quit();
  });
}

QMenu* KdxAddHelpMenu(QMenuBar* bar) {
  QMenu* help = bar->addMenu(KdxMenuTitle(KdxText("ヘルプ"), 'H'));
  QAction* guide = help->addAction(KdxText("指南"));
  guide->setObjectName(QStringLiteral("OpenHelp"));
  guide->setShortcuts(KdxCommandKeys("F1", QKeySequence::HelpContents));
  guide->setEnabled(
      !KdxHelpGuidePath(QCoreApplication::applicationDirPath().toStdString()).empty());
  QObject::connect(guide, &QAction::triggered, help, [] {
    if (KdxApplication* app = KdxApplication::instance()) app->OpenHelp();
  });
  return help;
}

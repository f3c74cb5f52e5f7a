// Keyboard access: within a window no two commands answer the same keys, and
// the commands of the menus show the keys that reach them.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTableView>
#include <QTest>
#include <map>
#include <string>
#include <vector>

#include "gui/app/entry_window.h"
#include "gui_test.h"
#include "support/test_document.h"

namespace {

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
      clashes.push_back((keys + QStringLiteral(": ") + it->second + QStringLiteral(" and ") + name)
                            .toStdString());
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

class KeyboardTest : public GuiTest {};

TEST_F(KeyboardTest, NoTwoCommandsOfAWindowShareTheirKeys) {
  const std::string path = dir_.File("keys.kdx");
  int32_t id = 0;
  {
    kdx_test::TestDocument doc(path);
    id = doc.Add(kdx_test::TestDocument::NewEntry("メモ")).en_id;
    doc.Save();
  }
  KdxDocument* document = Open(path);
  ASSERT_NE(document, nullptr);
  document->entryWindows()->OpenEntries({id});
  EntryWindow* entry = document->entryWindows()->Find(id);
  ASSERT_NE(entry, nullptr);

  for (QWidget* window : {static_cast<QWidget*>(document), static_cast<QWidget*>(entry)}) {
    EXPECT_EQ(ShortcutClashes(window), std::vector<std::string>())
        << window->windowTitle().toStdString();
    // Every menu command with keys is shown with them: the key is on the action.
    int withKeys = 0;
    for (QAction* menu : window->findChild<QMenuBar*>()->actions()) {
      for (QAction* item : menu->menu()->actions()) withKeys += item->shortcut().isEmpty() ? 0 : 1;
    }
    EXPECT_GT(withKeys, 5) << window->windowTitle().toStdString();
  }
}

}  // namespace

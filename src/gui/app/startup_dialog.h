// The start-up dialog: the recent documents, and 開く (a file panel), 選択 (the
// chosen recent document), 新規 (a new document) and 終了.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;

class StartupDlg : public QDialog {
  Q_OBJECT

 public:
  // How the dialog ended (its result code). 0 is closed without a choice.
  enum Result { kNew = 1, kOpened = 2, kSelected = 3, kQuit = 4 };

  explicit StartupDlg(const std::vector<std::string>& recentPaths, QWidget* parent = nullptr);
  // The path chosen: the new file's, the opened one's or the recent one's.
  const QString& chosenPath() const { return chosenPath_; }
  QListWidget* recentList() const { return list_; }

  // The file panels; tests put their own answers in (an empty answer is Cancel).
  std::function<QString()> chooseOpenPath;
  std::function<QString()> chooseNewPath;

 public slots:
  void OnOpen();
  void OnSelect();
  void OnNew();
  void OnQuit();

 private:
  void DoEntryListDoubleClick(QListWidgetItem* item);
  // Stores the dialog's frame under "StartupDlgRect", then ends with result.
  void Finish(int result);

  QListWidget* list_;
  QString chosenPath_;
};

// Asks for a document's password; after a wrong one it says so and asks again.
class PasswordCheckDlg : public QDialog {
  Q_OBJECT

 public:
  PasswordCheckDlg(const QString& fileName, bool afterWrongPassword, QWidget* parent = nullptr);
  QString password() const;

 private:
  class QLineEdit* field_;
};

// Finding and replacing in an entry window's body: the document's current
// find and replace strings with the per-entry lists of strings used
// (KdxBodyFindData), the entry window's find commands (KdxEntryFind), and the
// find panel (FindBodyWindow). The searching itself is in find_replace.h.
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <string>

#include "core/util/vell_ary.h"
#include "gui/app/find_replace.h"

class EntryWindow;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;

// Preference keys of the two find options; both 0 when missing.
inline constexpr char kPrefFindBodyIsCaseInsensitiveKey[] = "FindBody_IsCaseInsensitive";
inline constexpr char kPrefFindBodyIsLoopKey[] = "Env_FindBody_IsLoop";
inline constexpr char kPrefFindBodyWindowRectKey[] = "FindBodyWindowRect";

// What a document keeps for the finding in its entry windows while it is
// open: the strings last found and replaced (at most 255 bytes each), shared
// by all its entry windows, and the lists of strings used, per entry. Made
// on first use as a child of the document, so it goes with it; nothing of it
// is written to the file.
class KdxBodyFindData : public QObject {
  Q_OBJECT

 public:
  static KdxBodyFindData* Of(QObject* document);
  ~KdxBodyFindData() override;

  QString findString() const { return QString::fromStdString(bodyFindStr_); }
  QString replaceString() const { return QString::fromStdString(bodyReplaceStr_); }
  void SetFindString(const std::string& text);
  void SetReplaceString(const std::string& text);
  VELL_ARY* findHistory() const { return bodyFindHistoryAry_; }
  VELL_ARY* replaceHistory() const { return bodyReplaceHistoryAry_; }

 private:
  explicit KdxBodyFindData(QObject* document);

  std::string bodyFindStr_;
  std::string bodyReplaceStr_;
  VELL_ARY* bodyFindHistoryAry_ = nullptr;
  VELL_ARY* bodyReplaceHistoryAry_ = nullptr;
};

// The strings of one entry's list, most recent first.
[[nodiscard]] QStringList KdxBodyFindHistory(const VELL_ARY* history, int32_t enId);

// The find commands of one entry window, made with its menus. They act on
// the window's body, and the menu items are enabled only while it has the
// focus.
class KdxEntryFind : public QObject {
  Q_OBJECT

 public:
  // Adds the commands to menu.
  KdxEntryFind(EntryWindow* window, QObject* document, QMenu* menu);
  // The commands of window, or null.
  static KdxEntryFind* Of(const EntryWindow* window);

  EntryWindow* window() const { return window_; }
  KdxBodyFindData* data() const { return data_; }
  QAction* action(const char* objectName) const;

  // One find in the body (see KdxFindBody), a beep when nothing is found;
  // the string then goes into the entry's find list. 0, 1 or -1.
  int32_t FindBody(const QString& find, bool backward, bool ignoreCase, bool wrap);
  // One replace (see KdxReplaceBody), a beep when the selection is no match;
  // the replace string then goes into the entry's replace list. 0 or -2.
  int32_t ReplaceBody(const QString& find, const QString& replace, bool ignoreCase);
  // Every occurrence replaced; the number. No beep, nothing added to the lists.
  int32_t ReplaceAllBody(const QString& find, const QString& replace, bool ignoreCase);
  // A find with the stored options and no beep, for a window opened with a
  // word to show; the word goes into the document's find string and the list.
  int32_t InitFindBody(const QString& find, bool backward);

  // The menu commands.
  void ShowFindWindow();
  void FindNext();
  void FindPrev();
  void SetFindString();
  void SetReplaceString();
  void Replace();
  void ReplaceAndFind();

  // The two options as stored.
  static bool StoredIgnoreCase();
  static bool StoredWrap();

 private:
  int32_t RunFind(const QString& find, const KdxFindOptions& options, bool beep);
  void UpdateEnabled();

  EntryWindow* window_;
  KdxBodyFindData* data_;
  QPointer<QMenu> menu_;
};

// The find panel over one entry window, run modally; it exists only while it
// runs.
class FindBodyWindow : public QDialog {
  Q_OBJECT

 public:
  explicit FindBodyWindow(KdxEntryFind* target);

  // Runs the panel until it closes: 1 after a find or replace that closed
  // it, 2 after 閉じる.
  int DoModalFindBodyDlg();

  QComboBox* findBox() const { return m_FindComboBox; }
  QComboBox* replaceBox() const { return m_ReplaceComboBox; }
  QCheckBox* caseCheck() const { return m_IsCaseInsensitiveCheck; }
  QCheckBox* loopCheck() const { return m_IsLoopCheck; }
  QLabel* message() const { return m_TextFieldMessage; }

  // The panel's buttons.
  void FindNext();
  void FindPrev();
  void Replace();
  void ReplaceAndFind();
  void ReplaceAll();
  void Close();
  // Puts the focus into the find box.
  void ShowFindWindow();
  // The message line for a result code: cleared for 0, a text for 1, -1 and
  // -2, anything else leaves it.
  void ShowResultMessage(int32_t code);

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void InitControls();
  void SetupFindCombo();
  void SetupReplaceCombo();
  void SetTabOrder();
  void Find(bool backward);
  void StoreStrings(bool replace);
  void Finish(int code);
  QString FindText() const;
  QString ReplaceText() const;

  QComboBox* m_FindComboBox = nullptr;
  QComboBox* m_ReplaceComboBox = nullptr;
  QCheckBox* m_IsCaseInsensitiveCheck = nullptr;
  QCheckBox* m_IsLoopCheck = nullptr;
  QLabel* m_TextFieldMessage = nullptr;
  QPushButton* m_BtnFindNext = nullptr;
  QPushButton* m_BtnFindPrev = nullptr;
  QPushButton* m_BtnReplace = nullptr;
  QPushButton* m_BtnReplaceAndFind = nullptr;
  QPushButton* m_BtnReplaceAll = nullptr;
  QPushButton* m_BtnClose = nullptr;
  KdxEntryFind* m_Target;
  bool finished_ = false;
};

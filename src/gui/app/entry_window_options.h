// The entry window's options: how the body wraps (at the window's width, not
// at all, or at a document width asked in DocumentWidthDlg), stored in the
// entry; and the selected body text taken as the entry's title, confirmed in
// SelectionStringToTitleDlg.
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <string>

#include "gui/app/entry_window_logic.h"

class EntryWindow;
class KdxDocument;
class QAction;
class QActionGroup;
class QLineEdit;
class QMenu;
class QTextEdit;

// "選択されている文字列が長すぎるため、…": a selection of 171 UTF-16 units or more.
inline constexpr int32_t kKdxSelectionTitleLimit = 171;

// Lays the body out for mode without touching its content, so edits not yet
// saved (formatting included) stay as they are.
void KdxApplyBodyWrap(QTextEdit* body, const KdxBodyWrapMode& mode);

// Asks for the document width in points.
class DocumentWidthDlg : public QDialog {
  Q_OBJECT

 public:
  DocumentWidthDlg(int32_t width, QWidget* parent = nullptr);
  // Runs it: 1 with *width set from the field (30..100000, a non-number 30)
  // after OK, 2 after キャンセル with *width unchanged.
  int DoModalDocumentWidthDlg(int32_t* width);
  QLineEdit* field() const { return mKDX_DocWidth_TextField; }
  int32_t width() const { return width_; }

 private:
  void ok();

  QLineEdit* mKDX_DocWidth_TextField;
  int32_t width_;
};

// Shows the current title and proposes a new one, which the user may edit.
class SelectionStringToTitleDlg : public QDialog {
  Q_OBJECT

 public:
  SelectionStringToTitleDlg(const QString& currentTitle, const QString& newTitle,
                            QWidget* parent = nullptr);
  // Runs it: 1 with *newTitle the edited title (at most 170 characters), or 2.
  int DoModalSelectionStringToTitleDlg(std::string* newTitle);
  QLineEdit* newTitleField() const { return m_EditAfterTitle; }
  const std::string& newTitle() const { return m_AfterTitle; }

 private:
  void OnOK();

  QLineEdit* m_StaticBeforeTitle;
  QLineEdit* m_EditAfterTitle;
  std::string m_AfterTitle;
};

// The commands of one entry window: the three wrap modes, checked by the
// entry's en_turn, and 選択部分を文章名にする….
class KdxEntryOptions : public QObject {
  Q_OBJECT

 public:
  // Adds the wrap modes to wrapMenu and the title command to titleMenu.
  KdxEntryOptions(EntryWindow* window, KdxDocument* document, QMenu* wrapMenu, QMenu* titleMenu);
  static KdxEntryOptions* Of(const EntryWindow* window);

  QAction* wrapAction(int32_t turn) const;
  QAction* titleAction() const { return titleAction_; }

  void wrapWindowWidth();
  void wrapNothing();
  void wrapDocumentWidth();
  void selectionStringToTitle();

 private:
  void ChangeWrap(int32_t turn, const char* command);
  void UpdateChecks();

  EntryWindow* window_;
  QPointer<KdxDocument> document_;
  QActionGroup* wrapGroup_ = nullptr;
  QAction* titleAction_ = nullptr;
};

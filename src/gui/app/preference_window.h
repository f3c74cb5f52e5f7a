// The preference window: one per run, no OK button. Each control writes its
// setting when it acts; the header and footer when their view loses focus;
// margins, default width and new-entry title when the window stops being the
// active one (also on closing). Closing hides the window and remembers its
// frame; showing it again keeps the values it holds.
#pragma once

#include <QDialog>
#include <QFont>
#include <QWidget>
#include <cstdint>

#include "gui/app/preference_logic.h"
#include "richtext/print_layout.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTextEdit;
class QToolButton;

// The extension dialog: OK takes the field only when it is an extension the
// list can hold (see PREF_IsValidExtension); otherwise the dialog stays open
// and says why.
class PreferenceEditDlg : public QDialog {
  Q_OBJECT

 public:
  PreferenceEditDlg(const QString& title, const QString& ext, QWidget* parent = nullptr);
  QLineEdit* field() const { return m_EditExt; }
  QPushButton* okButton() const { return ok_; }
  QString extension() const;

 public slots:
  void OnOK();

 private:
  QLineEdit* m_EditExt;
  QLabel* hint_;
  QPushButton* ok_;
};

class PrefWindow : public QWidget {
  Q_OBJECT

 public:
  explicit PrefWindow(QWidget* parent = nullptr);

  // Reads every value, fills the controls and shows the window in front.
  void OpenPrefWindow();
  // Brings the window to the front with the values it holds.
  void MakeKeyAndOrderFront();

  // What choosing a font in the font dialog does.
  void SetChosenFont(const QFont& font);
  // The savers run when the window stops being the active one.
  void WindowDidResignKey();

  QTabWidget* tabs() const { return m_TabView; }
  QListWidget* extensionList() const { return m_ListExt; }
  QPushButton* editButton() const { return edit_; }
  QPushButton* deleteButton() const { return delete_; }
  QCheckBox* allImportBox() const { return m_CheckAllImport; }
  QCheckBox* splashBox() const { return m_CheckShowSplashWindow; }
  QCheckBox* titleNumberBox() const { return m_CheckConsecutiveNumber; }
  QLineEdit* titleField() const { return m_EditDefaultTitle; }
  QLineEdit* turnWidthField() const { return m_EditTurnWidth; }
  QButtonGroup* titleRadio() const { return m_RadioTitleType; }
  QButtonGroup* turnRadio() const { return m_RadioDefaultTurn; }
  QButtonGroup* exportRadio() const { return m_RadioExport; }
  // Ids are the stored KdxLanguageChoice values.
  QButtonGroup* languageRadio() const { return m_RadioLanguage; }
  QLabel* fontLabel() const { return m_StaticFontName; }
  QLineEdit* marginField(int side) const;  // 0 left, 1 top, 2 right, 3 bottom
  QTextEdit* headerView() const { return m_PrintHeaderText; }
  QTextEdit* footerView() const { return m_PrintFooterText; }
  QToolButton* headerMenuButton() const { return m_PopupArrangeHeader; }
  QToolButton* footerMenuButton() const { return m_PopupArrangeFooter; }

 public slots:
  void OnAdd();
  void OnEdit();
  void OnDelete();
  void OnFontChange();
  void OnCancel();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildImportPage();
  QWidget* BuildNewEntryPage();
  QWidget* BuildFontPage();
  QWidget* BuildPrintPage();
  QWidget* BuildOtherPage();
  QToolButton* BuildInsertMenu(QTextEdit* target);
  void FillControls();
  void ShowExtensions();
  void StoreExtensions(std::vector<std::string> extensions);
  void UpdateSelectionButtons();
  void EnableTitleControls();
  void ShowFontName();
  void LoadTemplate(uint32_t tag, kdx_richtext::PrintTemplateKind kind, QTextEdit* view);

  void UpdatePrintHeader();
  void UpdatePrintFooter();
  void UpdatePrintMargin();
  void UpdateTurnWidth();
  void UpdateNewEntryTitle();

  QTabWidget* m_TabView = nullptr;
  QCheckBox* m_CheckAllImport = nullptr;
  QCheckBox* m_CheckConsecutiveNumber = nullptr;
  QCheckBox* m_CheckShowSplashWindow = nullptr;
  QLineEdit* m_EditDefaultTitle = nullptr;
  QLineEdit* m_EditTurnWidth = nullptr;
  QToolButton* m_PopupArrangeHeader = nullptr;
  QToolButton* m_PopupArrangeFooter = nullptr;
  QListWidget* m_ListExt = nullptr;
  QTextEdit* m_PrintFooterText = nullptr;
  QTextEdit* m_PrintHeaderText = nullptr;
  QLineEdit* m_EditPrintMarginBottom = nullptr;
  QLineEdit* m_EditPrintMarginLeft = nullptr;
  QLineEdit* m_EditPrintMarginRight = nullptr;
  QLineEdit* m_EditPrintMarginTop = nullptr;
  QButtonGroup* m_RadioDefaultTurn = nullptr;
  QButtonGroup* m_RadioTitleType = nullptr;
  QLabel* m_StaticFontName = nullptr;
  QButtonGroup* m_RadioExport = nullptr;
  QButtonGroup* m_RadioLanguage = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* delete_ = nullptr;
  KdxPrefValues m_PrefRec;
  QFont m_CurrentFont;
  bool filling_ = false;  // controls being filled: nothing is written
  bool opened_ = false;   // the controls hold the stored values
};

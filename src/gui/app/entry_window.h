// The entry window: one per open entry, owned by its document's list of entry
// windows (KdxEntryWindows). It shows the entry's info area (title,
// categories, label, dates, identifier, size, encoding, lock mark, note) above
// the rich-text body, and saves the entry by itself whenever the user leaves
// it; nothing asks to save. A body or note that could not be read opens
// read-only and is never saved from the window. The decisions are in
// entry_window_logic.h.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <vector>

#include "core/document/records.h"

class KdxDocument;
class KdxBodyTextEdit;
class KdxNoteTextEdit;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

class KdxEntryWindows;
class KdxEntryCommands;

class EntryWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Fills the window from entry (see EW_InitEntryWindow); not shown yet.
  EntryWindow(KdxDocument* document, const KDX_ENTRY& entry);
  ~EntryWindow() override;

  int32_t entryId() const { return id_; }
  KdxDocument* document() const { return document_; }
  // The commands on the entry (entry_window_commands.h).
  KdxEntryCommands* commands() const { return commands_; }
  bool bodyEditable() const { return bodyEditable_; }
  bool noteEditable() const { return noteEditable_; }

  // The record's values into the info area and the title (EW_SetDetailControls);
  // EW_UpdateControls looks the record up first.
  void EW_SetDetailControls(const KDX_ENTRY& entry);
  void EW_UpdateControls();

  // The widgets, for the tests that drive the window.
  QLineEdit* titleField() const { return title_; }
  QComboBox* categoryCombo(int level) const { return combos_[static_cast<size_t>(level - 1)]; }
  KdxBodyTextEdit* body() const { return body_; }
  KdxNoteTextEdit* note() const { return note_; }
  QToolButton* infoButton() const { return infoButton_; }
  QWidget* infoArea() const { return info_; }
  QAction* infoAction() const { return infoAction_; }
  QLabel* sizeLabel() const { return size_; }

 public slots:
  // Saves what changed since the entry was last stored; nothing when nothing did.
  void autoSaveEntry();
  // Saves the note and body whatever changed (保存).
  void saveEntry();
  // The info toggle: shows or hides the info area, then saves.
  void hideOrShowEntryInfo();
  void showHideInfo();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class KdxEntryWindows;
  void BuildWidgets();
  void BuildMenus();
  void LoadBody(const KDX_ENTRY& entry);
  void LoadNote(const KDX_ENTRY& entry);
  void ApplyWrapMode(const KDX_ENTRY& entry);
  void PlaceWindow(const KDX_ENTRY& entry);
  void ApplyInfoToggle();
  void Save(bool force);

  QPointer<KdxDocument> document_;
  int32_t id_ = 0;
  bool bodyEditable_ = true;
  bool noteEditable_ = true;
  bool saving_ = false;      // an autosave is running: its alerts must not start another
  bool saveFailed_ = false;  // the last save failed: the edits are still only here
  bool closing_ = false;     // the document is closing: the window goes whatever happens

  QToolButton* infoButton_ = nullptr;
  QWidget* info_ = nullptr;
  QLineEdit* title_ = nullptr;
  QLabel* label_ = nullptr;
  std::array<QLabel*, 3> catTitles_{};
  std::array<QComboBox*, 3> combos_{};
  std::array<QLabel*, 4> dates_{};
  QLabel* id_label_ = nullptr;
  QLabel* size_ = nullptr;
  QLabel* lock_ = nullptr;
  QLabel* encoding_ = nullptr;
  KdxNoteTextEdit* note_ = nullptr;
  KdxBodyTextEdit* body_ = nullptr;
  QAction* infoAction_ = nullptr;
  KdxEntryCommands* commands_ = nullptr;
};

// A document's open entry windows, at most one per entry: opening, the open
// command, restoring them when the document opens, their order recorded and
// their closing when it closes.
class KdxEntryWindows : public QObject {
  Q_OBJECT

 public:
  explicit KdxEntryWindows(KdxDocument* document);
  ~KdxEntryWindows() override;

  EntryWindow* Find(int32_t id) const;
  const std::vector<EntryWindow*>& windows() const { return windows_; }

  // KDX_OpenOneEntryWindow: an entry with a window only has it raised (null
  // is returned); otherwise *entry gets the last-opened date of now and its
  // window is made and shown in front. The caller stores the record.
  EntryWindow* Open(KDX_ENTRY* entry);
  // The open command: each entry's window opened or raised, the new
  // last-opened dates stored and the document saved.
  void OpenEntries(const std::vector<int32_t>& ids);
  // After the document opened: the entries whose windows were open when it
  // closed reopen, in their old order.
  void Restore();
  // Before the document closes: every entry's place in the window order
  // (-1 without a window) and the document window's, into the document.
  void RecordOrder();
  // Closes every window, last first; each saves its entry.
  void CloseAll();
  // Refreshes every window's info area from the document.
  void UpdateAll();

 private:
  friend class EntryWindow;
  void Closed(EntryWindow* window);

  KdxDocument* document_;
  std::vector<EntryWindow*> windows_;
};

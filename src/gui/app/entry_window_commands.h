// The entry window's commands on its own entry: labels, the label table,
// copy, delete, export, encryption, the commands handed to the document, and
// which of them are enabled. Each command looks the entry up by the window's
// identifier first; a missing entry is a system error and the command stops.
// The decisions are the plain functions below.
#pragma once

#include <QObject>
#include <QPointer>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/document/records.h"
#include "gui/app/document_window_logic.h"

class EntryWindow;
class QAction;
class QMenu;

// Which entry commands are enabled and checked.
struct KdxEntryMenuState {
  bool enabled = false;  // every command on the entry
  bool missing = false;  // the entry is gone: reported once, everything off
  int32_t checkedLabel = -1;
  bool encrypt = false;       // 暗号化: only for an entry not encrypted yet
  bool decrypt = false;       // 暗号解除: only for an encrypted one
  bool bodyCommands = false;  // find and replace: only while the body has the focus
  int32_t checkedTurn = 2;    // the wrap item checked: 1, 2 or 3
};
// entry is null when the window's entry is not in the document any more;
// nothing is enabled while a worker has the document.
[[nodiscard]] KdxEntryMenuState KdxGetEntryMenuState(const KDX_ENTRY* entry, bool busy,
                                                     bool bodyFocused);

// Where a copy's window goes: the size of the source's stored frame (a new
// window's size when it has none), placed below and to the right of the front
// window as a new window is, or at the source's place without one.
[[nodiscard]] KdxWindowRect KdxCopyWindowFrame(const KDX_ENTRY& source, int32_t defaultWidth,
                                               int32_t defaultHeight,
                                               const std::optional<KdxWindowRect>& front,
                                               int32_t screenWidth, int32_t screenHeight);

// Preference key of the folder the last export went to.
inline constexpr char kPrefExportFileKey[] = "ExportFile";

class KdxEntryCommands : public QObject {
  Q_OBJECT

 public:
  // Adds the commands to the window's menus: the forwarded ones and export
  // to file, the entry commands to a menu of their own.
  KdxEntryCommands(EntryWindow* window, QMenu* fileMenu);

  // The action of a command by its slot name ("CopyEntry", "setColorLabelName_3").
  QAction* action(const char* name) const;

 public slots:
  void setColorLabelName(int label);
  void labelEdit();
  void CopyEntry();
  void DeleteEntry();
  // The folder panel, on the window; OK exports into the chosen folder.
  void ExportFile();
  void ExportTo(const QString& folder);
  void EncryptON();
  void EncryptOFF();
  // Handed to the document (新規文章, 全文検索…) or done on its windows.
  void showMainWindow();
  void CloseAllEntryWindow();
  // Enables and checks the actions (validateMenuItem).
  void validateMenuItem();

 private:
  void Forward(const char* name);
  void SetEncrypted(bool on);
  void RefreshLabels();
  // The document's lists and every entry window shown anew.
  void ReloadAllWindows();
  bool SaveOrAlert();

  EntryWindow* window_;
  std::array<QAction*, 8> labels_{};
  QAction* encrypt_ = nullptr;
  QAction* decrypt_ = nullptr;
  std::vector<QAction*> entryActions_;  // need the entry and an idle document
  std::vector<QAction*> idleActions_;   // need an idle document
  std::vector<std::pair<QAction*, const char*>> forwarded_;
  bool missingReported_ = false;
};

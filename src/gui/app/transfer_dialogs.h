// The dialogs of the transfer commands: which entries the entry list file
// holds, the options of "save as new file", and the file panel of the file
// import, which takes RTFD packages (folders) as files.
#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QStringList>
#include <cstdint>

#include "core/content/new_document.h"

class QButtonGroup;
class QCheckBox;

// A pair of radio buttons: 0 "選択されている文章", 1 "表示されているすべての文章".
class WriteEntryListDlg : public QDialog {
  Q_OBJECT

 public:
  explicit WriteEntryListDlg(int32_t recordType, QWidget* parent = nullptr);
  [[nodiscard]] int32_t recordType() const;
  QButtonGroup* recordTypeGroup() const { return recordType_; }

 private:
  QButtonGroup* recordType_;
};

// Record type, the three carried-over parts and the target program;
// isUnusedProject is passed through unchanged.
class SaveNewFileDlg : public QDialog {
  Q_OBJECT

 public:
  explicit SaveNewFileDlg(const KDX_NEW_SAVE_OPTIONS& options, QWidget* parent = nullptr);
  [[nodiscard]] KDX_NEW_SAVE_OPTIONS options() const;
  QButtonGroup* recordTypeGroup() const { return recordType_; }
  QButtonGroup* targetGroup() const { return target_; }

 private:
  KDX_NEW_SAVE_OPTIONS options_;
  QButtonGroup* recordType_;
  QButtonGroup* target_;
  QCheckBox* unusedCategory_;
  QCheckBox* catTitle_;
  QCheckBox* colorLabel_;
};

// The panel of the file import: several files, and RTFD packages chosen as
// items although they are folders (any other folder is entered).
class KdxImportFilePanel : public QFileDialog {
  Q_OBJECT

 public:
  KdxImportFilePanel(QWidget* parent, const QString& folder);
  // What was chosen, once accepted.
  const QStringList& chosen() const { return chosen_; }

 public slots:
  void accept() override;

 private:
  QStringList chosen_;
};

// A folder panel: folders only, new folders allowed, the accept button titled
// acceptKey (localised). Opened window-modal by the caller.
[[nodiscard]] QFileDialog* KdxMakeFolderPanel(QWidget* parent, const char* acceptKey,
                                              const QString& folder);
// A save panel requiring the extension ext and proposing name in folder.
[[nodiscard]] QFileDialog* KdxMakeSavePanel(QWidget* parent, const char* acceptKey,
                                            const QString& folder, const QString& name,
                                            const QString& ext);

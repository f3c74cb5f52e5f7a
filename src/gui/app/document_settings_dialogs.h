// The document's settings and its information: the three encryption flags of
// the document settings, and the read-only file information.
#pragma once

#include <QDialog>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "gui/app/command_logic.h"

class QCheckBox;

class FilePrefDlg : public QDialog {
  Q_OBJECT

 public:
  explicit FilePrefDlg(const KdxFilePrefs& prefs, QWidget* parent = nullptr);
  // The boxes' states: after OK what to store.
  [[nodiscard]] KdxFilePrefs prefs() const;
  QCheckBox* titleBox() const { return boxes_[0]; }
  QCheckBox* noteBox() const { return boxes_[1]; }
  QCheckBox* bodyBox() const { return boxes_[2]; }

 private:
  std::array<QCheckBox*, 3> boxes_{};
};

class FileInfoDlg : public QDialog {
  Q_OBJECT

 public:
  // lines: (label key, value) pairs, from KDXCOMM_GetFileInfoTexts.
  explicit FileInfoDlg(const std::vector<std::pair<const char*, std::string>>& lines,
                       QWidget* parent = nullptr);
};

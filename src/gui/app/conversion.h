// Opening a document of the previous format: the question, the verified
// backup beside the file, the conversion on a worker under the progress
// dialog, and, when it does not finish, the backup put back over the file
// and this document closed (every other stays as it was).
#pragma once

#include <QString>
#include <functional>
#include <string>

class KdxDocument;
class ProgressDlg;
class QWidget;

// The conversion question (はい/いいえ): true for はい.
[[nodiscard]] bool KdxAskToConvert(QWidget* parent);

// The backup of the file at path, made before anything is changed. False
// after telling the user: nothing is to be converted or opened then.
[[nodiscard]] bool KdxBackupBeforeConversion(const std::string& path, std::string* backupPath);

// Converts the document of a shown window opened for conversion, whose
// backup is backupPath. True when converted and saved: the window shows the
// document. Otherwise the user has been told why, the backup is back in the
// file's place (and kept), and the window is closed.
[[nodiscard]] bool KdxConvertShownDocument(KdxDocument* window, const std::string& backupPath);

// What the user reads when the conversion was cancelled, failed on some
// bodies, or could not be saved; restored false adds where the old data is.
[[nodiscard]] QString KdxConversionEndText(bool cancelled, int64_t bodyFailures,
                                           const std::string& backupPath, bool restored);

// Tests act on the progress dialog (cancel it) once it is up.
void KdxSetConversionHookForTest(std::function<void(ProgressDlg&)> hook);

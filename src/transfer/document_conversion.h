// Converting a document of the previous format: every body, stored as RTF,
// rewritten in the current form, then one save that stamps the current
// format. The application and kdx convert both run it after taking a
// verified backup (core/session/kdx_backup.h), and put the backup back
// when it does not finish.
#pragma once

#include <string>

#include "core/session/kdx_session.h"
#include "transfer/transfer_progress.h"

// The progress messages of a conversion (keys of the localisation table).
inline constexpr char kKdxMsgConverting[] = "本文を新しいフォーマットに変換しています...";
inline constexpr char kKdxMsgSaving[] = "ファイルを保存しています...";

// Converts the bodies of every entry of a session opened for conversion
// (needsConversion()), in table order, reporting each entry's title. A body
// that cannot be converted is counted in failed under its title, and the
// work goes on; a cancel ends it after the current entry. Only when nothing
// failed and nothing was cancelled is the document saved, in the current
// format (a failed save is one more failure). Otherwise nothing is saved and
// the session still needsConversion(): the caller abandons the conversion.
[[nodiscard]] KdxTransferResult KDX_ConvertDocument(KdxSession& session, int32_t expandSize,
                                                    const KdxTransferProgress& progress);

// Ends a conversion that did not finish: closes the session (what it changed
// in the file is rolled back) and puts the backup back over the document,
// keeping the backup. False when the backup could not be put back.
[[nodiscard]] bool KDX_AbandonConversion(KdxSession& session, const std::string& backupPath);

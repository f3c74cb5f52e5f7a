// RTFD packages: a folder named "*.rtfd" holding the text as "TXT.rtf" and
// each attachment as a plain file beside it. Reading opens only regular files
// directly inside the folder (a symlink is skipped, whatever it points to);
// writing reduces every name with SafeAttachmentName and never replaces an
// existing folder or file.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "richtext/richtext_status.h"  // RtfdStatus

namespace kdx_richtext {

inline const QString kRtfdTextFileName = QStringLiteral("TXT.rtf");

// Largest package read or written: a body block's size is a signed 32-bit number.
inline constexpr qsizetype kRtfdMaxPackageBytes = qsizetype{256} * 1024 * 1024;

struct RtfdFile {
  QString name;     // plain file name inside the package
  QByteArray data;  // the file's bytes
};

// The files of one package, the text first.
struct RtfdPackage {
  QByteArray rtf;               // TXT.rtf
  QList<RtfdFile> attachments;  // every other file, in the order they were read or written
};

// Reads the package folder at path into *package (emptied first). Attachments
// are sorted by name so that the same folder always gives the same package.
[[nodiscard]] RtfdStatus ReadRtfdFolder(const QString& path, RtfdPackage* package);

// Creates the folder at path and writes TXT.rtf and the attachments, each under
// SafeAttachmentName of its name. On failure the folder made so far is removed.
[[nodiscard]] RtfdStatus WriteRtfdFolder(const QString& path, const RtfdPackage& package);

}  // namespace kdx_richtext

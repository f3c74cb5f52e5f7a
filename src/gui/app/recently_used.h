// The desktop's list of recently used files (recently-used.xbel in the user's
// data folder), which file managers and file dialogs show: opening a document
// records it there too, beside the application's own list.
#pragma once

#include <QDateTime>
#include <QString>

// The list's file: <data home>/recently-used.xbel, or empty without a home.
[[nodiscard]] QString KdxRecentlyUsedPath();

// Records file as used now by Kardinex: its bookmark is added, or its dates
// and this application's count brought up to date; every other bookmark is
// kept as it is. The file is replaced whole (never left half written). False,
// with the file untouched, when it exists but is not a bookmark list that can
// be read, or cannot be written.
[[nodiscard]] bool KdxAddDesktopRecentFile(const QString& file, const QString& xbelPath,
                                           const QDateTime& now = QDateTime::currentDateTimeUtc());

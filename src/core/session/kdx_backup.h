// The copy of a document taken before its bodies are converted to the current
// format, and putting that copy back when the conversion does not finish.
// Plain file operations, for the application and kdx alike: neither takes a
// session, and both leave the original untouched on any failure.
#pragma once

#include <string>

// Name part of the copy: "<name>_backup_v300.kdx" beside the document.
inline constexpr char kKdxConversionBackupSuffix[] = "_backup_v300";

// Copies the document at path to "<name>_backup_v300.kdx" in its folder
// ("<name>_backup_v300-1.kdx" and so on when taken), synced, then reads both
// back and compares them byte for byte. True with the copy's path in
// *backupPath; false when no copy could be made or it differs, in which case
// none is left behind. The caller may hold the document open (a session
// that has changed nothing yet), since only reading is involved.
[[nodiscard]] bool KDX_BackupForConversion(const std::string& path, std::string* backupPath);

// Puts the backup back over the document at path, keeping the backup: with
// the document locked for writing, a save a crash left unfinished is rolled
// back first, the backup is copied beside the document under a private name,
// compared byte for byte, and renamed over it (the folder synced after).
// The caller has closed its own session on path. False when another program
// holds the document or any step fails; the document is then as it was.
[[nodiscard]] bool KDX_RestoreBackup(const std::string& backupPath, const std::string& path);

// True when both regular files can be read whole and hold the same bytes.
[[nodiscard]] bool KDX_SameFileContents(const std::string& a, const std::string& b);

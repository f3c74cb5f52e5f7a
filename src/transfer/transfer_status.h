// The results of import and export in one place. 0 is success (or a size,
// where a function says so). Whole-file failures of the entry export file and
// of version-2 export files are the document layer's kKdxErrFile; many
// failures of a long import or export are counted in a KdxTransferResult
// (transfer_progress.h) instead.
#pragma once

#include <cstdint>

#include "core/document/kdx_status.h"  // kKdxErrFile

// ---- Importing one file (KDX_ImportTextFile, KDX_ImportOneFile) -------------

// Largest file imported (and entry export file or version-2 file read), in
// bytes; a larger one counts as failed.
inline constexpr int64_t kKdxImportMaxFileBytes = int64_t{256} * 1024 * 1024;

inline constexpr int32_t kKdxImportUnreadable = -1;   // missing, not a file, or a read failed
inline constexpr int32_t kKdxImportTooLarge = -2;     // above kKdxImportMaxFileBytes
inline constexpr int32_t kKdxImportUndecodable = -3;  // no encoding, RTF or package reads it
inline constexpr int32_t kKdxImportNotStored = -4;    // the blocks or the record could not be made

// ---- Exporting one entry (export_files.h) -------------------------------------
// The same number means one thing for the rich-text exports and another for
// the plain-text ones; each failure is logged under it as its step.

// Rich text: there is no QGuiApplication.
inline constexpr int32_t kKdxExportNoGui = -1;
// Plain text: the text block cannot be loaded or converted.
inline constexpr int32_t kKdxExportTextUnloadable = -1;
// Rich text: the body is empty or cannot be loaded.
inline constexpr int32_t kKdxExportBodyUnloadable = -2;
// Plain text and WriteExportFile: the file cannot be created.
inline constexpr int32_t kKdxExportCannotCreate = -2;
// Rich text: the body cannot be read as rich text.
inline constexpr int32_t kKdxExportNotRichText = -3;
// Plain text and WriteExportFile: not every byte reached the file (a partial
// regular file is removed).
inline constexpr int32_t kKdxExportShortWrite = -3;
// Rich text: the file or package could not be written.
inline constexpr int32_t kKdxExportWriteFailed = -4;

// KDX_GenerateUniqueFilePath, KDX_GenerateUniquePackagePath: no free path
// could be made or claimed.
inline constexpr int32_t kKdxNoFreePath = -1;

// ---- KDXCOMM_ConvertOldFileToNewFile --------------------------------------------

inline constexpr int32_t kKdxConvertNoBody = -2;    // the body cannot be loaded or is empty
inline constexpr int32_t kKdxConvertNotRtf = -3;    // it cannot be read as RTF
inline constexpr int32_t kKdxConvertNotSaved = -4;  // the new body cannot be saved

// ---- File types (KDX_SetFileType, KDX_SetV2FileType), by the failing step -------

inline constexpr int32_t kKdxFileTypeNoIdentifier = -1;  // no identifier could be drawn
inline constexpr int32_t kKdxFileTypeNotStored = -2;     // the icon block or the record

// ---- The entry export file (KDX_ReadNote_FromKdzFile) ---------------------------

inline constexpr int32_t kKdzNoteUnreadable = -1;  // the file cannot be read
inline constexpr int32_t kKdzNoNote = -2;          // it has no "[note]" line

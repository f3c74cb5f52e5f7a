// "Save as new file": a new document holding a chosen part of the listed
// entries with their content, and the copying of one entry's blocks from one
// document file into another.
#pragma once

#include <cstdint>

#include "core/document/kdx_data.h"
#include "core/document/kdx_status.h"
#include "core/document/records.h"

// The choices of the save-as-new-file dialog, six signed 32-bit values.
struct KDX_NEW_SAVE_OPTIONS {
  int32_t recordType;        // 1: every listed entry; otherwise only the selected ones
  int32_t isUnusedCategory;  // 1: keep every category set; otherwise those of the entries written
  int32_t isCatTitle;        // 1: keep the category titles; otherwise the default ones
  int32_t isUnusedProject;   // kept for the dialog; not read here
  int32_t isColorLabel;      // 1: keep the colour labels; otherwise the default ones
  int32_t targetKdxApp;      // stored as the environment integer "target_kdx_app"
};

// Copy the entry's body and text (or its note) in stored form from srcPath to
// dstPath, each block keeping its container identifier. A block the source
// lacks is not made. 0, or the negative code of the first failure (logged).
[[nodiscard]] int32_t KDX_NewSaveBody(const char* srcPath, const KDX_ENTRY& entry,
                                      const char* dstPath, int32_t expandSize);
[[nodiscard]] int32_t KDX_NewSaveNote(const char* srcPath, const KDX_ENTRY& entry,
                                      const char* dstPath, int32_t expandSize);

// Writes a new document at path (which must not exist) holding the entries of
// showIDAry, in list order, that options select, with their blocks and the
// file-type icons, and the document's counters (so that identifiers continue
// where the source's stopped), environment (the password included), columns
// and file types. 0, or kKdxErrFile when anything failed (logged); the new
// file is then removed, since a document missing entries or content must not
// look like a good copy.
[[nodiscard]] int32_t KDX_NewSaveFile_ShowEntry(KDX_DATA* data, const KDX_NEW_SAVE_OPTIONS& options,
                                                const char* path, int32_t expandSize);

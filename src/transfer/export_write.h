// What every exporter shares: file extensions compared without regard to
// ASCII case, the extension of an entry's file type, and writing one file whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "transfer/transfer_status.h"  // kKdxExport*

[[nodiscard]] bool KDX_EqualsIgnoringCase(std::string_view a, std::string_view b);

// The text after the last "." of the path's last part; empty without one.
[[nodiscard]] std::string_view KDX_ExtensionOf(std::string_view path);

// True when the last part of path ends in "." and extension, a non-empty
// text compared without regard to ASCII case.
[[nodiscard]] bool KDX_HasExtension(std::string_view path, std::string_view extension);

// The extension of the entry's file type; empty when it has no type record.
[[nodiscard]] std::string KDX_GetEntryFileTypeExt(const KDX_DATA* data, const KDX_ENTRY& entry);

// Writes bytes to path, creating or replacing a regular file (never through a
// symlink, never into a FIFO or device). 0;
// kKdxExportCannotCreate when it cannot be opened; kKdxExportShortWrite when
// not every byte reached the file (a partial regular file is removed).
[[nodiscard]] int32_t WriteExportFile(const std::string& path, std::string_view bytes);

// File type records (an extension and the icon the entry list shows for it)
// that imported entries refer to. Linux offers no per-extension icon service
// we rely on, so every type gets the one text-file icon the core embeds.
#pragma once

#include <cstdint>
#include <string>

#include "core/util/vell_ary.h"
#include "transfer/transfer_status.h"  // kKdxFileType*

// The type of the entries read from version-2 export files.
inline constexpr char kKdxV2FileTypeName[] = "v2filetype";

// The identifier of the file type with exactly this extension; a missing one
// is made (identifiers from "ft_id" and "fi_id") with its icon block written
// to the document file at path. "v2filetype" is KDX_SetV2FileType. A negative
// code (logged) when no identifier could be drawn or the icon not written.
[[nodiscard]] int32_t KDX_SetFileType(const std::string& path, const std::string& extension,
                                      VELL_ARY* idCounterAry, VELL_ARY* fileTypeAry);
// The identifier of the type "v2filetype", made when missing; negative on failure.
[[nodiscard]] int32_t KDX_SetV2FileType(const std::string& path, VELL_ARY* fileTypeAry,
                                        VELL_ARY* idCounterAry);
// Adds the type "txt" when the document has none; its identifier or negative.
[[nodiscard]] int32_t KDXCOMM_SetDefaultFileTypeAry(const std::string& path, VELL_ARY* idCounterAry,
                                                    VELL_ARY* fileTypeAry);

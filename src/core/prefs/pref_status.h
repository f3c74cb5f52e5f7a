// The results of the preference layer in one place. The keyword file's reads
// and writes and the preference container's operations answer 1 (done, or
// found) and 0; only the read of a print block names its failures.
#pragma once

#include <cstdint>

// KDX_ReadPrintData, besides the size read:
inline constexpr int32_t kPrefPrintMissing = -1;     // no block, a damaged one, or no file
inline constexpr int32_t kPrefPrintNoMemory = -2;    // the buffer could not be had
inline constexpr int32_t kPrefPrintUnreadable = -3;  // the data could not be read

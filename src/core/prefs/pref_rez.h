// The preference container "Preference.rez" beside the keyword file: record
// arrays and data blocks that do not fit a line of text. Tags:
//   IDCO  identifier counters          ENVI  environment, "pref_file_version"
//   HIAL  search history               CLAL  the search window's column set
//   PRHD  print header template        PRFT  print footer template
//   PRIN  last print settings (written, never read back)
// A container that cannot be used is moved aside to "Preference.rez.bak"
// (or "Preference.rez-N.bak"), never deleted: it holds the user's history,
// columns and templates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/container/rez.h"
#include "core/prefs/pref_status.h"  // kPrefPrint*

struct VELL_ARY;

inline constexpr char kPrefREZFileName[] = "Preference.rez";
inline constexpr char kPrefREZVersion[] = "1";
inline constexpr char kPrefVersionKeyword[] = "pref_file_version";
inline constexpr uint32_t kPrefTagHIAL = REZ_MakeTag("HIAL");
inline constexpr uint32_t kPrefTagCLAL = REZ_MakeTag("CLAL");
inline constexpr uint32_t kPrefTagPRIN = REZ_MakeTag("PRIN");

// The three tables handled together.
struct PREF_REZ_ARRAYS {
  VELL_ARY* idCounterAry;  // IDCO
  VELL_ARY* envAry;        // ENVI
  VELL_ARY* columnAry;     // CLAL
};

// "<config>/Kardinex/Preference.rez", creating the folder. 1, or 0 (dst empty).
[[nodiscard]] int32_t PREF_GetPreferenceREZFilePath(std::string& dst);
// 1 when the container opens and its "pref_file_version" value is version.
[[nodiscard]] int32_t PREF_IsTheREZFile(const char* version);
// Moves any existing container aside (see above), then makes a new one holding
// the initial counters and the version record. 1, or 0 when the old file could
// not be moved aside or the new one not written (no half-made file is left).
[[nodiscard]] int32_t PREF_CreateREZFile(const char* version);
// The check before the first use: keeps a container of this version, else
// creates one. 1 when a usable container is in place.
[[nodiscard]] int32_t PREF_PrepareREZFile(const char* version);

// Creates the three empty arrays; 1, or 0 (nothing left allocated).
[[nodiscard]] int32_t PREF_InitREZ(PREF_REZ_ARRAYS* arrays);
// Loads the three tables (a missing one stays empty). 1, or 0 when the file
// cannot be opened or a table is damaged; the arrays are then left empty, so
// that no partial table is saved back.
[[nodiscard]] int32_t PREF_LoadREZFile(const char* path, PREF_REZ_ARRAYS* arrays);
// Saves the three tables; 1, or 0 at the first failure.
[[nodiscard]] int32_t PREF_SaveREZFile(const char* path, const PREF_REZ_ARRAYS* arrays);
void PREF_FreeREZ(PREF_REZ_ARRAYS* arrays);

// The data of the print block under tag (PRHD, PRFT, PRIN) in data. The size
// in bytes, or kPrefPrintMissing, kPrefPrintNoMemory or kPrefPrintUnreadable.
// Write with KDX_WritePrintInfo and PREF_ReadExpandSize.
[[nodiscard]] int32_t KDX_ReadPrintData(const char* path, uint32_t tag, std::vector<uint8_t>& data);

// The stored entry record: 2393 packed bytes, the offset and width of each
// field in the order they are stored. The entry converter writes and reads by
// this table; code that works on stored entries in place (titles enciphered
// before a save, the list's sort over the loaded table) takes its offsets from
// here too.
#pragma once

#include "core/document/record_layout.h"
#include "core/document/records.h"

namespace kdx_entry_layout {

using kdx_layout::Field;

inline constexpr Field kId{0, 4};
inline constexpr Field kCreateDate{4, 18};
inline constexpr Field kUpdateDate{22, 18};
inline constexpr Field kLastOpenedDate{40, 18};
inline constexpr Field kUseDate{58, 18};
inline constexpr Field kTitle{76, 512};
inline constexpr Field kCat1Name{588, 128};
inline constexpr Field kCat2Name{716, 128};
inline constexpr Field kCat3Name{844, 128};
inline constexpr Field kDetailToggle{972, 4};
inline constexpr Field kBoBlockSize{976, 4};
inline constexpr Field kWindowLeft{980, 4};
inline constexpr Field kWindowTop{984, 4};
inline constexpr Field kWindowRight{988, 4};
inline constexpr Field kWindowBottom{992, 4};
inline constexpr Field kFocusItem{996, 4};
inline constexpr Field kCoId{1000, 4};
inline constexpr Field kWindowZIndex{1004, 4};
inline constexpr Field kBodyScrollPosition{1008, 4};
inline constexpr Field kBodyCaretPosition{1012, 4};
inline constexpr Field kBodySelectionStart{1016, 4};
inline constexpr Field kBodySelectionEnd{1020, 4};
inline constexpr Field kIsSelectEntrylist{1024, 1};
inline constexpr Field kCreateOs{1025, 64};
inline constexpr Field kUpdateOs{1089, 64};
inline constexpr Field kCreateMachineName{1153, 128};
inline constexpr Field kUpdateMachineName{1281, 128};
inline constexpr Field kTurn{1409, 4};
inline constexpr Field kTurnWidth{1413, 32};
inline constexpr Field kFilePath{1445, 512};
inline constexpr Field kFtId{1957, 4};
inline constexpr Field kPrId{1961, 4};
inline constexpr Field kReserved1{1965, 128};
inline constexpr Field kEncode{2093, 32};
inline constexpr Field kEncrypt{2125, 4};
inline constexpr Field kNoEncrypt{2129, 4};
inline constexpr Field kBoEncrypt{2133, 4};
inline constexpr Field kReserved2{2137, 256};

inline constexpr Field kEntryFields[] = {kId,
                                         kCreateDate,
                                         kUpdateDate,
                                         kLastOpenedDate,
                                         kUseDate,
                                         kTitle,
                                         kCat1Name,
                                         kCat2Name,
                                         kCat3Name,
                                         kDetailToggle,
                                         kBoBlockSize,
                                         kWindowLeft,
                                         kWindowTop,
                                         kWindowRight,
                                         kWindowBottom,
                                         kFocusItem,
                                         kCoId,
                                         kWindowZIndex,
                                         kBodyScrollPosition,
                                         kBodyCaretPosition,
                                         kBodySelectionStart,
                                         kBodySelectionEnd,
                                         kIsSelectEntrylist,
                                         kCreateOs,
                                         kUpdateOs,
                                         kCreateMachineName,
                                         kUpdateMachineName,
                                         kTurn,
                                         kTurnWidth,
                                         kFilePath,
                                         kFtId,
                                         kPrId,
                                         kReserved1,
                                         kEncode,
                                         kEncrypt,
                                         kNoEncrypt,
                                         kBoEncrypt,
                                         kReserved2};
static_assert(kdx_layout::IsContiguous(kEntryFields, kKdxEntrySize));

}  // namespace kdx_entry_layout

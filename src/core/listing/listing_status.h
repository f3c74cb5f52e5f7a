// The results of the listing layer in one place. Its int32_t operations answer
// 0, or kKdxFailed (the document layer's, kdx_status.h) when memory runs out;
// the category checks and edits answer a KdxCategoryResult; the list options
// check answers one of the kKdxListOptions codes.
#pragma once

#include <cstdint>

#include "core/document/kdx_status.h"

// Outcomes of the category checks and edits; KDXCOMM_CategoryMessage gives
// the alert.
enum class KdxCategoryResult : int32_t {
  kOk,
  kUnchanged,      // nothing to do (empty or same name, or a special name)
  kEmpty,          // "分類名を入力してください。"
  kAllNotAllowed,  // "%s は追加できません。"
  kAlreadyUsed,  // "「%s」はすでに使用されています。別の名前を入力してください。"
  kNotDeletable,   // "＜すべて＞ と その他 は削除できません。"
  kUsedByEntry,    // "%s は削除できません。"
  kConfirmDelete,  // ask "%s を削除してもよろしいですか？"
  kNotACategory,   // "%sは分類名に使用できません。"
  kEmptyTitle,     // a category title is empty: the dialog stays open, no message
  kReservedTitle,  // "予約されている名前は使用できません。別の名前を入力してください。"
  kFailed,         // memory ran out; the tables may be partly changed
};

// KDXCOMM_CheckListOptions and KDXCOMM_ApplyListOptions; each failure is the
// code of its message in KDXCOMM_ListOptionMessage.
inline constexpr int32_t kKdxListOptionsOk = 0;
inline constexpr int32_t kKdxListOptionsFirstIsSecond = 1;  // first key = second key
inline constexpr int32_t kKdxListOptionsFirstIsThird = 2;   // first key = third key
inline constexpr int32_t kKdxListOptionsSecondIsThird = 3;  // second = third, both columns

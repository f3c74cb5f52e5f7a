// The entry converter, field by field along the stored layout (entry_layout.h).
#include <cstring>

#include "core/document/entry_layout.h"
#include "core/document/record_layout.h"
#include "core/document/records.h"

using namespace kdx_layout;
using namespace kdx_entry_layout;

void KDX_SetKdxEntry(const KDX_ENTRY& e, uint8_t* stored) {
  std::span<uint8_t> s(stored, kKdxEntrySize);
  std::memset(stored, 0, kKdxEntrySize);
  PutInt<kId>(s, e.en_id);
  PutBytes<kCreateDate>(s, e.en_create_date);
  PutBytes<kUpdateDate>(s, e.en_update_date);
  PutBytes<kLastOpenedDate>(s, e.en_last_opened_date);
  PutBytes<kUseDate>(s, e.en_use_date);
  PutBytes<kTitle>(s, e.en_title);
  PutBytes<kCat1Name>(s, e.en_cat1_name);
  PutBytes<kCat2Name>(s, e.en_cat2_name);
  PutBytes<kCat3Name>(s, e.en_cat3_name);
  PutInt<kDetailToggle>(s, e.en_detail_toggle);
  PutInt<kBoBlockSize>(s, e.en_bo_block_size);
  PutInt<kWindowLeft>(s, e.en_window_position_left);
  PutInt<kWindowTop>(s, e.en_window_position_top);
  PutInt<kWindowRight>(s, e.en_window_position_right);
  PutInt<kWindowBottom>(s, e.en_window_position_bottom);
  PutInt<kFocusItem>(s, e.en_focus_item);
  PutInt<kCoId>(s, e.en_co_id);
  PutInt<kWindowZIndex>(s, e.en_window_z_index);
  PutInt<kBodyScrollPosition>(s, e.en_body_scroll_position);
  PutInt<kBodyCaretPosition>(s, e.en_body_caret_position);
  PutInt<kBodySelectionStart>(s, e.en_body_selection_start);
  PutInt<kBodySelectionEnd>(s, e.en_body_selection_end);
  PutBool<kIsSelectEntrylist>(s, e.en_is_select_entrylist);
  PutBytes<kCreateOs>(s, e.en_create_os);
  PutBytes<kUpdateOs>(s, e.en_update_os);
  PutBytes<kCreateMachineName>(s, e.en_create_machine_name);
  PutBytes<kUpdateMachineName>(s, e.en_update_machine_name);
  PutInt<kTurn>(s, e.en_turn);
  PutBytes<kTurnWidth>(s, e.en_turn_width);
  PutBytes<kFilePath>(s, e.en_file_path);
  PutInt<kFtId>(s, e.en_ft_id);
  PutInt<kPrId>(s, e.en_pr_id);
  PutBytes<kReserved1>(s, e.en_reserved1);
  PutBytes<kEncode>(s, e.en_encode);
  PutInt<kEncrypt>(s, e.en_encrypt);
  PutInt<kNoEncrypt>(s, e.en_no_encrypt);
  PutInt<kBoEncrypt>(s, e.en_bo_encrypt);
  PutBytes<kReserved2>(s, e.en_reserved2);
}

void KDX_GetKdxEntry(const uint8_t* stored, KDX_ENTRY* e) {
  std::span<const uint8_t> s(stored, kKdxEntrySize);
  std::memset(e, 0, sizeof *e);
  e->en_id = TakeInt<kId>(s);
  TakeText<kCreateDate>(s, e->en_create_date);
  TakeText<kUpdateDate>(s, e->en_update_date);
  TakeText<kLastOpenedDate>(s, e->en_last_opened_date);
  TakeText<kUseDate>(s, e->en_use_date);
  TakeText<kTitle>(s, e->en_title);
  TakeText<kCat1Name>(s, e->en_cat1_name);
  TakeText<kCat2Name>(s, e->en_cat2_name);
  TakeText<kCat3Name>(s, e->en_cat3_name);
  e->en_detail_toggle = TakeInt<kDetailToggle>(s);
  e->en_bo_block_size = TakeInt<kBoBlockSize>(s);
  e->en_window_position_left = TakeInt<kWindowLeft>(s);
  e->en_window_position_top = TakeInt<kWindowTop>(s);
  e->en_window_position_right = TakeInt<kWindowRight>(s);
  e->en_window_position_bottom = TakeInt<kWindowBottom>(s);
  e->en_focus_item = TakeInt<kFocusItem>(s);
  e->en_co_id = TakeInt<kCoId>(s);
  e->en_window_z_index = TakeInt<kWindowZIndex>(s);
  e->en_body_scroll_position = TakeInt<kBodyScrollPosition>(s);
  e->en_body_caret_position = TakeInt<kBodyCaretPosition>(s);
  e->en_body_selection_start = TakeInt<kBodySelectionStart>(s);
  e->en_body_selection_end = TakeInt<kBodySelectionEnd>(s);
  e->en_is_select_entrylist = TakeBool<kIsSelectEntrylist>(s);
  TakeText<kCreateOs>(s, e->en_create_os);
  TakeText<kUpdateOs>(s, e->en_update_os);
  TakeText<kCreateMachineName>(s, e->en_create_machine_name);
  TakeText<kUpdateMachineName>(s, e->en_update_machine_name);
  e->en_turn = TakeInt<kTurn>(s);
  TakeText<kTurnWidth>(s, e->en_turn_width);
  TakeText<kFilePath>(s, e->en_file_path);
  e->en_ft_id = TakeInt<kFtId>(s);
  e->en_pr_id = TakeInt<kPrId>(s);
  TakeBytes<kReserved1>(s, e->en_reserved1);
  TakeText<kEncode>(s, e->en_encode);
  e->en_encrypt = TakeInt<kEncrypt>(s);
  e->en_no_encrypt = TakeInt<kNoEncrypt>(s);
  e->en_bo_encrypt = TakeInt<kBoEncrypt>(s);
  TakeBytes<kReserved2>(s, e->en_reserved2);
}

int32_t KDX_GetStoredEntryID(const uint8_t* stored) {
  return TakeInt<kId>(std::span<const uint8_t>(stored, kId.offset + kId.width));
}

int32_t KDX_GetStoredEntryEncrypt(const uint8_t* stored) {
  return TakeInt<kEncrypt>(std::span<const uint8_t>(stored, kEncrypt.offset + kEncrypt.width));
}

int32_t KDX_GetStoredEntryWindowZIndex(const uint8_t* stored) {
  return TakeInt<kWindowZIndex>(
      std::span<const uint8_t>(stored, kWindowZIndex.offset + kWindowZIndex.width));
}

int32_t KDX_GetStoredEntryBodyEncrypt(const uint8_t* stored) {
  return TakeInt<kBoEncrypt>(
      std::span<const uint8_t>(stored, kBoEncrypt.offset + kBoEncrypt.width));
}

int32_t KDX_GetStoredEntryNoteEncrypt(const uint8_t* stored) {
  return TakeInt<kNoEncrypt>(
      std::span<const uint8_t>(stored, kNoEncrypt.offset + kNoEncrypt.width));
}

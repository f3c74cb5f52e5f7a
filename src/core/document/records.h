// The document's records in memory form, their stored sizes and the converters
// between the two. Stored records are packed little-endian byte layouts (the
// tables of named offsets sit beside the converters in entry_record.cpp and
// table_records.cpp); in memory the fields are naturally aligned.
//
// Storing zero-fills the stored record and copies every field, reserved areas
// included, so a round trip keeps every byte. Loading zero-fills the structure,
// copies every field and then forces the last byte of each text field to NUL,
// so a crafted file cannot make a later string operation read past a field.
// The environment value is the exception: 128 raw bytes (it can hold the
// enciphered password).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/container/rez.h"

// Stored sizes, also the record sizes of the tables that hold them.
inline constexpr int32_t kKdxEntrySize = 2393;
inline constexpr int32_t kKdxCategoryTitleSize = 420;
inline constexpr int32_t kKdxIdCounterSize = 112;
inline constexpr int32_t kKdxCatsetSize = 424;
inline constexpr int32_t kKdxEnvironmentSize = 232;
inline constexpr int32_t kKdxColorLabelSize = 180;
inline constexpr int32_t kKdxColumnSize = 181;
inline constexpr int32_t kKdxFileTypeSize = 212;
inline constexpr int32_t kKdxSearchHistorySize = 168;
inline constexpr int32_t kKdxBodyFindHistorySize = 172;
inline constexpr int32_t kKdxProjectSize = 688;
inline constexpr int32_t kKdxAttachmentSize = 358;
// One category name in cat1Ary/cat2Ary/cat3Ary and in the category fields.
inline constexpr int32_t kKdxCategoryNameSize = 128;
inline constexpr int32_t kKdxEnvValueSize = 128;

// Tags of the tables and of the counters (tag, name) that number their records.
inline constexpr uint32_t kKdxTagIDCO = REZ_MakeTag("IDCO");
inline constexpr uint32_t kKdxTagENTR = REZ_MakeTag("ENTR");
inline constexpr uint32_t kKdxTagCATS = REZ_MakeTag("CATS");
inline constexpr uint32_t kKdxTagCTLE = REZ_MakeTag("CTLE");
inline constexpr uint32_t kKdxTagCLBU = REZ_MakeTag("CLBU");
inline constexpr uint32_t kKdxTagCOLO = REZ_MakeTag("COLO");
inline constexpr uint32_t kKdxTagENVI = REZ_MakeTag("ENVI");
inline constexpr uint32_t kKdxTagFITY = REZ_MakeTag("FITY");
inline constexpr uint32_t kKdxTagFIIC = REZ_MakeTag("FIIC");
inline constexpr uint32_t kKdxTagBORB = REZ_MakeTag("BORB");
inline constexpr uint32_t kKdxTagTEXT = REZ_MakeTag("TEXT");
inline constexpr uint32_t kKdxTagNORB = REZ_MakeTag("NORB");
inline constexpr uint32_t kKdxTagPROJ = REZ_MakeTag("PROJ");
inline constexpr uint32_t kKdxTagTHID = REZ_MakeTag("THID");

struct KDX_ENTRY {
  int32_t en_id;
  char en_create_date[18];
  char en_update_date[18];
  char en_last_opened_date[18];
  char en_use_date[18];
  char en_title[512];
  char en_cat1_name[128];
  char en_cat2_name[128];
  char en_cat3_name[128];
  int32_t en_detail_toggle;
  int32_t en_bo_block_size;
  int32_t en_window_position_left;
  int32_t en_window_position_top;
  int32_t en_window_position_right;
  int32_t en_window_position_bottom;
  int32_t en_focus_item;
  int32_t en_co_id;
  int32_t en_window_z_index;
  int32_t en_body_scroll_position;
  int32_t en_body_caret_position;
  int32_t en_body_selection_start;
  int32_t en_body_selection_end;
  bool en_is_select_entrylist;
  char en_create_os[64];
  char en_update_os[64];
  char en_create_machine_name[128];
  char en_update_machine_name[128];
  int32_t en_turn;
  char en_turn_width[32];
  char en_file_path[512];
  int32_t en_ft_id;
  int32_t en_pr_id;
  uint8_t en_reserved1[128];
  char en_encode[32];
  int32_t en_encrypt;
  int32_t en_no_encrypt;
  int32_t en_bo_encrypt;
  uint8_t en_reserved2[256];
};

struct KDX_CATEGORY_TITLE {
  char ti_create_date[18];
  char ti_update_date[18];
  char ti_cat1_title[128];
  char ti_cat2_title[128];
  char ti_cat3_title[128];
};

struct KDX_ID_COUNTER {
  int32_t ic_id;
  char ic_create_date[18];
  char ic_update_date[18];
  uint32_t ic_tag;   // tag of the thing counted
  char ic_name[64];  // counter name, such as "en_id"
  int32_t ic_next_value;
};

struct KDX_CATSET {
  int32_t ct_id;
  char ct_create_date[18];
  char ct_update_date[18];
  char ct_cat1_name[128];
  char ct_cat2_name[128];
  char ct_cat3_name[128];
};

struct KDX_ENVIRONMENT {
  int32_t ev_id;
  char ev_create_date[18];
  char ev_update_date[18];
  char ev_keyword[64];
  uint8_t ev_value[128];  // raw bytes: text, decimal text, or ciphertext ("X08")
};

struct KDX_COLOR_LABEL {
  int32_t co_id;  // 0 to 7
  char co_create_date[18];
  char co_update_date[18];
  char co_name[128];
  int32_t co_red;  // component x 100000
  int32_t co_green;
  int32_t co_blue;
};

struct KDX_COLUMN {
  int32_t cl_id;  // also the column kind for the twenty default columns
  char cl_create_date[18];
  char cl_update_date[18];
  char cl_identifier[128];  // the KDX_ENTRY field shown, such as "en_title"
  int32_t cl_width;
  int32_t cl_position;
  bool cl_ascending;
  bool cl_shown;
  bool cl_first_sort_key;
  bool cl_second_sort_key;
  bool cl_third_sort_key;
};

struct KDX_FILE_TYPE {
  int32_t ft_id;
  char ft_create_date[18];
  char ft_update_date[18];
  int32_t ft_kind;
  uint8_t ft_reserved_text[128];  // unused; carried unchanged
  char ft_ext[32];                // extension without the dot
  int32_t ft_fi_id;               // file icon block
  int32_t ft_icon_size;
};

struct KDX_SEARCH_HISTORY {
  int32_t hi_id;
  char hi_create_date[18];
  char hi_update_date[18];
  char hi_words[128];
};

struct KDX_BODY_FIND_HISTORY {
  int32_t bf_id;
  char bf_create_date[18];
  char bf_update_date[18];
  int32_t bf_kind;
  char bf_string[128];
};

struct KDX_PROJECT {
  int32_t pr_id;
  char pr_create_date[18];
  char pr_update_date[18];
  char pr_name[128];
  int32_t pr_sort_order;
  int32_t pr_value2;
  char pr_text[512];
};

struct KDX_ATTACHMENT {
  int32_t at_id;
  int32_t at_value2;
  char at_create_date[18];
  char at_update_date[18];
  int32_t at_values[9];  // the first is the block size including its 8-byte header
  char at_file_name[256];
  char at_date[18];
  int32_t at_th_id;
};

// Converters; `stored` always has the record's stored size.
void KDX_SetKdxEntry(const KDX_ENTRY& entry, uint8_t* stored);
void KDX_GetKdxEntry(const uint8_t* stored, KDX_ENTRY* entry);
// en_id and en_encrypt straight from a stored entry, for scans over entryAry.
// The first reads only the 4 bytes at offset 0, so it also reads the
// identifier of any record that starts with the common head.
[[nodiscard]] int32_t KDX_GetStoredEntryID(const uint8_t* stored);
[[nodiscard]] int32_t KDX_GetStoredEntryEncrypt(const uint8_t* stored);
// en_window_z_index the same way, for the window order at open and close.
[[nodiscard]] int32_t KDX_GetStoredEntryWindowZIndex(const uint8_t* stored);
// en_bo_encrypt and en_no_encrypt the same way, for the search's scan.
[[nodiscard]] int32_t KDX_GetStoredEntryBodyEncrypt(const uint8_t* stored);
[[nodiscard]] int32_t KDX_GetStoredEntryNoteEncrypt(const uint8_t* stored);

void KDX_SetKdxCategoryTitle(const KDX_CATEGORY_TITLE& title, uint8_t* stored);
void KDX_GetKdxCategoryTitle(const uint8_t* stored, KDX_CATEGORY_TITLE* title);
void KDX_SetKdxIdCounter(const KDX_ID_COUNTER& counter, uint8_t* stored);
void KDX_GetKdxIdCounter(const uint8_t* stored, KDX_ID_COUNTER* counter);
void KDX_SetKdxCatset(const KDX_CATSET& catset, uint8_t* stored);
void KDX_GetKdxCatset(const uint8_t* stored, KDX_CATSET* catset);
void KDX_SetKdxEnvironment(const KDX_ENVIRONMENT& env, uint8_t* stored);
void KDX_GetKdxEnvironment(const uint8_t* stored, KDX_ENVIRONMENT* env);
void KDX_SetKdxColorLabel(const KDX_COLOR_LABEL& label, uint8_t* stored);
void KDX_GetKdxColorLabel(const uint8_t* stored, KDX_COLOR_LABEL* label);
void KDX_SetKdxColumnwidth(const KDX_COLUMN& column, uint8_t* stored);
void KDX_GetKdxColumnwidth(const uint8_t* stored, KDX_COLUMN* column);
void KDX_SetKdxFileType(const KDX_FILE_TYPE& type, uint8_t* stored);
void KDX_GetKdxFileType(const uint8_t* stored, KDX_FILE_TYPE* type);
void KDX_SetKdxSerachHistory(const KDX_SEARCH_HISTORY& history, uint8_t* stored);
void KDX_GetKdxSerachHistory(const uint8_t* stored, KDX_SEARCH_HISTORY* history);
void KDX_SetKdxBodyFindHistory(const KDX_BODY_FIND_HISTORY& history, uint8_t* stored);
void KDX_GetKdxBodyFindHistory(const uint8_t* stored, KDX_BODY_FIND_HISTORY* history);
void KDX_SetKdxProject(const KDX_PROJECT& project, uint8_t* stored);
void KDX_GetKdxProject(const uint8_t* stored, KDX_PROJECT* project);
void KDX_SetZytAttachment(const KDX_ATTACHMENT& attachment, uint8_t* stored);
void KDX_GetZytAttachment(const uint8_t* stored, KDX_ATTACHMENT* attachment);

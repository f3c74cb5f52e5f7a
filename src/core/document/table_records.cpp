// Stored layouts of the table records other than the entry. Every one except
// the category title and the attachment starts with the common head:
// identifier, create date, update date.
#include <cstring>

#include "core/document/record_layout.h"
#include "core/document/records.h"

using namespace kdx_layout;

namespace {

constexpr Field kHeadId{0, 4};
constexpr Field kHeadCreateDate{4, 18};
constexpr Field kHeadUpdateDate{22, 18};

std::span<uint8_t> ClearedStored(uint8_t* stored, int32_t size) {
  std::memset(stored, 0, static_cast<size_t>(size));
  return {stored, static_cast<size_t>(size)};
}

template <typename T>
std::span<const uint8_t> ClearedRecord(const uint8_t* stored, int32_t size, T* record) {
  std::memset(record, 0, sizeof *record);
  return {stored, static_cast<size_t>(size)};
}

namespace title {
constexpr Field kCreateDate{0, 18};
constexpr Field kUpdateDate{18, 18};
constexpr Field kCat1Title{36, 128};
constexpr Field kCat2Title{164, 128};
constexpr Field kCat3Title{292, 128};
constexpr Field kFields[] = {kCreateDate, kUpdateDate, kCat1Title, kCat2Title, kCat3Title};
static_assert(IsContiguous(kFields, kKdxCategoryTitleSize));
}  // namespace title

namespace counter {
constexpr Field kTag{40, 4};
constexpr Field kName{44, 64};
constexpr Field kNextValue{108, 4};
constexpr Field kFields[] = {kHeadId, kHeadCreateDate, kHeadUpdateDate, kTag, kName, kNextValue};
static_assert(IsContiguous(kFields, kKdxIdCounterSize));
}  // namespace counter

namespace catset {
constexpr Field kCat1Name{40, 128};
constexpr Field kCat2Name{168, 128};
constexpr Field kCat3Name{296, 128};
constexpr Field kFields[] = {kHeadId,   kHeadCreateDate, kHeadUpdateDate,
                             kCat1Name, kCat2Name,       kCat3Name};
static_assert(IsContiguous(kFields, kKdxCatsetSize));
}  // namespace catset

namespace env {
constexpr Field kKeyword{40, 64};
constexpr Field kValue{104, 128};
constexpr Field kFields[] = {kHeadId, kHeadCreateDate, kHeadUpdateDate, kKeyword, kValue};
static_assert(IsContiguous(kFields, kKdxEnvironmentSize));
}  // namespace env

namespace label {
constexpr Field kName{40, 128};
constexpr Field kRed{168, 4};
constexpr Field kGreen{172, 4};
constexpr Field kBlue{176, 4};
constexpr Field kFields[] = {kHeadId, kHeadCreateDate, kHeadUpdateDate, kName, kRed, kGreen, kBlue};
static_assert(IsContiguous(kFields, kKdxColorLabelSize));
}  // namespace label

namespace column {
constexpr Field kIdentifier{40, 128};
constexpr Field kWidth{168, 4};
constexpr Field kPosition{172, 4};
constexpr Field kAscending{176, 1};
constexpr Field kShown{177, 1};
constexpr Field kFirstSortKey{178, 1};
constexpr Field kSecondSortKey{179, 1};
constexpr Field kThirdSortKey{180, 1};
constexpr Field kFields[] = {kHeadId,       kHeadCreateDate, kHeadUpdateDate, kIdentifier,
                             kWidth,        kPosition,       kAscending,      kShown,
                             kFirstSortKey, kSecondSortKey,  kThirdSortKey};
static_assert(IsContiguous(kFields, kKdxColumnSize));
}  // namespace column

namespace filetype {
constexpr Field kKind{40, 4};
constexpr Field kReservedText{44, 128};
constexpr Field kExt{172, 32};
constexpr Field kFiId{204, 4};
constexpr Field kIconSize{208, 4};
constexpr Field kFields[] = {kHeadId, kHeadCreateDate, kHeadUpdateDate, kKind, kReservedText,
                             kExt,    kFiId,           kIconSize};
static_assert(IsContiguous(kFields, kKdxFileTypeSize));
}  // namespace filetype

namespace search {
constexpr Field kWords{40, 128};
constexpr Field kFields[] = {kHeadId, kHeadCreateDate, kHeadUpdateDate, kWords};
static_assert(IsContiguous(kFields, kKdxSearchHistorySize));
}  // namespace search

namespace bodyfind {
constexpr Field kKind{40, 4};
constexpr Field kString{44, 128};
constexpr Field kFields[] = {kHeadId, kHeadCreateDate, kHeadUpdateDate, kKind, kString};
static_assert(IsContiguous(kFields, kKdxBodyFindHistorySize));
}  // namespace bodyfind

namespace project {
constexpr Field kName{40, 128};
constexpr Field kSortOrder{168, 4};
constexpr Field kValue2{172, 4};
constexpr Field kText{176, 512};
constexpr Field kFields[] = {kHeadId, kHeadCreateDate, kHeadUpdateDate, kName, kSortOrder, kValue2,
                             kText};
static_assert(IsContiguous(kFields, kKdxProjectSize));
}  // namespace project

namespace attachment {
constexpr Field kId{0, 4};
constexpr Field kValue2{4, 4};
constexpr Field kCreateDate{8, 18};
constexpr Field kUpdateDate{26, 18};
constexpr Field kValues{44, 36};  // nine signed 32-bit integers
constexpr Field kFileName{80, 256};
constexpr Field kDate{336, 18};
constexpr Field kThId{354, 4};
constexpr Field kFields[] = {kId,     kValue2,   kCreateDate, kUpdateDate,
                             kValues, kFileName, kDate,       kThId};
static_assert(IsContiguous(kFields, kKdxAttachmentSize));
}  // namespace attachment

template <typename T>
void PutHead(std::span<uint8_t> s, int32_t id, const T& create, const T& update) {
  PutInt<kHeadId>(s, id);
  PutBytes<kHeadCreateDate>(s, create);
  PutBytes<kHeadUpdateDate>(s, update);
}

void TakeHead(std::span<const uint8_t> s, int32_t* id, char (&create)[18], char (&update)[18]) {
  *id = TakeInt<kHeadId>(s);
  TakeText<kHeadCreateDate>(s, create);
  TakeText<kHeadUpdateDate>(s, update);
}

}  // namespace

void KDX_SetKdxCategoryTitle(const KDX_CATEGORY_TITLE& t, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxCategoryTitleSize);
  PutBytes<title::kCreateDate>(s, t.ti_create_date);
  PutBytes<title::kUpdateDate>(s, t.ti_update_date);
  PutBytes<title::kCat1Title>(s, t.ti_cat1_title);
  PutBytes<title::kCat2Title>(s, t.ti_cat2_title);
  PutBytes<title::kCat3Title>(s, t.ti_cat3_title);
}

void KDX_GetKdxCategoryTitle(const uint8_t* stored, KDX_CATEGORY_TITLE* t) {
  auto s = ClearedRecord(stored, kKdxCategoryTitleSize, t);
  TakeText<title::kCreateDate>(s, t->ti_create_date);
  TakeText<title::kUpdateDate>(s, t->ti_update_date);
  TakeText<title::kCat1Title>(s, t->ti_cat1_title);
  TakeText<title::kCat2Title>(s, t->ti_cat2_title);
  TakeText<title::kCat3Title>(s, t->ti_cat3_title);
}

void KDX_SetKdxIdCounter(const KDX_ID_COUNTER& c, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxIdCounterSize);
  PutHead(s, c.ic_id, c.ic_create_date, c.ic_update_date);
  PutInt<counter::kTag>(s, static_cast<int32_t>(c.ic_tag));
  PutBytes<counter::kName>(s, c.ic_name);
  PutInt<counter::kNextValue>(s, c.ic_next_value);
}

void KDX_GetKdxIdCounter(const uint8_t* stored, KDX_ID_COUNTER* c) {
  auto s = ClearedRecord(stored, kKdxIdCounterSize, c);
  TakeHead(s, &c->ic_id, c->ic_create_date, c->ic_update_date);
  c->ic_tag = static_cast<uint32_t>(TakeInt<counter::kTag>(s));
  TakeText<counter::kName>(s, c->ic_name);
  c->ic_next_value = TakeInt<counter::kNextValue>(s);
}

void KDX_SetKdxCatset(const KDX_CATSET& c, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxCatsetSize);
  PutHead(s, c.ct_id, c.ct_create_date, c.ct_update_date);
  PutBytes<catset::kCat1Name>(s, c.ct_cat1_name);
  PutBytes<catset::kCat2Name>(s, c.ct_cat2_name);
  PutBytes<catset::kCat3Name>(s, c.ct_cat3_name);
}

void KDX_GetKdxCatset(const uint8_t* stored, KDX_CATSET* c) {
  auto s = ClearedRecord(stored, kKdxCatsetSize, c);
  TakeHead(s, &c->ct_id, c->ct_create_date, c->ct_update_date);
  TakeText<catset::kCat1Name>(s, c->ct_cat1_name);
  TakeText<catset::kCat2Name>(s, c->ct_cat2_name);
  TakeText<catset::kCat3Name>(s, c->ct_cat3_name);
}

void KDX_SetKdxEnvironment(const KDX_ENVIRONMENT& e, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxEnvironmentSize);
  PutHead(s, e.ev_id, e.ev_create_date, e.ev_update_date);
  PutBytes<env::kKeyword>(s, e.ev_keyword);
  PutBytes<env::kValue>(s, e.ev_value);
}

void KDX_GetKdxEnvironment(const uint8_t* stored, KDX_ENVIRONMENT* e) {
  auto s = ClearedRecord(stored, kKdxEnvironmentSize, e);
  TakeHead(s, &e->ev_id, e->ev_create_date, e->ev_update_date);
  TakeText<env::kKeyword>(s, e->ev_keyword);
  TakeBytes<env::kValue>(s, e->ev_value);  // raw: may be ciphertext
}

void KDX_SetKdxColorLabel(const KDX_COLOR_LABEL& l, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxColorLabelSize);
  PutHead(s, l.co_id, l.co_create_date, l.co_update_date);
  PutBytes<label::kName>(s, l.co_name);
  PutInt<label::kRed>(s, l.co_red);
  PutInt<label::kGreen>(s, l.co_green);
  PutInt<label::kBlue>(s, l.co_blue);
}

void KDX_GetKdxColorLabel(const uint8_t* stored, KDX_COLOR_LABEL* l) {
  auto s = ClearedRecord(stored, kKdxColorLabelSize, l);
  TakeHead(s, &l->co_id, l->co_create_date, l->co_update_date);
  TakeText<label::kName>(s, l->co_name);
  l->co_red = TakeInt<label::kRed>(s);
  l->co_green = TakeInt<label::kGreen>(s);
  l->co_blue = TakeInt<label::kBlue>(s);
}

void KDX_SetKdxColumnwidth(const KDX_COLUMN& c, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxColumnSize);
  PutHead(s, c.cl_id, c.cl_create_date, c.cl_update_date);
  PutBytes<column::kIdentifier>(s, c.cl_identifier);
  PutInt<column::kWidth>(s, c.cl_width);
  PutInt<column::kPosition>(s, c.cl_position);
  PutBool<column::kAscending>(s, c.cl_ascending);
  PutBool<column::kShown>(s, c.cl_shown);
  PutBool<column::kFirstSortKey>(s, c.cl_first_sort_key);
  PutBool<column::kSecondSortKey>(s, c.cl_second_sort_key);
  PutBool<column::kThirdSortKey>(s, c.cl_third_sort_key);
}

void KDX_GetKdxColumnwidth(const uint8_t* stored, KDX_COLUMN* c) {
  auto s = ClearedRecord(stored, kKdxColumnSize, c);
  TakeHead(s, &c->cl_id, c->cl_create_date, c->cl_update_date);
  TakeText<column::kIdentifier>(s, c->cl_identifier);
  c->cl_width = TakeInt<column::kWidth>(s);
  c->cl_position = TakeInt<column::kPosition>(s);
  c->cl_ascending = TakeBool<column::kAscending>(s);
  c->cl_shown = TakeBool<column::kShown>(s);
  c->cl_first_sort_key = TakeBool<column::kFirstSortKey>(s);
  c->cl_second_sort_key = TakeBool<column::kSecondSortKey>(s);
  c->cl_third_sort_key = TakeBool<column::kThirdSortKey>(s);
}

void KDX_SetKdxFileType(const KDX_FILE_TYPE& t, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxFileTypeSize);
  PutHead(s, t.ft_id, t.ft_create_date, t.ft_update_date);
  PutInt<filetype::kKind>(s, t.ft_kind);
  PutBytes<filetype::kReservedText>(s, t.ft_reserved_text);
  PutBytes<filetype::kExt>(s, t.ft_ext);
  PutInt<filetype::kFiId>(s, t.ft_fi_id);
  PutInt<filetype::kIconSize>(s, t.ft_icon_size);
}

void KDX_GetKdxFileType(const uint8_t* stored, KDX_FILE_TYPE* t) {
  auto s = ClearedRecord(stored, kKdxFileTypeSize, t);
  TakeHead(s, &t->ft_id, t->ft_create_date, t->ft_update_date);
  t->ft_kind = TakeInt<filetype::kKind>(s);
  TakeBytes<filetype::kReservedText>(s, t->ft_reserved_text);
  TakeText<filetype::kExt>(s, t->ft_ext);
  t->ft_fi_id = TakeInt<filetype::kFiId>(s);
  t->ft_icon_size = TakeInt<filetype::kIconSize>(s);
}

void KDX_SetKdxSerachHistory(const KDX_SEARCH_HISTORY& h, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxSearchHistorySize);
  PutHead(s, h.hi_id, h.hi_create_date, h.hi_update_date);
  PutBytes<search::kWords>(s, h.hi_words);
}

void KDX_GetKdxSerachHistory(const uint8_t* stored, KDX_SEARCH_HISTORY* h) {
  auto s = ClearedRecord(stored, kKdxSearchHistorySize, h);
  TakeHead(s, &h->hi_id, h->hi_create_date, h->hi_update_date);
  TakeText<search::kWords>(s, h->hi_words);
}

void KDX_SetKdxBodyFindHistory(const KDX_BODY_FIND_HISTORY& h, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxBodyFindHistorySize);
  PutHead(s, h.bf_id, h.bf_create_date, h.bf_update_date);
  PutInt<bodyfind::kKind>(s, h.bf_kind);
  PutBytes<bodyfind::kString>(s, h.bf_string);
}

void KDX_GetKdxBodyFindHistory(const uint8_t* stored, KDX_BODY_FIND_HISTORY* h) {
  auto s = ClearedRecord(stored, kKdxBodyFindHistorySize, h);
  TakeHead(s, &h->bf_id, h->bf_create_date, h->bf_update_date);
  h->bf_kind = TakeInt<bodyfind::kKind>(s);
  TakeText<bodyfind::kString>(s, h->bf_string);
}

void KDX_SetKdxProject(const KDX_PROJECT& p, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxProjectSize);
  PutHead(s, p.pr_id, p.pr_create_date, p.pr_update_date);
  PutBytes<project::kName>(s, p.pr_name);
  PutInt<project::kSortOrder>(s, p.pr_sort_order);
  PutInt<project::kValue2>(s, p.pr_value2);
  PutBytes<project::kText>(s, p.pr_text);
}

void KDX_GetKdxProject(const uint8_t* stored, KDX_PROJECT* p) {
  auto s = ClearedRecord(stored, kKdxProjectSize, p);
  TakeHead(s, &p->pr_id, p->pr_create_date, p->pr_update_date);
  TakeText<project::kName>(s, p->pr_name);
  p->pr_sort_order = TakeInt<project::kSortOrder>(s);
  p->pr_value2 = TakeInt<project::kValue2>(s);
  TakeText<project::kText>(s, p->pr_text);
}

void KDX_SetZytAttachment(const KDX_ATTACHMENT& a, uint8_t* stored) {
  auto s = ClearedStored(stored, kKdxAttachmentSize);
  PutInt<attachment::kId>(s, a.at_id);
  PutInt<attachment::kValue2>(s, a.at_value2);
  PutBytes<attachment::kCreateDate>(s, a.at_create_date);
  PutBytes<attachment::kUpdateDate>(s, a.at_update_date);
  // The nine values fill kValues exactly, which lies inside the record.
  for (size_t i = 0; i < 9; ++i)
    static_cast<void>(KDX_SetInt32Value(s, attachment::kValues.offset + 4 * i, a.at_values[i]));
  PutBytes<attachment::kFileName>(s, a.at_file_name);
  PutBytes<attachment::kDate>(s, a.at_date);
  PutInt<attachment::kThId>(s, a.at_th_id);
}

void KDX_GetZytAttachment(const uint8_t* stored, KDX_ATTACHMENT* a) {
  auto s = ClearedRecord(stored, kKdxAttachmentSize, a);
  a->at_id = TakeInt<attachment::kId>(s);
  a->at_value2 = TakeInt<attachment::kValue2>(s);
  TakeText<attachment::kCreateDate>(s, a->at_create_date);
  TakeText<attachment::kUpdateDate>(s, a->at_update_date);
  for (size_t i = 0; i < 9; ++i)
    a->at_values[i] = KDX_GetInt32Value(s, attachment::kValues.offset + 4 * i);
  TakeText<attachment::kFileName>(s, a->at_file_name);
  TakeText<attachment::kDate>(s, a->at_date);
  a->at_th_id = TakeInt<attachment::kThId>(s);
}

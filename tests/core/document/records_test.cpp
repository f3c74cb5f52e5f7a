// Stored layouts of the document's records, checked byte by byte against the
// documented offsets, and the codecs they are built from.
#include "core/document/records.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "core/document/value_codec.h"

namespace {

int32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24);
}
std::string Text(const std::vector<uint8_t>& b, size_t at) {
  return reinterpret_cast<const char*>(b.data() + at);
}

TEST(ValueCodec, LittleEndianByteByByteAndBoundsChecked) {
  std::vector<uint8_t> buf(8, 0xEE);
  EXPECT_EQ(KDX_SetInt32Value(buf, 1, -2), 0);
  EXPECT_EQ(buf, (std::vector<uint8_t>{0xEE, 0xFE, 0xFF, 0xFF, 0xFF, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(KDX_GetInt32Value(buf, 1), -2);
  EXPECT_TRUE(KDX_GetBoolValue(buf, 0));  // any non-zero byte

  EXPECT_EQ(KDX_SetInt32Value(buf, 5, 1), kKdxFailed);  // would end past the buffer
  EXPECT_EQ(KDX_SetStringValue(buf, 6, 3, "ab"), kKdxFailed);
  EXPECT_EQ(KDX_SetInt32Value(buf, SIZE_MAX - 1, 1), kKdxFailed);  // offset + width wraps
  EXPECT_EQ(buf[7], 0xEE);
  EXPECT_EQ(KDX_GetInt32Value(buf, 6), 0);
}

TEST(ValueCodec, TextFieldsAreZeroAfterTheirNul) {
  // A field that held "S-JIS" and was overwritten with "EUC" keeps "IS" in
  // memory after the NUL; the stored field must not.
  KDX_ENTRY e{};
  std::memcpy(e.en_encode, "S-JIS", 6);
  std::memcpy(e.en_encode, "EUC", 4);
  std::memset(e.en_title, 'x', sizeof e.en_title);
  e.en_title[3] = '\0';
  std::vector<uint8_t> stored(kKdxEntrySize, 0xEE);
  KDX_SetKdxEntry(e, stored.data());
  EXPECT_EQ(std::vector<uint8_t>(stored.begin() + 2093, stored.begin() + 2093 + 32),
            (std::vector<uint8_t>{'E', 'U', 'C', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  for (size_t i = 76 + 3; i < 76 + 512; ++i) ASSERT_EQ(stored[i], 0) << i;
}

// Every field of the entry: stored offset (and width), and the member. Text
// fields are filled to their full width, so a wrong width shows.
struct IntField {
  size_t at;
  int32_t KDX_ENTRY::*member;
};
constexpr IntField kIntFields[] = {{0, &KDX_ENTRY::en_id},
                                   {972, &KDX_ENTRY::en_detail_toggle},
                                   {976, &KDX_ENTRY::en_bo_block_size},
                                   {980, &KDX_ENTRY::en_window_position_left},
                                   {984, &KDX_ENTRY::en_window_position_top},
                                   {988, &KDX_ENTRY::en_window_position_right},
                                   {992, &KDX_ENTRY::en_window_position_bottom},
                                   {996, &KDX_ENTRY::en_focus_item},
                                   {1000, &KDX_ENTRY::en_co_id},
                                   {1004, &KDX_ENTRY::en_window_z_index},
                                   {1008, &KDX_ENTRY::en_body_scroll_position},
                                   {1012, &KDX_ENTRY::en_body_caret_position},
                                   {1016, &KDX_ENTRY::en_body_selection_start},
                                   {1020, &KDX_ENTRY::en_body_selection_end},
                                   {1409, &KDX_ENTRY::en_turn},
                                   {1957, &KDX_ENTRY::en_ft_id},
                                   {1961, &KDX_ENTRY::en_pr_id},
                                   {2125, &KDX_ENTRY::en_encrypt},
                                   {2129, &KDX_ENTRY::en_no_encrypt},
                                   {2133, &KDX_ENTRY::en_bo_encrypt}};
struct TextField {
  size_t at, width, member;
};
constexpr TextField kTextFields[] = {{4, 18, offsetof(KDX_ENTRY, en_create_date)},
                                     {22, 18, offsetof(KDX_ENTRY, en_update_date)},
                                     {40, 18, offsetof(KDX_ENTRY, en_last_opened_date)},
                                     {58, 18, offsetof(KDX_ENTRY, en_use_date)},
                                     {76, 512, offsetof(KDX_ENTRY, en_title)},
                                     {588, 128, offsetof(KDX_ENTRY, en_cat1_name)},
                                     {716, 128, offsetof(KDX_ENTRY, en_cat2_name)},
                                     {844, 128, offsetof(KDX_ENTRY, en_cat3_name)},
                                     {1025, 64, offsetof(KDX_ENTRY, en_create_os)},
                                     {1089, 64, offsetof(KDX_ENTRY, en_update_os)},
                                     {1153, 128, offsetof(KDX_ENTRY, en_create_machine_name)},
                                     {1281, 128, offsetof(KDX_ENTRY, en_update_machine_name)},
                                     {1413, 32, offsetof(KDX_ENTRY, en_turn_width)},
                                     {1445, 512, offsetof(KDX_ENTRY, en_file_path)},
                                     {2093, 32, offsetof(KDX_ENTRY, en_encode)}};

char* TextMember(KDX_ENTRY& e, size_t i) {
  return reinterpret_cast<char*>(&e) + kTextFields[i].member;
}

KDX_ENTRY DistinctEntry() {
  KDX_ENTRY e{};
  int32_t value = -100000;
  for (const IntField& f : kIntFields) e.*f.member = value += 70001;  // distinct in every byte
  for (size_t i = 0; i < std::size(kTextFields); ++i)
    std::memset(TextMember(e, i), static_cast<int>('a' + i), kTextFields[i].width - 1);
  e.en_is_select_entrylist = true;
  for (size_t i = 0; i < 128; ++i) e.en_reserved1[i] = static_cast<uint8_t>(i + 1);
  for (size_t i = 0; i < 256; ++i) e.en_reserved2[i] = static_cast<uint8_t>(255 - i);
  return e;
}

TEST(EntryRecord, StoredOffsetsMatchTheLayout) {
  const KDX_ENTRY e = DistinctEntry();
  std::vector<uint8_t> s(kKdxEntrySize, 0xAA);
  KDX_SetKdxEntry(e, s.data());
  for (const IntField& f : kIntFields) EXPECT_EQ(Le32(s, f.at), e.*f.member) << f.at;
  for (size_t i = 0; i < std::size(kTextFields); ++i) {
    const TextField& f = kTextFields[i];
    EXPECT_EQ(Text(s, f.at), std::string(f.width - 1, static_cast<char>('a' + i))) << f.at;
  }
  EXPECT_EQ(s[1024], 1);
  EXPECT_EQ(s[1965], 1);  // reserved areas
  EXPECT_EQ(s[1965 + 127], 128);
  EXPECT_EQ(s[2137], 255);
  EXPECT_EQ(s[2392], 0);
  EXPECT_EQ(KDX_GetStoredEntryID(s.data()), e.en_id);
  EXPECT_EQ(KDX_GetStoredEntryEncrypt(s.data()), e.en_encrypt);
}

TEST(EntryRecord, RoundTripKeepsEveryStoredByte) {
  std::vector<uint8_t> s(kKdxEntrySize);
  KDX_SetKdxEntry(DistinctEntry(), s.data());
  KDX_ENTRY back;
  KDX_GetKdxEntry(s.data(), &back);
  std::vector<uint8_t> again(kKdxEntrySize);
  KDX_SetKdxEntry(back, again.data());
  EXPECT_EQ(again, s);
}

TEST(EntryRecord, LoadForcesTextFieldsToEndInNul) {
  std::vector<uint8_t> s(kKdxEntrySize, 'A');  // no NUL anywhere
  const std::vector<uint8_t> before = s;
  KDX_ENTRY e;
  KDX_GetKdxEntry(s.data(), &e);
  for (size_t i = 0; i < std::size(kTextFields); ++i)
    EXPECT_EQ(std::strlen(TextMember(e, i)), kTextFields[i].width - 1);
  EXPECT_EQ(e.en_reserved2[255], 'A');  // reserved bytes are not text
  EXPECT_EQ(s, before);
}

// One record of each table family: fields written at the documented offsets.
TEST(TableRecords, StoredOffsetsMatchTheLayouts) {
  std::vector<uint8_t> s;
  auto stored = [&s](int32_t size) {
    s.assign(static_cast<size_t>(size), 0xAA);
    return s.data();
  };
  auto texts = [&s](std::initializer_list<size_t> offsets) {
    std::string out;
    for (size_t at : offsets) out += Text(s, at) + "|";
    return out;
  };

  KDX_SetKdxIdCounter({5, "20240101000000000", "2", REZ_MakeTag("ENTR"), "en_id", 77},
                      stored(kKdxIdCounterSize));
  EXPECT_EQ(Le32(s, 0), 5);
  EXPECT_EQ(texts({4, 22, 44}), "20240101000000000|2|en_id|");
  EXPECT_EQ(static_cast<uint32_t>(Le32(s, 40)), REZ_MakeTag("ENTR"));
  EXPECT_EQ(Le32(s, 108), 77);

  KDX_SetKdxCatset({1, "", "", "a", "b", "c"}, stored(kKdxCatsetSize));
  EXPECT_EQ(texts({40, 168, 296}), "a|b|c|");
  KDX_SetKdxCategoryTitle({"1", "2", "x", "y", "z"}, stored(kKdxCategoryTitleSize));
  EXPECT_EQ(texts({0, 18, 36, 164, 292}), "1|2|x|y|z|");

  KDX_SetKdxColorLabel({2, "", "", "重要", 100000, 50000, 1}, stored(kKdxColorLabelSize));
  EXPECT_EQ(texts({40}), "重要|");
  EXPECT_EQ(Le32(s, 168) + Le32(s, 172) + Le32(s, 176), 150001);
  EXPECT_EQ(Le32(s, 172), 50000);

  KDX_SetKdxColumnwidth({3, "", "", "en_title", 120, 4, false, true, false, true, false},
                        stored(kKdxColumnSize));
  EXPECT_EQ(texts({40}), "en_title|");
  EXPECT_EQ(Le32(s, 168), 120);
  EXPECT_EQ(Le32(s, 172), 4);
  EXPECT_EQ(std::vector<uint8_t>(s.begin() + 176, s.end()), (std::vector<uint8_t>{0, 1, 0, 1, 0}));
  s[178] = 9;  // any non-zero flag reads as set
  KDX_COLUMN cl;
  KDX_GetKdxColumnwidth(s.data(), &cl);
  EXPECT_TRUE(cl.cl_first_sort_key);

  KDX_FILE_TYPE ft{6, "", "", 4, {}, "txt", 7, 8};
  ft.ft_reserved_text[127] = 'r';
  KDX_SetKdxFileType(ft, stored(kKdxFileTypeSize));
  EXPECT_EQ(Le32(s, 40), 4);
  EXPECT_EQ(s[171], 'r');
  EXPECT_EQ(texts({172}), "txt|");
  EXPECT_EQ(Le32(s, 204), 7);
  EXPECT_EQ(Le32(s, 208), 8);

  KDX_SetKdxBodyFindHistory({9, "", "", 2, "find"}, stored(kKdxBodyFindHistorySize));
  EXPECT_EQ(Le32(s, 40), 2);
  EXPECT_EQ(texts({44}), "find|");

  KDX_SetKdxProject({10, "", "", "p", 3, 4, "t"}, stored(kKdxProjectSize));
  EXPECT_EQ(Le32(s, 168), 3);
  EXPECT_EQ(Le32(s, 172), 4);
  EXPECT_EQ(texts({40, 176}), "p|t|");

  KDX_SetZytAttachment({1, 2, "c", "u", {10, 0, 0, 0, 0, 0, 0, 0, 18}, "f.png", "d", 9},
                       stored(kKdxAttachmentSize));
  EXPECT_EQ(Le32(s, 4), 2);
  EXPECT_EQ(Le32(s, 44), 10);
  EXPECT_EQ(Le32(s, 76), 18);
  EXPECT_EQ(texts({8, 26, 80, 336}), "c|u|f.png|d|");
  EXPECT_EQ(Le32(s, 354), 9);
}

}  // namespace

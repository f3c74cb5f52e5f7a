// A new document in memory, holding the default tables a created file holds.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/column_table.h"
#include "core/document/entry_table.h"
#include "core/document/id_counter.h"
#include "core/document/kdx_data.h"

class ListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(KDX_InitKdxData(&data_), 0);
    ASSERT_EQ(KDX_CreateDocumentExtras(&data_), 0);
    IC_InitData(data_.idCounterAry);
    CT_InitData("その他", data_.idCounterAry, data_.catSetAry);
    TI_InitData("分類１", "分類２", "分類３", data_.catTitleAry);
    KDX_InitColumnWidth(data_.idCounterAry, data_.columnAry);
    KDX_InitDefaultSortKeys(data_.columnAry);
    CO_InitData("なし", "必須", "重要", "進行中", "未決", "個人用", "計画１", "計画２",
                data_.colorLabelAry);
  }
  void TearDown() override {
    KDX_FreeDocumentExtras(&data_);
    KDX_FreeKdxData(&data_);
  }
  // Adds an entry and its category set; `edit` may change fields first.
  template <typename Edit = void (*)(KDX_ENTRY&)>
  int32_t Add(
      const char* c1, const char* c2, const char* c3, Edit edit = [](KDX_ENTRY&) {}) {
    KDX_ENTRY e;
    EN_InitData(&data_, "t", c1, c2, c3, 0, "80", &e);
    edit(e);
    EXPECT_EQ(EN_AddData(data_.entryAry, e), 0);
    CT_SetData(data_.catSetAry, data_.idCounterAry, c1, c2, c3);
    Vell_Hash_RemoveAll(data_.entryHash);
    EN_Hash_MakeEntryTable(data_.entryAry, data_.entryHash);
    return e.en_id;
  }
  KDX_ENTRY Entry(int32_t id) {
    KDX_ENTRY e{};
    EN_GetData(data_.entryAry, id, &e);
    return e;
  }
  static std::vector<std::string> Names(const VELL_ARY* names) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < Vell_Ary_GetSize(names); ++i)
      out.emplace_back(static_cast<const char*>(Vell_Ary_GetDataPtr(names, i)));
    return out;
  }
  static std::vector<int32_t> Ids(const VELL_ARY* showIDAry) {
    std::vector<int32_t> out(Vell_Ary_GetSize(showIDAry));
    for (size_t i = 0; i < out.size(); ++i)
      std::memcpy(&out[i], Vell_Ary_GetDataPtr(showIDAry, static_cast<int32_t>(i)), sizeof out[i]);
    return out;
  }
  std::vector<int32_t> EntryOrder() {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < Vell_Ary_GetSize(data_.entryAry); ++i)
      out.push_back(KDX_GetStoredEntryID(
          static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(data_.entryAry, i))));
    return out;
  }
  KDX_DATA data_;
};

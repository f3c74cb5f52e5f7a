// A new document, holding the default tables a created file holds; entries
// are added to the tables in memory only.
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
#include "support/test_document.h"

class ListingTest : public ::testing::Test {
 protected:
  // Adds an entry and its category set; `edit` may change fields first.
  template <typename Edit = void (*)(KDX_ENTRY&)>
  int32_t Add(
      const char* c1, const char* c2, const char* c3, Edit edit = [](KDX_ENTRY&) {}) {
    KDX_ENTRY e;
    EN_InitData(&data_, "t", c1, c2, c3, 0, "80", &e);
    edit(e);
    EXPECT_EQ(EN_AddData(data_.entryAry, e), 0);
    EXPECT_GE(CT_SetData(data_.catSetAry, data_.idCounterAry, c1, c2, c3), 0);
    EXPECT_EQ(KDX_RebuildEntryHash(&data_), 0);
    return e.en_id;
  }
  KDX_ENTRY Entry(int32_t id) {
    KDX_ENTRY e{};
    EXPECT_GE(EN_GetData(data_.entryAry, id, &e), 0) << id;
    return e;
  }
  static std::vector<std::string> Names(const VELL_ARY* names) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < Vell_Ary_GetSize(names); ++i)
      out.emplace_back(static_cast<const char*>(Vell_Ary_GetDataPtr(names, i)));
    return out;
  }
  std::vector<int32_t> EntryOrder() {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < Vell_Ary_GetSize(data_.entryAry); ++i)
      out.push_back(KDX_GetStoredEntryID(
          static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(data_.entryAry, i))));
    return out;
  }
  kdx_test::TestDocument doc_;
  KDX_DATA& data_ = *doc_.data();
};

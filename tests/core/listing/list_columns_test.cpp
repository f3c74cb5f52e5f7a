// Column titles, cell texts, label colours and the column table write-back.
#include "core/listing/list_columns.h"

#include "core/listing/category.h"
#include "core/util/vell_system.h"
#include "listing_fixture.h"

namespace {

class ColumnsTest : public ListingTest {
 protected:
  KDX_CATEGORY_TITLE Titles() {
    KDX_CATEGORY_TITLE t;
    EXPECT_EQ(TI_GetData(data_.catTitleAry, &t), 1);
    return t;
  }
  std::string Cell(const KDX_ENTRY& e, const char* identifier) {
    return KDX_GetEntryListViewItem(data_, e, identifier, nullptr).text;
  }
  std::vector<std::string> RecordOrder() {
    std::vector<std::string> ids;
    for (int32_t i = 0; i < Vell_Ary_GetSize(data_.columnAry); ++i) {
      KDX_COLUMN c;
      CL_GetData_ByIndex(data_.columnAry, i, &c);
      EXPECT_EQ(c.cl_position, i + 1);
      ids.emplace_back(c.cl_identifier);
    }
    return ids;
  }
};

TEST_F(ColumnsTest, NewDocumentShowsDefaultColumnsWithLocalisedTitles) {
  Vell_SetLocalizedStringMap({{"分類１", "Group 1"}, {"文章名", "Title"}});
  std::vector<std::string> titles;
  for (const KdxListColumn& c : CLCOMM_GetShownColumns(data_.columnAry, Titles()))
    titles.push_back(c.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"icon", "ＩＤ", "Title", "Group 1", "分類２",
                                              "分類３", "更新日時"}));
  std::string id = "untouched";
  EXPECT_EQ(CLCOMM_GetColumnIdentifier(Titles(), "Group 1", &id), 1);
  EXPECT_EQ(id, "en_cat1_name");
  EXPECT_EQ(CLCOMM_GetColumnIdentifier(Titles(), "分類１", &id), 0);  // only the shown form
  std::string title = "untouched";
  EXPECT_EQ(CLCOMM_GetColumnHeaderTitle(Titles(), "en_encrypt", &title), 0);  // misspelt on purpose
  EXPECT_EQ(title, "untouched");
  Vell_SetLocalizedStringMap({});
  EXPECT_EQ(CLCOMM_GetColumnAlignment("en_id"), 1);
  EXPECT_EQ(CLCOMM_GetColumnAlignment("en_bo_block_size"), 1);
  EXPECT_EQ(CLCOMM_GetColumnAlignment("en_title"), 0);
}

TEST_F(ColumnsTest, CellTexts) {
  const int32_t id = Add("その他", "仕事", "x", [](KDX_ENTRY& e) {
    std::strcpy(e.en_update_date, "20240131090507123");
    e.en_bo_block_size = 1234567;
    e.en_encrypt = 1;
    e.en_co_id = 2;
    e.en_ft_id = 5;
  });
  KDX_ENTRY e = Entry(id);
  EXPECT_EQ(Cell(e, "en_update_date"), "2024/01/31 09:05");
  EXPECT_EQ(Cell(e, "en_use_date"), "YYYY/MM/DD HH:MM");  // never used: the template
  EXPECT_EQ(Cell(e, "en_bo_block_size"), "1,234,567");
  EXPECT_EQ(Cell(e, "en_encrpyt"), "する");
  EXPECT_EQ(Cell(e, "en_co_id"), "重要");
  EXPECT_EQ(Cell(e, "en_id"), std::to_string(id));
  EXPECT_EQ(Cell(e, "en_encoding"), "S-JIS");
  const KdxListCell icon = KDX_GetEntryListViewItem(data_, e, "en_ft_id", nullptr);
  EXPECT_EQ(icon.kind, KdxListCell::Kind::kIcon);
  EXPECT_EQ(icon.fileTypeId, 5);
  EXPECT_EQ(KDX_GetEntryListViewItem(data_, e, "en_nothing", nullptr).kind,
            KdxListCell::Kind::kNone);
  EXPECT_EQ(KDX_GetEntryListViewItem(data_, e, "en_note",
                                     [](int32_t n) { return "note " + std::to_string(n); })
                .text,
            "note " + std::to_string(id));
  e.en_bo_block_size = 0;
  e.en_encrypt = 0;
  EXPECT_EQ(Cell(e, "en_bo_block_size"), "0");
  EXPECT_EQ(Cell(e, "en_encrpyt"), "しない");

  Vell_SetLocalizedStringMap({{"その他", "Others"}});
  EXPECT_EQ(Cell(e, "en_cat1_name"), "Others");
  EXPECT_EQ(Cell(e, "en_cat2_name"), "仕事");
  EXPECT_EQ(KDXCOMM_GetCatComboSaveString("Others"), "その他");
  Vell_SetLocalizedStringMap({});
}

TEST_F(ColumnsTest, LabelColoursScaleAndClamp) {
  KDX_COLOR_LABEL l;
  ASSERT_EQ(CO_GetData(data_.colorLabelAry, 3, &l), 1);
  l.co_red = 50000;
  l.co_green = 200000;
  CO_SetData(data_.colorLabelAry, 3, l);
  EXPECT_DOUBLE_EQ(KDXCOMM_GetLabelColor(data_.colorLabelAry, 3).red, 0.5);
  EXPECT_DOUBLE_EQ(KDXCOMM_GetLabelColor(data_.colorLabelAry, 3).green, 1.0);
  EXPECT_EQ(KDXCOMM_GetLabelColor(data_.colorLabelAry, 0).red, 0.0);  // no label: black
}

TEST_F(ColumnsTest, WriteBackKeepsUserOrderAndHiddenPlaces) {
  // The view shows title first, then icon and id; cat2 was hidden (not in
  // the view) and stays between cat1 and cat3. An unknown column is skipped.
  CLCOMM_UpdateColumnWidthArray({{"en_title", 150.7},
                                 {"en_ft_id", 36},
                                 {"bogus", 80},
                                 {"en_id", 40},
                                 {"en_cat1_name", 100},
                                 {"en_cat3_name", 90}},
                                data_.columnAry);
  const std::vector<std::string> order = RecordOrder();
  EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 6),
            (std::vector<std::string>{"en_title", "en_ft_id", "en_id", "en_cat1_name",
                                      "en_cat2_name", "en_cat3_name"}));
  KDX_COLUMN c;
  ASSERT_EQ(CL_GetData_ByIdentifier(data_.columnAry, "en_title", &c), 1);
  EXPECT_EQ(c.cl_width, 150);
  ASSERT_EQ(CL_GetData_ByIdentifier(data_.columnAry, "en_cat2_name", &c), 1);
  EXPECT_EQ(c.cl_width, 100);  // hidden: keeps its width
  // Moving the last shown column to the front.
  CLCOMM_UpdateColumnWidthArray({{"en_cat3_name", 90}, {"en_title", 150}}, data_.columnAry);
  EXPECT_EQ(RecordOrder()[0], "en_cat3_name");
  EXPECT_EQ(RecordOrder()[1], "en_title");
}

}  // namespace

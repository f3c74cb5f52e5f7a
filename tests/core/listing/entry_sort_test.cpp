// Sort keys, the order per column kind with its tie-break, header clicks and
// the list options.
#include "core/listing/entry_sort.h"

#include <map>
#include <random>

#include "core/listing/entry_list.h"
#include "core/listing/list_options.h"
#include "listing_fixture.h"

namespace {

KDX_SORT_INFO Keys(int32_t k1, bool a1, int32_t k2 = -1, bool a2 = false, int32_t k3 = -1,
                   bool a3 = false) {
  return {{k1, k2, k3}, {a1, a2, a3}};
}

class SortTest : public ListingTest {
 protected:
  std::map<int32_t, std::string> notes_;
  int32_t noteReads_ = 0;
  KdxNoteReader reader_ = [this](int32_t id) {
    ++noteReads_;
    return notes_[id];
  };
  // The sorted table must be in the order the single comparison gives.
  void ExpectOrdered(const KDX_SORT_INFO& info) {
    for (int32_t i = 1; i < Vell_Ary_GetSize(data_.entryAry); ++i) {
      KDX_ENTRY a, b;
      EN_GetData_ByIndex(data_.entryAry, i - 1, &a);
      EN_GetData_ByIndex(data_.entryAry, i, &b);
      ASSERT_LT(EntryListSortProc(info, a, b, notes_[a.en_id], notes_[b.en_id]), 0)
          << "kind " << info.key[0] << " at " << i;
    }
  }
};

TEST_F(SortTest, EveryKindSortsAsItsComparisonSaysWithTiesByIdentifier) {
  std::mt19937 rng(5);
  // "20240131" is exactly as long as the sort's prefix and begins the two
  // longer texts: they must sort by the rest, not as equals.
  const char* texts[] = {
      "", "a", "B", "é", "z", "その他", "2024", "20240131", "20240131090507", "202401310905"};
  auto pick = [&] { return texts[rng() % std::size(texts)]; };
  for (int i = 0; i < 40; ++i) {
    const int32_t id = Add(pick(), pick(), pick(), [&](KDX_ENTRY& e) {
      for (char* f : {e.en_title, e.en_create_date, e.en_update_date, e.en_last_opened_date,
                      e.en_use_date, e.en_encode, e.en_file_path, e.en_create_os, e.en_update_os,
                      e.en_create_machine_name, e.en_update_machine_name})
        std::strcpy(f, pick());
      e.en_ft_id = static_cast<int32_t>(rng() % 3) - 1;
      e.en_bo_block_size = static_cast<int32_t>(rng() % 3) * 1000000000;
      e.en_encrypt = static_cast<int32_t>(rng() % 2);
      e.en_co_id = static_cast<int32_t>(rng() % 3);
    });
    notes_[id] = pick();
  }
  for (int32_t kind = 0; kind < 20; ++kind) {
    for (bool ascending : {true, false}) {
      ASSERT_EQ(KDXCOMM_SortEntries(Keys(kind, ascending), data_.entryAry, reader_), 0);
      ExpectOrdered(Keys(kind, ascending));
    }
  }
  EXPECT_EQ(noteReads_, 2 * 40);  // once per entry and sort, not per comparison
}

TEST_F(SortTest, BytesCompareUnsignedAndEmptyNoteIsABlank) {
  const int32_t e = Add("é", "x", "x");
  const int32_t z = Add("z", "x", "x");
  const int32_t tab = Add("x", "x", "x");
  notes_ = {{e, ""}, {z, "!"}, {tab, "\t"}};
  ASSERT_EQ(KDXCOMM_SortEntries(Keys(3, true), data_.entryAry, reader_), 0);  // first category
  EXPECT_EQ(EntryOrder(), (std::vector<int32_t>{tab, z, e}));
  ASSERT_EQ(KDXCOMM_SortEntries(Keys(14, true), data_.entryAry, reader_), 0);  // note
  EXPECT_EQ(EntryOrder(), (std::vector<int32_t>{tab, e, z}));
}

TEST_F(SortTest, ThreeKeysWithMixedDirectionsThenIdentifierAscending) {
  auto size = [](int32_t s) { return [s](KDX_ENTRY& e) { e.en_bo_block_size = s; }; };
  const int32_t a = Add("B", "x", "x", size(10));
  const int32_t b = Add("A", "x", "x", size(10));
  const int32_t c = Add("A", "x", "x", size(20));
  const int32_t d = Add("A", "x", "x", size(20));
  const int32_t e = Add("A", "y", "x", size(20));
  // Category 1 ascending, size descending, category 2 descending.
  const KDX_SORT_INFO info = Keys(3, true, 10, false, 4, false);
  ASSERT_EQ(KDXCOMM_SortEntries(info, data_.entryAry, nullptr), 0);
  EXPECT_EQ(EntryOrder(), (std::vector<int32_t>{e, c, d, b, a}));
  // All descending: equal entries still go by identifier ascending.
  ASSERT_EQ(KDXCOMM_SortEntries(Keys(4, false, 3, false), data_.entryAry, nullptr), 0);
  EXPECT_EQ(EntryOrder(), (std::vector<int32_t>{e, a, b, c, d}));
}

TEST_F(SortTest, ListOrderFollowsTheKeysAndLeavesTheTableInPlace) {
  // Titles alike in their first eight bytes sort by the rest.
  auto title = [](const char* t) { return [t](KDX_ENTRY& e) { std::strcpy(e.en_title, t); }; };
  const int32_t a = Add("A", "x", "x", title("same prefix 3"));
  const int32_t b = Add("B", "x", "x", title("same prefix 1"));
  const int32_t c = Add("A", "x", "x", title("same prefix 2"));
  const int32_t d = Add("B", "y", "x", title("other"));
  const std::vector<int32_t> table = EntryOrder();
  KdxCategorySelection all;
  data_.listOrder = {1, 1, 0};  // left by some other table: started afresh
  const KDX_SORT_INFO byTitle = Keys(2, true);
  ASSERT_EQ(KDXCOMM_ReloadMainLists(&data_, &all, nullptr, &byTitle), 0);
  EXPECT_EQ(data_.showIDAry, (std::vector<int32_t>{d, b, c, a}));
  // From that order on: category 1, then title.
  const KDX_SORT_INFO byCategory = Keys(3, true, 2, true);
  ASSERT_EQ(KDXCOMM_ReloadMainLists(&data_, &all, nullptr, &byCategory), 0);
  EXPECT_EQ(data_.showIDAry, (std::vector<int32_t>{c, a, d, b}));
  KdxCategorySelection firstA;
  firstA.name[0] = "A";
  const KDX_SORT_INFO byTitleDown = Keys(2, false);
  ASSERT_EQ(KDXCOMM_ReloadMainLists(&data_, &firstA, nullptr, &byTitleDown), 0);
  EXPECT_EQ(data_.showIDAry, (std::vector<int32_t>{a, c}));
  EXPECT_EQ(EntryOrder(), table);
  EXPECT_EQ(Entry(c).en_id, c);  // the entry hash still finds them
}

TEST_F(SortTest, HeaderClicksPushKeys) {
  auto keys = [&] {
    KDX_SORT_INFO i;
    CLCOMM_InitListInfo(data_.columnAry, &i);
    return std::vector<int32_t>{i.key[0],       i.ascending[0], i.key[1],
                                i.ascending[1], i.key[2],       i.ascending[2]};
  };
  EXPECT_EQ(keys(), (std::vector<int32_t>{1, 0, -1, 0, -1, 0}));           // new document
  EXPECT_TRUE(KDXCOMM_HeaderClickDirection(data_.columnAry, "en_id"));     // reverses the first key
  EXPECT_TRUE(KDXCOMM_HeaderClickDirection(data_.columnAry, "en_title"));  // its own flag
  ASSERT_EQ(KDXCOMM_ClickColumnHeader(data_.columnAry, "en_title", true), 1);
  ASSERT_EQ(KDXCOMM_ClickColumnHeader(data_.columnAry, "en_cat1_name", false), 1);
  EXPECT_EQ(keys(), (std::vector<int32_t>{3, 0, 2, 1, 1, 0}));
  // The second key clicked becomes the first and keeps its direction.
  ASSERT_EQ(KDXCOMM_ClickColumnHeader(data_.columnAry, "en_title", false), 1);
  EXPECT_EQ(keys(), (std::vector<int32_t>{2, 1, 3, 0, 1, 0}));
  // So does the third.
  ASSERT_EQ(KDXCOMM_ClickColumnHeader(data_.columnAry, "en_id", true), 1);
  EXPECT_EQ(keys(), (std::vector<int32_t>{1, 0, 2, 1, 3, 0}));
  // A new column pushes the others down; the old third drops out.
  ASSERT_EQ(KDXCOMM_ClickColumnHeader(data_.columnAry, "en_update_date", true), 1);
  EXPECT_EQ(keys(), (std::vector<int32_t>{7, 1, 1, 0, 2, 1}));
  EXPECT_FALSE(KDXCOMM_HeaderClickDirection(data_.columnAry, "en_update_date"));
  // Clicking the first key only sets its direction.
  ASSERT_EQ(KDXCOMM_ClickColumnHeader(data_.columnAry, "en_update_date", false), 1);
  EXPECT_EQ(keys(), (std::vector<int32_t>{7, 0, 1, 0, 2, 1}));
  EXPECT_EQ(KDXCOMM_ClickColumnHeader(data_.columnAry, "en_nothing", true), 0);
  EXPECT_EQ(CLCOMM_GetSortColumns(data_.columnAry).front().identifier, "en_update_date");
}

TEST_F(SortTest, ListOptionsRefuseRepeatedKeysAndStoreChoices) {
  KDX_CATEGORY_TITLE titles;
  ASSERT_EQ(TI_GetData(data_.catTitleAry, &titles), 1);
  KdxListOptions o = KDXCOMM_InitListOptions(data_.columnAry, titles);
  ASSERT_EQ(o.columns.size(), 20u);
  EXPECT_EQ(o.keyTitle, (std::array<std::string, 3>{"ＩＤ", "＜指定しない＞", "＜指定しない＞"}));
  EXPECT_EQ(KDXCOMM_CheckListOptions(o), kKdxListOptionsOk);  // two "no key"s are fine
  KDXCOMM_ChooseListOptionKey(&o, titles, 1, "ＩＤ");
  EXPECT_EQ(KDXCOMM_ApplyListOptions(o, titles, data_.columnAry), kKdxListOptionsFirstIsSecond);
  EXPECT_EQ(KDXCOMM_ListOptionMessage(kKdxListOptionsFirstIsSecond).rfind("第１と第２", 0), 0u);
  KDXCOMM_ChooseListOptionKey(&o, titles, 2, "文章名");
  KDXCOMM_ChooseListOptionKey(&o, titles, 1, "＜指定しない＞");  // clears the third
  EXPECT_EQ(o.keyTitle[2], "＜指定しない＞");
  EXPECT_FALSE(KDXCOMM_GetListOptionControls(o).thirdKey);

  KDXCOMM_ChooseListOptionKey(&o, titles, 0, "ラベル");
  KDXCOMM_ChooseListOptionKey(&o, titles, 1, "分類２");
  o.keyAscending = {false, false, false};
  o.columns[2].cl_shown = false;  // 文章名
  ASSERT_EQ(KDXCOMM_ApplyListOptions(o, titles, data_.columnAry), kKdxListOptionsOk);
  KDX_SORT_INFO info;
  CLCOMM_InitListInfo(data_.columnAry, &info);
  EXPECT_EQ(info.key[0], 15);
  EXPECT_EQ(info.key[1], 4);
  EXPECT_EQ(info.key[2], -1);
  EXPECT_EQ(info.ascending[1], 0);
  KDX_COLUMN title;
  ASSERT_EQ(CL_GetData_ByIdentifier(data_.columnAry, "en_title", &title), 1);
  EXPECT_FALSE(title.cl_shown);
}

}  // namespace

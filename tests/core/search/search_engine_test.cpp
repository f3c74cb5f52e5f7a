// The search across entries: the three modes on the cases users meet, the
// fields beyond the body, encrypted entries, damaged files, the result list
// order, and the engine against a plain reference that searches word after
// word on generated documents.
#include "core/search/search_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/container/rez.h"
#include "core/content/entry_content.h"
#include "core/document/entry_table.h"
#include "core/document/id_counter.h"
#include "core/document/kdx_file.h"
#include "core/listing/list_columns.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_utf8.h"
#include "support/test_document.h"

namespace {

constexpr int32_t kPhrase = kKdxSearchPhrase;
constexpr int32_t kAll = kKdxSearchAllWords;
constexpr int32_t kAny = kKdxSearchAnyWord;
constexpr uint32_t kBody = kKdxSearchBody;

struct Row {
  int32_t id;
  std::string word;
  int32_t kind;
  bool operator==(const Row&) const = default;
};
using Rows = std::vector<Row>;
using Ids = std::vector<int32_t>;

Rows RowsOf(const std::vector<KDX_FOUND_RESULT>& results) {
  Rows rows;
  for (const KDX_FOUND_RESULT& r : results) rows.push_back({r.en_id, r.word, r.kind});
  return rows;
}

// A document in a folder of its own, entries added as the application adds them.
struct Doc {
  kdx_test::TestDocument doc;
  KDX_DATA& data = *doc.data();
  int32_t Add(const std::string& text, bool encrypted = false, const std::string& title = "t",
              const std::string& note = "") {
    // The search reads the file as last saved.
    const int32_t id = doc.Add(title, {"body", text, note}, encrypted).en_id;
    doc.Save();
    return id;
  }
  Rows Search(const std::string& text, int32_t mode, uint32_t fields = kBody,
              KdxSearchStats* stats = nullptr) const {
    std::vector<KDX_FOUND_RESULT> results;
    EXPECT_EQ(KDX_SearchEntries(&data, text.c_str(), mode, fields, {}, results, stats), 0);
    return RowsOf(results);
  }
  Ids Found(const std::string& text, int32_t mode, KdxSearchStats* stats = nullptr) const {
    Ids ids;
    for (const Row& r : Search(text, mode, kBody, stats)) ids.push_back(r.id);
    return ids;
  }
  // Overwrites 4 bytes at offset from the block head of the text marker.
  void Patch(const std::string& marker, int64_t offset, uint32_t value) {
    std::vector<uint8_t> bytes = kdx_test::ReadAll(data.kdxFilePath);
    const size_t at = std::string(bytes.begin(), bytes.end()).find(marker);
    ASSERT_NE(at, std::string::npos);
    const size_t pos = static_cast<size_t>(static_cast<int64_t>(at) - 12 + offset);
    for (int i = 0; i < 4; ++i) bytes[pos + i] = static_cast<uint8_t>(value >> (8 * i));
    kdx_test::WriteAll(data.kdxFilePath, bytes);
  }
};

TEST(SearchModes, PhraseAllWordsAndAnyWord) {
  Doc doc;
  const int32_t pie = doc.Add("pie");
  const int32_t exact = doc.Add("an APPLE Pie today");
  const int32_t spaced = doc.Add("apple  pie");
  const int32_t apple = doc.Add("APPLE only");
  std::string longWord;  // cut to 127 bytes at a character boundary
  for (int i = 0; i < 50; ++i) longWord += "語";
  const std::string cut = longWord.substr(0, 126);
  const int32_t cutId = doc.Add(cut + "x");
  // The phrase is the whole text, spaces and all; words are split at either space.
  EXPECT_EQ(doc.Found("apple pie", kPhrase), Ids{exact});
  EXPECT_EQ(doc.Found("  ", kPhrase), Ids{spaced});
  EXPECT_TRUE(doc.Found("", kPhrase).empty());
  EXPECT_EQ(doc.Found(longWord, kPhrase), Ids{cutId});
  EXPECT_EQ(doc.Found("pie　apple", kAll), (Ids{exact, spaced}));
  // A word given twice counts twice.
  EXPECT_EQ(doc.Found("apple apple", kAll), (Ids{exact, spaced, apple}));
  EXPECT_EQ(doc.Found("apple pie apple", kAll), (Ids{exact, spaced}));
  // Any word: word by word, block by block, each entry once with its first word.
  EXPECT_EQ(doc.Search("apple pie " + longWord, kAny), (Rows{{exact, "apple", 0},
                                                             {spaced, "apple", 0},
                                                             {apple, "apple", 0},
                                                             {pie, "pie", 0},
                                                             {cutId, cut, 0}}));
}

TEST(SearchFields, EncryptedTextNotesAndTitlesAndWordsSpreadOverFields) {
  Doc doc;
  const int32_t inNote = doc.Add("body", false, "title", "an apple note");
  const int32_t inTitle = doc.Add("pie in body", false, "Apple title");
  const int32_t secret = doc.Add("秘密の議事録 PIE", true, "title", "secret apple");
  const std::vector<uint8_t> bytes = kdx_test::ReadAll(doc.data.kdxFilePath);
  const std::string raw(bytes.begin(), bytes.end());
  ASSERT_EQ(raw.find("秘密"), std::string::npos);
  ASSERT_EQ(raw.find("secret"), std::string::npos);
  EXPECT_EQ(doc.Found("pie 秘密", kAll), Ids{secret});
  EXPECT_TRUE(doc.Found("apple", kPhrase).empty());
  EXPECT_EQ(doc.Search("apple", kAny, kKdxSearchNote | kKdxSearchTitle),
            (Rows{{inNote, "apple", 1}, {secret, "apple", 1}, {inTitle, "apple", 2}}));
  EXPECT_EQ(doc.Search("apple pie", kAll, kBody | kKdxSearchTitle), (Rows{{inTitle, "apple", 2}}));
  EXPECT_EQ(doc.Search("apple pie", kAll, kBody | kKdxSearchNote), (Rows{{secret, "apple", 1}}));
}

TEST(SearchDamage, DamagedOrphanBlocksAndABrokenOrLoopingChainAreSkipped) {
  Doc doc;
  const int32_t good = doc.Add("apple", true);
  doc.Add("apple BAD SIZE");
  const int32_t badCipher = doc.Add("apple, 15 bytes");
  const int32_t gone = doc.Add("apple");
  const int32_t linked = doc.Add("apple LINKED");
  const int32_t after = doc.Add("apple after");
  doc.Patch("apple BAD SIZE", 8, 0x7FFFFFF0);  // data size beyond the member
  KDX_ENTRY e;
  ASSERT_GE(EN_GetData(doc.data.entryAry, badCipher, &e), 0);
  e.en_bo_encrypt = 1;  // a plain 15-byte block read as ciphertext
  ASSERT_EQ(EN_SetData(doc.data.entryAry, e), 0);
  ASSERT_EQ(EN_Remove(doc.data.entryAry, gone), 0);
  ASSERT_EQ(KDX_RebuildEntryHash(&doc.data), 0);
  KdxSearchStats stats;
  EXPECT_EQ(doc.Found("apple", kPhrase, &stats), (Ids{good, linked, after}));
  EXPECT_EQ(stats.blocksSearched, 3);
  EXPECT_EQ(stats.blocksSkipped, 2);
  EXPECT_EQ(stats.orphanBlocks, 1);
  EXPECT_FALSE(stats.chainDamaged);
  const std::vector<uint8_t> bytes = kdx_test::ReadAll(doc.data.kdxFilePath);
  const auto head =
      static_cast<uint32_t>(std::string(bytes.begin(), bytes.end()).find("apple LINKED") - 48);
  for (uint32_t link : {600u, head}) {  // nowhere, and back to the member itself
    kdx_test::WriteAll(doc.data.kdxFilePath, bytes);
    doc.Patch("apple LINKED", -36 + 16, link);  // the header's next-member link
    EXPECT_EQ(doc.Found("apple", kPhrase, &stats), (Ids{good, linked}));
    EXPECT_TRUE(stats.chainDamaged);
  }
}

TEST(SearchDamage, AnUnreadableFileOrACancelIsAnErrorAndKeepsThePreviousResults) {
  Doc doc;
  doc.Add("apple");
  std::vector<KDX_FOUND_RESULT> results{{7, 1, "old", 0}};
  int64_t done = -1, total = -1;
  KdxSearchCallbacks cancel{[&](int64_t d, int64_t t) { done = d, total = t; },
                            [] { return true; }};
  EXPECT_EQ(KDX_SearchEntries(&doc.data, "apple", kPhrase, kBody, cancel, results, nullptr),
            kKdxSearchCancelled);
  EXPECT_GT(done, 0);
  EXPECT_GE(total, done);
  kdx_test::WriteAll(doc.doc.dir().File("text.kdx"), std::string(2000, 'x'));
  for (const std::string& path :
       {doc.doc.dir().File("absent.kdx"), doc.doc.dir().File("text.kdx")}) {
    doc.data.kdxFilePath = path;
    EXPECT_EQ(KDX_SearchEntries(&doc.data, "apple", kPhrase, kBody, {}, results, nullptr),
              kKdxSearchCannotOpen);
    EXPECT_EQ(FindOneSearchWord(&doc.data, "apple", results), kKdxSearchCannotOpen);
  }
  EXPECT_EQ(RowsOf(results), (Rows{{7, "old", 0}}));
}

TEST(FoundResultOrder, SortedByTheKeysCarryingSelectionAndTheBodyWord) {
  Doc doc;
  const int32_t b = doc.Add("apple", false, "B");
  const int32_t a = doc.Add("x", false, "A");
  const int32_t c = doc.Add("apple", false, "C");
  std::vector<KDX_FOUND_RESULT> results{{b, 0, "apple", 0}, {a, 0, "apple", 1}, {c, 1, "apple", 0}};
  const KDX_SORT_INFO byTitle{{KDXCOMM_GetColumnKind("en_title"), -1, -1}, {1, 0, 0}};
  ASSERT_EQ(KDX_SortFoundResults(&doc.data, byTitle, {}, results), 0);
  EXPECT_EQ(RowsOf(results), (Rows{{a, "", 0}, {b, "apple", 0}, {c, "apple", 0}}));
  EXPECT_EQ(results[2].selected, 1);
  // With the caller's kept order of the table, also once the table has grown.
  std::vector<uint32_t> order;
  std::vector<KDX_FOUND_RESULT> kept{{c, 0, "apple", 0}, {b, 0, "apple", 0}};
  ASSERT_EQ(KDX_SortFoundResults(&doc.data, byTitle, {}, kept, &order), 0);
  const int32_t d = doc.Add("apple", false, "0");
  kept.push_back({d, 0, "apple", 0});
  ASSERT_EQ(KDX_SortFoundResults(&doc.data, byTitle, {}, kept, &order), 0);
  EXPECT_EQ(RowsOf(kept), (Rows{{d, "apple", 0}, {b, "apple", 0}, {c, "apple", 0}}));
  // A result whose entry is gone ends the list there.
  results.insert(results.begin() + 1, KDX_FOUND_RESULT{999, 0, "", 0});
  EXPECT_EQ(KDX_SortFoundResults(&doc.data, byTitle, {}, results), -1);
  EXPECT_EQ(RowsOf(results), (Rows{{a, "", 0}}));
}

// ---- against the plain reference ------------------------------------------

// One walk of the text blocks per word with the content layer's scan reader,
// each text tested byte by byte; one record per block holding the word; then
// the collection rules on that list.
Rows ReferenceSearch(const Doc& doc, const std::string& text, int32_t mode) {
  std::vector<std::string> words;
  std::string rest = text;
  if (mode != kPhrase) {
    for (size_t at; (at = rest.find("\xE3\x80\x80")) != std::string::npos;)
      rest.replace(at, 3, " ");
  }
  for (size_t from = 0, to; from <= rest.size(); from = to + 1) {
    to = mode == kPhrase ? rest.size() : std::min(rest.find(' ', from), rest.size());
    char cut[128];
    Vell_Utf8CopyCut(cut, sizeof cut, rest.substr(from, to - from));
    if (cut[0] != '\0') words.emplace_back(cut);
  }
  auto contains = [](std::string body, std::string word) {
    for (std::string* s : {&body, &word}) {
      for (char& c : *s) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    return body.find(word) != std::string::npos;
  };
  Rows temp;
  for (const std::string& word : words) {
    REZ_FILE file;
    EXPECT_EQ(REZ_Open(doc.data.kdxFilePath.c_str(), 1, &file), REZ_OK);
    for (int32_t s = REZ_FirstMember(&file, kKdxTagTEXT); s == REZ_OK; s = REZ_NextMember(&file)) {
      uint8_t* buffer = nullptr;
      const int32_t id = KDX_TX_GetData(&file, &doc.data, &buffer);
      if (id < 0) continue;
      if (contains(reinterpret_cast<const char*>(buffer), word)) temp.push_back({id, word, 0});
      Vell_MallocFree(buffer);
    }
    EXPECT_EQ(REZ_Close(&file), 0);
  }
  Rows out;
  for (const Row& r : temp) {
    const auto count =
        std::count_if(temp.begin(), temp.end(), [&](const Row& o) { return o.id == r.id; });
    const bool listed =
        std::any_of(out.begin(), out.end(), [&](const Row& o) { return o.id == r.id; });
    if ((mode == kAny || static_cast<size_t>(count) == words.size()) && !listed) out.push_back(r);
  }
  return out;
}

TEST(SearchReference, SameResultsAsWordByWordOnGeneratedDocuments) {
  const std::vector<std::string> vocabulary = {
      "apple",      "Apple", "APPLE", "pie", "PIE", "議事録", "メモ", "めも", "ｱｲ",  "アイ",
      "ａｐｐｌｅ", "x",     "@",     "`",   " ",   "　",     " ",    "、",   "。\n"};
  std::mt19937 rng(7);
  auto pick = [&] { return vocabulary[rng() % vocabulary.size()]; };
  for (int document = 0; document < 3; ++document) {
    Doc doc;
    for (int i = 0; i < 40; ++i) {
      // The second document's identifiers lie far apart, as after many deletions.
      if (document == 1) {
        ASSERT_EQ(IC_RaiseAboveExisting(doc.data.idCounterAry, kKdxTagENTR, "en_id", 10000 * i), 0);
      }
      std::string body;
      for (int t = static_cast<int>(rng() % 40); t > 0; --t) body += pick();
      if (rng() % 10 == 0) body += std::string(1, '\0') + pick();
      doc.Add(body, rng() % 10 == 0);
    }
    for (int query = 0; query < 60; ++query) {
      std::string text;
      for (int w = 1 + static_cast<int>(rng() % 4); w > 0; --w)
        text += pick() + (rng() % 2 ? " " : "　");
      for (int32_t mode : {kPhrase, kAll, kAny}) {
        ASSERT_EQ(doc.Search(text, mode), ReferenceSearch(doc, text, mode))
            << "mode " << mode << " text [" << text << "]";
      }
    }
    // FindOneSearchWord keeps one record per block, in file order.
    std::vector<KDX_FOUND_RESULT> raw;
    ASSERT_EQ(FindOneSearchWord(&doc.data, "apple", raw), 0);
    EXPECT_EQ(RowsOf(raw), ReferenceSearch(doc, "apple", kAny));
  }
}

}  // namespace

// The search in one pass per block kind: the container's chain scan hands
// out each text or note member in place (from a memory map of the file), the
// content layer's decoder checks its head and deciphers it when its entry says
// so, and its text is tested against all words at once.
#include "core/search/search_engine.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <span>
#include <unordered_map>

#include "core/container/rez_scan.h"
#include "core/content/entry_content.h"
#include "core/document/entry_table.h"
#include "core/document/records.h"
#include "core/search/text_match.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_log.h"
#include "core/util/vell_string.h"
#include "core/util/vell_utf8.h"

namespace {

constexpr int64_t kPollEvery = 512;  // blocks between progress reports and cancel polls
constexpr size_t kWordBytes = 127;

// The encryption flags of each entry by identifier; the first record wins, as
// an entry lookup finds it.
struct EntryFlags {
  bool body;
  bool note;
};
using FlagMap = std::unordered_map<int32_t, EntryFlags>;

// What one search looks for and what it has found so far.
struct Query {
  std::vector<std::string> words;  // as given (cut), for the records
  std::vector<KdxFoldedWord> folded;
  bool firstWordOnly = false;  // a block needs only its first matching word (mode 2)
  // hits[kind][word]: identifiers in the order the blocks were searched.
  std::vector<std::vector<int32_t>> hits[3];
};

struct Scan {
  const KDX_DATA* data;
  const FlagMap* flags;
  const KdxSearchCallbacks* callbacks;
  KdxSearchStats* stats;
  Query* query;
  std::vector<uint8_t> plain;  // deciphered text
  int64_t sincePoll = 0;
};

// Tests the text against the words and records the hits. The text ends at
// its first NUL, as the loaded form is read; that is looked for only when a
// word is found, since a miss needs no end.
void TestText(Scan& scan, int32_t kind, int32_t entryId, const uint8_t* text, size_t size) {
  Query& q = *scan.query;
  size_t end = SIZE_MAX;  // the first NUL, once known
  for (size_t w = 0; w < q.folded.size(); ++w) {
    const KdxFoldedWord& word = q.folded[w];
    const size_t limit = std::min(end, size);
    size_t at = word.Find(text, limit);
    if (at == SIZE_MAX) continue;
    if (end == SIZE_MAX) {
      const void* nul = std::memchr(text, 0, size);
      end = nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - text) : size;
    }
    if (at + word.size() > end) {
      at = word.Find(text, end);
      if (at == SIZE_MAX) continue;
    }
    q.hits[kind][w].push_back(entryId);
    if (q.firstWordOnly) return;
  }
}

// One content block (a member's data): read and deciphered by the content
// layer's decoder, its text tested. Damage is skipped and counted, and logged
// under the name of the scan reader of its kind.
void SearchBlock(Scan& scan, int32_t kind, std::span<const uint8_t> member) {
  const char* name = kind == kKdxFoundInNote ? "KDX_NO_GetData" : "KDX_TX_GetData";
  KdxContentBlock block;
  if (KDX_ReadContentBlock(member, &block, name) != KdxBlockRead::kOk) {
    ++scan.stats->blocksSkipped;
    return;
  }
  const auto found = scan.flags->find(block.entryId);
  if (found == scan.flags->end()) {
    ++scan.stats->orphanBlocks;
    return;
  }
  const bool encrypted = kind == kKdxFoundInNote ? found->second.note : found->second.body;
  std::span<const uint8_t> text;
  if (KDX_DecodeContent(block, encrypted, scan.plain, &text, name) != KdxBlockRead::kOk) {
    ++scan.stats->blocksSkipped;
    return;
  }
  ++scan.stats->blocksSearched;
  TestText(scan, kind, block.entryId, text.data(), text.size());
}

// Walks the chain of tag and searches every block on it. 0, or
// kKdxSearchCancelled.
int32_t ScanTag(Scan& scan, RezChainScan& chain, uint32_t tag, int32_t kind) {
  const int32_t status = chain.Start(tag);
  if (status == REZ_ERR_NO_TAG) return 0;  // no block of this kind
  if (status != REZ_OK) {
    scan.stats->chainDamaged = true;
    Vell_SystemErrorLog("[-1] KDX_SearchEntries[%d]\r\n", status);
    return 0;
  }
  const auto fileSize = static_cast<int64_t>(chain.FileSize());
  RezScanMember member{};
  for (;;) {
    const RezScanStep step = chain.Next(&member);
    if (step == RezScanStep::kEnd) return 0;
    if (step == RezScanStep::kBroken) {
      scan.stats->chainDamaged = true;
      Vell_SystemErrorLog("[-2] KDX_SearchEntries[%u]\r\n", member.header.nextMember);
      return 0;
    }
    if (step == RezScanStep::kMember) {
      SearchBlock(scan, kind, member.data);
    } else {
      ++scan.stats->blocksSkipped;
    }
    if (scan.sincePoll++ % kPollEvery == 0) {
      if (scan.callbacks->progress) scan.callbacks->progress(member.header.position, fileSize);
      if (scan.callbacks->cancelled && scan.callbacks->cancelled()) return kKdxSearchCancelled;
    }
  }
}

// Tests every title of the entry table, in table order.
void ScanTitles(Scan& scan) {
  const VELL_ARY* entries = scan.data->entryAry;
  KDX_ENTRY entry;
  for (int32_t i = 0; i < Vell_Ary_GetSize(entries); ++i) {
    EN_GetData_ByIndex(entries, i, &entry);
    TestText(scan, kKdxFoundInTitle, entry.en_id, reinterpret_cast<const uint8_t*>(entry.en_title),
             strnlen(entry.en_title, sizeof entry.en_title));
  }
}

bool BuildFlags(const KDX_DATA* data, FlagMap* flags) {
  try {
    const int32_t count = Vell_Ary_GetSize(data->entryAry);
    flags->reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(data->entryAry, i));
      flags->emplace(KDX_GetStoredEntryID(stored),
                     EntryFlags{KDX_GetStoredEntryBodyEncrypt(stored) == 1,
                                KDX_GetStoredEntryNoteEncrypt(stored) == 1});
    }
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

// Runs the query over the fields; fills query.hits. 0 or a negative result.
int32_t RunQuery(const KDX_DATA* data, uint32_t fields, const KdxSearchCallbacks& callbacks,
                 Query& query, KdxSearchStats* stats) {
  for (auto& perKind : query.hits) perKind.assign(query.words.size(), {});
  RezChainScan chain;
  if (chain.Open(data->kdxFilePath.c_str()) != REZ_OK) {
    Vell_SystemErrorLog("[-1] KDX_SearchEntries: cannot open %s\r\n", data->kdxFilePath.c_str());
    return kKdxSearchCannotOpen;
  }
  FlagMap flags;
  if (!BuildFlags(data, &flags)) return kKdxSearchNoMemory;
  Scan scan{data, &flags, &callbacks, stats, &query, {}, 0};
  try {
    int32_t status = 0;
    if ((fields & kKdxSearchBody) != 0) status = ScanTag(scan, chain, kKdxTagTEXT, kKdxFoundInBody);
    if (status == 0 && (fields & kKdxSearchNote) != 0) {
      status = ScanTag(scan, chain, kKdxTagNORB, kKdxFoundInNote);
    }
    if (status == 0 && (fields & kKdxSearchTitle) != 0) ScanTitles(scan);
    return status;
  } catch (const std::exception&) {
    return kKdxSearchNoMemory;
  }
}

KDX_FOUND_RESULT MakeResult(int32_t entryId, const std::string& word, int32_t kind) {
  KDX_FOUND_RESULT r{};
  r.en_id = entryId;
  Vell_Utf8CopyCut(r.word, sizeof r.word, word);
  r.kind = kind;
  return r;
}

// Collects the results from the hits read in the order of the record list
// (word by word; per word the kinds; per kind the blocks).
std::vector<KDX_FOUND_RESULT> Collect(const Query& q, int32_t mode, uint32_t fields) {
  std::vector<KDX_FOUND_RESULT> out;
  const size_t n = q.words.size();
  auto forEach = [&](auto&& visit) {
    for (size_t w = 0; w < n; ++w) {
      for (int32_t kind = 0; kind < 3; ++kind) {
        for (int32_t id : q.hits[kind][w]) visit(id, w, kind);
      }
    }
  };
  std::unordered_map<int32_t, bool> listed;
  auto append = [&](int32_t id, size_t w, int32_t kind) {
    if (listed.emplace(id, true).second) out.push_back(MakeResult(id, q.words[w], kind));
  };
  if (mode == kKdxSearchAnyWord) {
    forEach(append);
  } else if (fields == kKdxSearchBody) {
    // Bodies alone: an entry is found when its records number exactly n.
    std::unordered_map<int32_t, size_t> count;
    forEach([&](int32_t id, size_t, int32_t) { ++count[id]; });
    forEach([&](int32_t id, size_t w, int32_t kind) {
      if (count[id] == n) append(id, w, kind);
    });
  } else {
    std::unordered_map<int32_t, std::vector<bool>> seen;
    forEach([&](int32_t id, size_t w, int32_t) {
      auto& words = seen[id];
      words.resize(n);
      words[w] = true;
    });
    forEach([&](int32_t id, size_t w, int32_t kind) {
      const auto& words = seen[id];
      if (std::all_of(words.begin(), words.end(), [](bool b) { return b; })) append(id, w, kind);
    });
  }
  return out;
}

}  // namespace

std::vector<std::string> KDX_SplitSearchWords(const char* text) {
  static const char* const kSeparators[] = {" ", "\xE3\x80\x80"};
  std::vector<std::string> words;
  if (text == nullptr) return words;
  const int32_t count = Vell_GetSplitWordCount(text, kSeparators, 2);
  char word[kWordBytes + 1];
  for (int32_t i = 0; i < count; ++i) {
    Vell_GetSplitWord(text, kSeparators, 2, i, word, sizeof word);
    words.emplace_back(word);
  }
  return words;
}

int32_t FindOneSearchWord(const KDX_DATA* data, const char* word,
                          std::vector<KDX_FOUND_RESULT>& results) {
  if (data == nullptr || word == nullptr) return kKdxSearchBadArgument;
  try {
    Query query;
    char cut[kWordBytes + 1];
    Vell_Utf8CopyCut(cut, sizeof cut, word);
    query.words.emplace_back(cut);
    query.folded.emplace_back(cut);
    KdxSearchStats stats;
    const int32_t status = RunQuery(data, kKdxSearchBody, {}, query, &stats);
    if (status != 0) return status;
    const std::vector<int32_t>& hits = query.hits[kKdxFoundInBody][0];
    // Reserved first, so that the appends cannot fail half-way.
    results.reserve(results.size() + hits.size());
    for (int32_t id : hits) results.push_back(MakeResult(id, query.words[0], kKdxFoundInBody));
  } catch (const std::exception&) {
    return kKdxSearchNoMemory;
  }
  return 0;
}

int32_t KDX_SearchEntries(const KDX_DATA* data, const char* text, int32_t mode, uint32_t fields,
                          const KdxSearchCallbacks& callbacks,
                          std::vector<KDX_FOUND_RESULT>& results, KdxSearchStats* stats) {
  KdxSearchStats spare;
  if (stats == nullptr) stats = &spare;
  *stats = KdxSearchStats{};
  if (data == nullptr || text == nullptr || mode < kKdxSearchPhrase || mode > kKdxSearchAnyWord) {
    return kKdxSearchBadArgument;
  }
  fields &= kKdxSearchBody | kKdxSearchNote | kKdxSearchTitle;
  if (fields == 0) fields = kKdxSearchBody;
  try {
    Query query;
    if (mode == kKdxSearchPhrase) {
      char whole[kWordBytes + 1];
      Vell_Utf8CopyCut(whole, sizeof whole, text);
      if (whole[0] != '\0') query.words.emplace_back(whole);
    } else {
      query.words = KDX_SplitSearchWords(text);
    }
    for (const std::string& w : query.words) query.folded.emplace_back(w);
    query.firstWordOnly = mode == kKdxSearchAnyWord;
    std::vector<KDX_FOUND_RESULT> found;
    if (!query.words.empty()) {
      const int32_t status = RunQuery(data, fields, callbacks, query, stats);
      if (status != 0) return status;
      found = Collect(query, mode, fields);
    }
    results = std::move(found);
    return 0;
  } catch (const std::exception&) {
    return kKdxSearchNoMemory;
  }
}

int32_t KDX_SortFoundResults(const KDX_DATA* data, const KDX_SORT_INFO& keys,
                             const KdxNoteReader& notes, std::vector<KDX_FOUND_RESULT>& results,
                             std::vector<uint32_t>* order) {
  if (data == nullptr) return kKdxSearchBadArgument;
  int32_t status = 0;
  try {
    // Each result's place in the entry table, up to the first without one.
    std::vector<uint32_t> at;
    at.reserve(results.size());
    std::unordered_map<int32_t, std::string> bodyWord;
    for (const KDX_FOUND_RESULT& r : results) {
      if (r.kind == kKdxFoundInBody)
        bodyWord.emplace(r.en_id, std::string(r.word, strnlen(r.word, sizeof r.word)));
      const int32_t index = KDX_FindEntry(data, r.en_id);
      if (index < 0) {
        Vell_SystemErrorLog("[-1] CreateShowEntryArray[%ld]\r\n", static_cast<long>(r.en_id));
        status = -1;
        break;
      }
      at.push_back(static_cast<uint32_t>(index));
    }
    // The whole table in key order (one pass when the kept order still
    // holds), then the results by their entries' places in it: the same
    // order as sorting the results' entries themselves, without copying them.
    std::vector<uint32_t> local;
    std::vector<uint32_t>& sortedTable = order != nullptr ? *order : local;
    if (KDXCOMM_SortEntryOrder(keys, data->entryAry, notes, &sortedTable) != 0)
      return kKdxSearchNoMemory;
    std::vector<uint32_t> rank(sortedTable.size());
    for (size_t p = 0; p < sortedTable.size(); ++p) rank[sortedTable[p]] = static_cast<uint32_t>(p);
    std::vector<size_t> rows(at.size());
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = i;
    std::stable_sort(rows.begin(), rows.end(),
                     [&](size_t a, size_t b) { return rank[at[a]] < rank[at[b]]; });
    std::vector<KDX_FOUND_RESULT> sorted;
    sorted.reserve(rows.size());
    for (const size_t i : rows) {
      const int32_t id = results[i].en_id;
      const auto word = bodyWord.find(id);
      KDX_FOUND_RESULT row =
          MakeResult(id, word != bodyWord.end() ? word->second : std::string(), kKdxFoundInBody);
      row.selected = results[i].selected != 0 ? 1 : 0;
      sorted.push_back(row);
    }
    results.swap(sorted);
  } catch (const std::exception&) {
    return kKdxSearchNoMemory;
  }
  return status;
}

void KDX_DropMissingFoundResults(const KDX_DATA* data, std::vector<KDX_FOUND_RESULT>& results) {
  if (data == nullptr) return;
  std::erase_if(results,
                [data](const KDX_FOUND_RESULT& r) { return KDX_FindEntry(data, r.en_id) < 0; });
}

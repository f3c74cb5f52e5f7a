// The search in one pass per block kind: the container's chain scan hands
// out each text or note member in place (from a memory map of the file), the
// content layer's decoder checks its head and deciphers it when its entry says
// so, and its text is tested against all words at once.
#include "core/search/search_engine.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <span>
#include <string_view>
#include <utility>

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

// The encryption flags of an entry, by its place in the table.
struct EntryFlags {
  bool body;
  bool note;
};

// The entry table by identifier: each identifier's place in the table (its
// first record), built in one pass over the table so that a search or a sort
// with many results looks nothing up one by one. Identifiers are usually
// dense and are then an index themselves; otherwise they are found in a
// sorted list.
class EntryPlaces {
 public:
  // False when there is no memory for it. flags, when given, gets each
  // place's encryption flags in the same pass.
  bool Build(const VELL_ARY* entries, std::vector<EntryFlags>* flags = nullptr) {
    try {
      const int32_t count = Vell_Ary_GetSize(entries);
      ids_.resize(static_cast<size_t>(std::max(count, 0)));
      if (flags != nullptr) flags->resize(ids_.size());
      int32_t low = INT32_MAX;
      int32_t high = INT32_MIN;
      for (int32_t i = 0; i < count; ++i) {
        const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(entries, i));
        const int32_t id = KDX_GetStoredEntryID(stored);
        ids_[static_cast<size_t>(i)] = id;
        if (flags != nullptr) {
          (*flags)[static_cast<size_t>(i)] = EntryFlags{KDX_GetStoredEntryBodyEncrypt(stored) == 1,
                                                        KDX_GetStoredEntryNoteEncrypt(stored) == 1};
        }
        low = std::min(low, id);
        high = std::max(high, id);
      }
      direct_.clear();
      sorted_.clear();
      if (count == 0) return true;
      const int64_t span = int64_t{high} - low + 1;
      if (span <= int64_t{4} * count + 1024) {
        base_ = low;
        direct_.assign(static_cast<size_t>(span), -1);
        for (int32_t i = count - 1; i >= 0; --i)
          direct_[static_cast<size_t>(ids_[static_cast<size_t>(i)] - int64_t{low})] = i;
      } else {
        sorted_.reserve(ids_.size());
        for (int32_t i = 0; i < count; ++i) sorted_.emplace_back(ids_[static_cast<size_t>(i)], i);
        std::sort(sorted_.begin(), sorted_.end());
      }
    } catch (const std::exception&) {
      return false;
    }
    return true;
  }

  // The place of id in the table, or -1.
  int32_t Find(int32_t id) const {
    if (!direct_.empty()) {
      const int64_t at = int64_t{id} - base_;
      return at >= 0 && at < static_cast<int64_t>(direct_.size()) ? direct_[static_cast<size_t>(at)]
                                                                  : -1;
    }
    const auto it = std::lower_bound(sorted_.begin(), sorted_.end(), std::pair{id, INT32_MIN});
    return it != sorted_.end() && it->first == id ? it->second : -1;
  }
  int32_t IdAt(int32_t place) const { return ids_[static_cast<size_t>(place)]; }
  size_t size() const { return ids_.size(); }

 private:
  std::vector<int32_t> ids_;  // by place
  int32_t base_ = 0;
  std::vector<int32_t> direct_;                      // by id - base_
  std::vector<std::pair<int32_t, int32_t>> sorted_;  // (id, place) when too sparse for direct_
};

// What one search looks for and what it has found so far.
struct Query {
  std::vector<std::string> words;  // as given (cut), for the records
  std::vector<KdxFoldedWord> folded;
  bool firstWordOnly = false;  // a block needs only its first matching word (mode 2)
  // hits[kind][word]: the entries' places in the table, in the order the
  // blocks were searched.
  std::vector<std::vector<int32_t>> hits[3];
};

struct Scan {
  const KDX_DATA* data;
  const EntryPlaces* places;
  const std::vector<EntryFlags>* flags;
  const KdxSearchCallbacks* callbacks;
  KdxSearchStats* stats;
  Query* query;
  std::vector<uint8_t> plain;  // deciphered text
  int64_t sincePoll = 0;
};

// Tests the text against the words and records the hits. The text ends at
// its first NUL, as the loaded form is read; only the bytes up to the end of
// a found word are looked through for one, since a miss needs no end and the
// first occurrence of a word decides whether it lies before the end.
void TestText(Scan& scan, int32_t kind, int32_t place, const uint8_t* text, size_t size) {
  Query& q = *scan.query;
  size_t limit = size;  // the first NUL, or size
  size_t clear = 0;     // the bytes known to hold no NUL
  for (size_t w = 0; w < q.folded.size(); ++w) {
    const KdxFoldedWord& word = q.folded[w];
    const size_t at = word.Find(text, limit);
    if (at == SIZE_MAX) continue;
    const size_t end = at + word.size();
    if (end > clear) {
      const void* nul = std::memchr(text + clear, 0, end - clear);
      if (nul != nullptr) {
        // The word's first occurrence runs past the end: it is not in the text.
        limit = static_cast<size_t>(static_cast<const uint8_t*>(nul) - text);
        clear = limit;
        continue;
      }
      clear = end;
    }
    q.hits[kind][w].push_back(place);
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
  const int32_t place = scan.places->Find(block.entryId);
  if (place < 0) {
    ++scan.stats->orphanBlocks;
    return;
  }
  const EntryFlags& flags = (*scan.flags)[static_cast<size_t>(place)];
  const bool encrypted = kind == kKdxFoundInNote ? flags.note : flags.body;
  std::span<const uint8_t> text;
  if (KDX_DecodeContent(block, encrypted, scan.plain, &text, name) != KdxBlockRead::kOk) {
    ++scan.stats->blocksSkipped;
    return;
  }
  ++scan.stats->blocksSearched;
  TestText(scan, kind, place, text.data(), text.size());
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
    TestText(scan, kKdxFoundInTitle, scan.places->Find(entry.en_id),
             reinterpret_cast<const uint8_t*>(entry.en_title),
             strnlen(entry.en_title, sizeof entry.en_title));
  }
}

// Runs the query over the fields; fills query.hits. 0 or a negative result.
int32_t RunQuery(const KDX_DATA* data, uint32_t fields, const KdxSearchCallbacks& callbacks,
                 const EntryPlaces& places, const std::vector<EntryFlags>& flags, Query& query,
                 KdxSearchStats* stats) {
  for (auto& perKind : query.hits) perKind.assign(query.words.size(), {});
  // Read in large chunks rather than mapped: a walk through a mapped file of
  // hundreds of megabytes waits on a page-table walk for nearly every member
  // (several times slower in a virtual machine), while reads into one reused
  // window leave that to the kernel's own mapping of the page cache.
  RezChainScan chain;
  if (chain.Open(data->kdxFilePath.c_str(), RezScanSource::kChunks) != REZ_OK) {
    Vell_SystemErrorLog("[-1] KDX_SearchEntries: cannot open %s\r\n", data->kdxFilePath.c_str());
    return kKdxSearchCannotOpen;
  }
  Scan scan{data, &places, &flags, &callbacks, stats, &query, {}, 0};
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
std::vector<KDX_FOUND_RESULT> Collect(const Query& q, const EntryPlaces& places, int32_t mode,
                                      uint32_t fields) {
  std::vector<KDX_FOUND_RESULT> out;
  const size_t n = q.words.size();
  auto forEach = [&](auto&& visit) {
    for (size_t w = 0; w < n; ++w) {
      for (int32_t kind = 0; kind < 3; ++kind) {
        for (int32_t place : q.hits[kind][w]) visit(static_cast<size_t>(place), w, kind);
      }
    }
  };
  std::vector<bool> listed(places.size());
  auto append = [&](size_t place, size_t w, int32_t kind) {
    if (listed[place]) return;
    listed[place] = true;
    out.push_back(MakeResult(places.IdAt(static_cast<int32_t>(place)), q.words[w], kind));
  };
  if (mode == kKdxSearchAnyWord) {
    forEach(append);
    return out;
  }
  // Bodies alone: an entry is found when its records number exactly n. With
  // notes or titles: when each word is found in some field; the words come in
  // order, so a word is new to an entry when it is not the last one counted.
  std::vector<size_t> count(places.size());
  if (fields == kKdxSearchBody) {
    forEach([&](size_t place, size_t, int32_t) { ++count[place]; });
  } else {
    std::vector<size_t> lastWord(places.size(), SIZE_MAX);
    forEach([&](size_t place, size_t w, int32_t) {
      if (lastWord[place] != w) ++count[place];
      lastWord[place] = w;
    });
  }
  forEach([&](size_t place, size_t w, int32_t kind) {
    if (count[place] == n) append(place, w, kind);
  });
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
    EntryPlaces places;
    std::vector<EntryFlags> flags;
    if (!places.Build(data->entryAry, &flags)) return kKdxSearchNoMemory;
    const int32_t status = RunQuery(data, kKdxSearchBody, {}, places, flags, query, &stats);
    if (status != 0) return status;
    const std::vector<int32_t>& hits = query.hits[kKdxFoundInBody][0];
    // Reserved first, so that the appends cannot fail half-way.
    results.reserve(results.size() + hits.size());
    for (int32_t place : hits)
      results.push_back(MakeResult(places.IdAt(place), query.words[0], kKdxFoundInBody));
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
      EntryPlaces places;
      std::vector<EntryFlags> flags;
      if (!places.Build(data->entryAry, &flags)) return kKdxSearchNoMemory;
      const int32_t status = RunQuery(data, fields, callbacks, places, flags, query, stats);
      if (status != 0) return status;
      found = Collect(query, places, mode, fields);
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
    // Many results find their entries in one pass over the table, a few by
    // the entry lookup.
    const auto tableSize = static_cast<size_t>(std::max(Vell_Ary_GetSize(data->entryAry), 0));
    EntryPlaces places;
    const bool many = results.size() > tableSize / 8;
    if (many && !places.Build(data->entryAry)) return kKdxSearchNoMemory;
    // Each result's place in the entry table, up to the first without one.
    std::vector<uint32_t> at;
    at.reserve(results.size());
    for (const KDX_FOUND_RESULT& r : results) {
      const int32_t index = many ? places.Find(r.en_id) : KDX_FindEntry(data, r.en_id);
      if (index < 0) {
        Vell_SystemErrorLog("[-1] CreateShowEntryArray[%ld]\r\n", static_cast<long>(r.en_id));
        status = -1;
        break;
      }
      at.push_back(static_cast<uint32_t>(index));
    }
    // The whole table in key order (one pass when the kept order still
    // holds), then the results by their entries' places in it, a counting
    // sort that keeps results of one entry in their order: the same order as
    // sorting the results' entries themselves, without copying them.
    std::vector<uint32_t> local;
    std::vector<uint32_t>& sortedTable = order != nullptr ? *order : local;
    if (KDXCOMM_SortEntryOrder(keys, data->entryAry, notes, &sortedTable) != 0)
      return kKdxSearchNoMemory;
    std::vector<uint32_t> rank(sortedTable.size());
    for (size_t p = 0; p < sortedTable.size(); ++p) rank[sortedTable[p]] = static_cast<uint32_t>(p);
    std::vector<size_t> start(rank.size() + 1);
    for (const uint32_t place : at) ++start[rank[place] + 1];
    for (size_t p = 1; p < start.size(); ++p) start[p] += start[p - 1];
    std::vector<size_t> rows(at.size());
    for (size_t i = 0; i < at.size(); ++i) rows[start[rank[at[i]]]++] = i;
    // Each entry's word: that of its first body hit.
    std::vector<int32_t> bodyHit(rank.size(), -1);
    for (size_t i = 0; i < at.size(); ++i) {
      if (results[i].kind == kKdxFoundInBody && bodyHit[at[i]] < 0)
        bodyHit[at[i]] = static_cast<int32_t>(i);
    }
    std::vector<KDX_FOUND_RESULT> sorted(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
      const size_t i = rows[r];
      KDX_FOUND_RESULT& row = sorted[r];
      row.en_id = results[i].en_id;
      row.selected = results[i].selected != 0 ? 1 : 0;
      row.kind = kKdxFoundInBody;
      if (const int32_t hit = bodyHit[at[i]]; hit >= 0) {
        const char* word = results[static_cast<size_t>(hit)].word;
        const size_t length = strnlen(word, sizeof row.word);
        if (length < sizeof row.word) {
          std::memcpy(row.word, word, length);
        } else {
          (void)Vell_Utf8CopyCut(row.word, sizeof row.word, std::string_view(word, length));
        }
      }
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

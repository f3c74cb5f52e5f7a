// The search in one pass per block kind: the file is mapped into memory (or,
// when it cannot be, read front to back in large chunks), the chain of a tag
// is followed through it with every header checked as the container checks
// it, and each block's text is tested against all words in place.
//
// Mapping the file relies on document files never shrinking (the container
// only appends) and on the document lock keeping our own writers away.
#include "core/search/search_engine.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <unordered_map>
#include <unordered_set>

#include "core/container/rez.h"
#include "core/util/vell_crypto.h"
#include "core/document/blocks.h"
#include "core/document/entry_table.h"
#include "core/document/records.h"
#include "core/search/text_match.h"
#include "core/util/vell_log.h"
#include "core/util/vell_string.h"
#include "core/util/vell_utf8.h"

namespace {

constexpr size_t kChunkSize = 4u << 20;
constexpr int64_t kPollEvery = 512;  // blocks between progress reports and cancel polls
constexpr size_t kWordBytes = 127;

// The document file read through a window of kChunkSize bytes; a piece that
// does not lie wholly in the window moves the window to start at it.
class ChunkReader {
 public:
  ChunkReader(int fd, uint64_t size) : fd_(fd), size_(size) {}

  // count bytes at pos, valid until the next call; null when they are not
  // all inside the file or cannot be read.
  const uint8_t* Get(uint64_t pos, uint64_t count) {
    if (pos > size_ || count > size_ - pos) return nullptr;
    if (pos >= start_ && pos + count <= start_ + filled_) return window_.data() + (pos - start_);
    const uint64_t want = std::max<uint64_t>(count, std::min<uint64_t>(kChunkSize, size_ - pos));
    try {
      if (window_.size() < want) window_.resize(static_cast<size_t>(want));
    } catch (const std::exception&) {
      return nullptr;
    }
    filled_ = 0;
    start_ = pos;
    while (filled_ < want) {
      const ssize_t got =
          ::pread(fd_, window_.data() + filled_, static_cast<size_t>(want - filled_),
                  static_cast<off_t>(pos + filled_));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      filled_ += static_cast<uint64_t>(got);
    }
    return count <= filled_ ? window_.data() : nullptr;
  }

 private:
  int fd_;
  uint64_t size_;
  std::vector<uint8_t> window_;
  uint64_t start_ = 0;
  uint64_t filled_ = 0;
};

// A read-only descriptor closed on every path.
struct ScopedFd {
  int fd;
  explicit ScopedFd(const char* path) : fd(::open(path, O_RDONLY | O_CLOEXEC)) {}
  ~ScopedFd() {
    if (fd >= 0) ::close(fd);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
};

// The bytes of the file: a read-only map of its first size bytes, or the
// chunked reader when the map cannot be made.
class FileView {
 public:
  FileView(int fd, uint64_t size) : chunks_(fd, size), size_(size) {
    if (size == 0 || size > SIZE_MAX) return;
    void* map = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) return;
    ::madvise(map, static_cast<size_t>(size), MADV_SEQUENTIAL);
    map_ = static_cast<const uint8_t*>(map);
  }
  ~FileView() {
    if (map_ != nullptr) ::munmap(const_cast<uint8_t*>(map_), static_cast<size_t>(size_));
  }
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;

  // count bytes at pos, valid until the next call; null when they are not all
  // inside the file or cannot be read.
  const uint8_t* Get(uint64_t pos, uint64_t count) {
    if (map_ == nullptr) return chunks_.Get(pos, count);
    if (pos > size_ || count > size_ - pos) return nullptr;
    if (pos < populatedFrom_ || pos + count > populatedTo_) Populate(pos, count);
    return map_ + pos;
  }

 private:
  // Maps the pages of the window ahead in one call, instead of one page
  // fault per few pages; only what the walk reaches, so the bodies between
  // far-apart blocks are not read. Older kernels refuse, and pages then
  // fault in as they are touched.
  void Populate(uint64_t pos, uint64_t count) {
    constexpr uint64_t kPage = 4096;
    populatedFrom_ = pos / kPage * kPage;
    populatedTo_ = std::min(size_, std::max(pos + count, populatedFrom_ + kChunkSize));
#if defined(MADV_POPULATE_READ)
    ::madvise(const_cast<uint8_t*>(map_) + populatedFrom_,
              static_cast<size_t>(populatedTo_ - populatedFrom_), MADV_POPULATE_READ);
#endif
  }

  ChunkReader chunks_;
  const uint8_t* map_ = nullptr;
  uint64_t size_;
  uint64_t populatedFrom_ = 0;
  uint64_t populatedTo_ = 0;
};

struct ScopedRezFile {
  REZ_FILE file;
  ~ScopedRezFile() {
    if (file.stream != nullptr) REZ_Close(&file);
  }
};

uint32_t Le32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

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

// One content block (member data of length bytes): its head checked, its
// data deciphered when its entry says so, its text tested. Damage is skipped
// and counted, as the scan readers of the content layer do.
void SearchBlock(Scan& scan, int32_t kind, const uint8_t* member, uint32_t length) {
  const char* name = kind == kKdxFoundInNote ? "KDX_NO_GetData" : "KDX_TX_GetData";
  if (length < kKdxContentHeadSize) {
    Vell_SystemErrorLog("[-1] %s[%d]\r\n", name, -1);
    ++scan.stats->blocksSkipped;
    return;
  }
  const auto entryId = static_cast<int32_t>(Le32(member + 4));
  const auto size = static_cast<int32_t>(Le32(member + 8));
  if (size < 0 || static_cast<uint32_t>(size) > length - kKdxContentHeadSize) {
    Vell_SystemErrorLog("[-3] %s[%d]\r\n", name, entryId);
    ++scan.stats->blocksSkipped;
    return;
  }
  const auto found = scan.flags->find(entryId);
  if (found == scan.flags->end()) {
    ++scan.stats->orphanBlocks;
    return;
  }
  const uint8_t* data = member + kKdxContentHeadSize;
  size_t usable = static_cast<size_t>(size);
  const bool encrypted = kind == kKdxFoundInNote ? found->second.note : found->second.body;
  if (encrypted) {
    // Stored ciphertext has no padding block: 16-byte IV and whole blocks.
    if (size < 16 || (size - 16) % 16 != 0) {
      Vell_SystemErrorLog("[-7] %s[%d]\r\n", name, entryId);
      ++scan.stats->blocksSkipped;
      return;
    }
    if (scan.plain.size() < static_cast<size_t>(size)) scan.plain.resize(static_cast<size_t>(size));
    if (Vell_DecryptBlocks(data, size, kKdxProgramKeyHex, scan.plain.data()) != size - 16) {
      Vell_SystemErrorLog("[-7] %s[%d]\r\n", name, entryId);
      ++scan.stats->blocksSkipped;
      return;
    }
    data = scan.plain.data();
    usable = static_cast<size_t>(size - 16);
  }
  ++scan.stats->blocksSearched;
  TestText(scan, kind, entryId, data, usable);
}

// Reads and checks the header at pos as the container does: wholly inside the
// file, naming itself, its data inside the file.
bool ReadMemberHeader(FileView& reader, uint64_t fileSize, uint64_t pos, REZ_METADATA* h) {
  const uint8_t* raw = reader.Get(pos, kRezHeaderSize);
  if (pos < kRezFirstMemberPosition || raw == nullptr) return false;
  h->tag = Le32(raw);
  h->dataLength = Le32(raw + 4);
  h->position = Le32(raw + 8);
  h->prevMember = Le32(raw + 12);
  h->nextMember = Le32(raw + 16);
  return h->position == pos && pos + kRezHeaderSize + uint64_t{h->dataLength} <= fileSize;
}

// The members a walk has passed, so that a link back into the chain ends it
// at once instead of after the step bound. Chains usually run forward
// through the file; those positions are kept sorted as they come.
class VisitedMembers {
 public:
  // False when pos was visited before.
  bool Visit(uint32_t pos) {
    if (forward_.empty() || pos > forward_.back()) {
      forward_.push_back(pos);
      return true;
    }
    if (std::binary_search(forward_.begin(), forward_.end(), pos)) return false;
    return others_.insert(pos).second;
  }

 private:
  std::vector<uint32_t> forward_;
  std::unordered_set<uint32_t> others_;
};

// Walks the chain of tag and searches every block on it. 0, or
// kKdxSearchCannotOpen / kKdxSearchCancelled.
int32_t ScanTag(Scan& scan, REZ_FILE* rez, FileView& reader, uint32_t tag, int32_t kind) {
  int32_t status = REZ_FirstMember(rez, tag);
  if (status == REZ_ERR_NO_TAG) return 0;  // no block of this kind
  if (status != REZ_OK) {
    scan.stats->chainDamaged = true;
    Vell_SystemErrorLog("[-1] KDX_SearchEntries[%d]\r\n", status);
    return 0;
  }
  const uint64_t fileSize = rez->stream->Size();
  uint64_t steps = REZ_MaxChainSteps(rez);
  REZ_METADATA h = rez->current;
  VisitedMembers visited;
  visited.Visit(h.position);
  for (;;) {
    const uint8_t* member = reader.Get(uint64_t{h.position} + kRezHeaderSize, h.dataLength);
    if (member == nullptr) {
      ++scan.stats->blocksSkipped;
    } else {
      SearchBlock(scan, kind, member, h.dataLength);
    }
    if (scan.sincePoll++ % kPollEvery == 0) {
      if (scan.callbacks->progress)
        scan.callbacks->progress(h.position, static_cast<int64_t>(fileSize));
      if (scan.callbacks->cancelled && scan.callbacks->cancelled()) return kKdxSearchCancelled;
    }
    if (h.nextMember == kRezNoLink) return 0;
    REZ_METADATA next{};
    if (steps-- == 0 || !ReadMemberHeader(reader, fileSize, h.nextMember, &next) ||
        next.tag != tag || !visited.Visit(next.position)) {
      scan.stats->chainDamaged = true;
      Vell_SystemErrorLog("[-2] KDX_SearchEntries[%u]\r\n", h.nextMember);
      return 0;
    }
    h = next;
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
  ScopedRezFile rez;
  if (REZ_Open(data->kdxFilePath.c_str(), 1, &rez.file) != REZ_OK) {
    Vell_SystemErrorLog("[-1] KDX_SearchEntries: cannot open %s\r\n", data->kdxFilePath.c_str());
    return kKdxSearchCannotOpen;
  }
  ScopedFd fd(data->kdxFilePath.c_str());
  if (fd.fd < 0) return kKdxSearchCannotOpen;
  ::posix_fadvise(fd.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  FlagMap flags;
  if (!BuildFlags(data, &flags)) return kKdxSearchNoMemory;
  FileView reader(fd.fd, rez.file.stream->Size());
  Scan scan{data, &flags, &callbacks, stats, &query, {}, 0};
  try {
    int32_t status = 0;
    if ((fields & kKdxSearchBody) != 0) {
      status = ScanTag(scan, &rez.file, reader, kKdxTagTEXT, kKdxFoundInBody);
    }
    if (status == 0 && (fields & kKdxSearchNote) != 0) {
      status = ScanTag(scan, &rez.file, reader, kKdxTagNORB, kKdxFoundInNote);
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

bool ReplaceRecords(VELL_ARY* ary, const std::vector<KDX_FOUND_RESULT>& records) {
  Vell_Ary_RemoveAll(ary);
  for (const KDX_FOUND_RESULT& r : records) {
    if (Vell_Ary_Add(ary, &r) != 0) return false;
  }
  return true;
}

}  // namespace

VELL_ARY* KDX_InitFoundResultArray(int32_t capacity) {
  return Vell_Ary_Init(kKdxFoundResultSize, capacity, 0);
}

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

int32_t FindOneSearchWord(const KDX_DATA* data, const char* word, VELL_ARY* array) {
  if (data == nullptr || word == nullptr || array == nullptr) return kKdxSearchBadArgument;
  Query query;
  char cut[kWordBytes + 1];
  Vell_Utf8CopyCut(cut, sizeof cut, word);
  query.words.emplace_back(cut);
  query.folded.emplace_back(cut);
  KdxSearchStats stats;
  const int32_t status = RunQuery(data, kKdxSearchBody, {}, query, &stats);
  if (status != 0) return status;
  for (int32_t id : query.hits[kKdxFoundInBody][0]) {
    const KDX_FOUND_RESULT r = MakeResult(id, query.words[0], kKdxFoundInBody);
    if (Vell_Ary_Add(array, &r) != 0) return kKdxSearchNoMemory;
  }
  return 0;
}

int32_t KDX_SearchEntries(const KDX_DATA* data, const char* text, int32_t mode, uint32_t fields,
                          const KdxSearchCallbacks& callbacks, VELL_ARY* results,
                          KdxSearchStats* stats) {
  KdxSearchStats spare;
  if (stats == nullptr) stats = &spare;
  *stats = KdxSearchStats{};
  if (data == nullptr || text == nullptr || results == nullptr ||
      results->recordSize != kKdxFoundResultSize || mode < kKdxSearchPhrase ||
      mode > kKdxSearchAnyWord) {
    return kKdxSearchBadArgument;
  }
  fields &= kKdxSearchBody | kKdxSearchNote | kKdxSearchTitle;
  if (fields == 0) fields = kKdxSearchBody;
  Query query;
  try {
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
    return ReplaceRecords(results, found) ? 0 : kKdxSearchNoMemory;
  } catch (const std::exception&) {
    return kKdxSearchNoMemory;
  }
}

int32_t KDX_SortFoundResults(const KDX_DATA* data, const KDX_SORT_INFO& keys,
                             const KdxNoteReader& notes, VELL_ARY* results) {
  if (data == nullptr || results == nullptr) return kKdxSearchBadArgument;
  const int32_t count = Vell_Ary_GetSize(results);
  VellAryPtr copies(Vell_Ary_Init(kKdxEntrySize, std::max(count, 1), 0));
  if (copies == nullptr) return kKdxSearchNoMemory;
  int32_t status = 0;
  try {
    std::unordered_map<int32_t, std::string> bodyWord;
    std::vector<uint8_t> stored(kKdxEntrySize);
    KDX_ENTRY entry;
    KDX_FOUND_RESULT r;
    for (int32_t i = 0; i < count; ++i) {
      Vell_Ary_GetData(results, i, &r);
      if (r.kind == kKdxFoundInBody)
        bodyWord.emplace(r.en_id, std::string(r.word, strnlen(r.word, sizeof r.word)));
      const int32_t index = data->entryHash != nullptr
                                ? EN_Hash_GetData(data->entryAry, data->entryHash, r.en_id, &entry)
                                : EN_GetData(data->entryAry, r.en_id, &entry);
      if (index < 0) {
        Vell_SystemErrorLog("[-1] CreateShowEntryArray[%ld]\r\n", static_cast<long>(r.en_id));
        status = -1;
        break;
      }
      entry.en_is_select_entrylist = r.selected != 0;
      KDX_SetKdxEntry(entry, stored.data());
      if (Vell_Ary_Add(copies.get(), stored.data()) != 0) return kKdxSearchNoMemory;
    }
    if (KDXCOMM_SortEntries(keys, copies.get(), notes) != 0) return kKdxSearchNoMemory;
    std::vector<KDX_FOUND_RESULT> sorted;
    sorted.reserve(static_cast<size_t>(Vell_Ary_GetSize(copies.get())));
    for (int32_t i = 0; i < Vell_Ary_GetSize(copies.get()); ++i) {
      EN_GetData_ByIndex(copies.get(), i, &entry);
      const auto word = bodyWord.find(entry.en_id);
      KDX_FOUND_RESULT row = MakeResult(
          entry.en_id, word != bodyWord.end() ? word->second : std::string(), kKdxFoundInBody);
      row.selected = entry.en_is_select_entrylist ? 1 : 0;
      sorted.push_back(row);
    }
    if (!ReplaceRecords(results, sorted)) return kKdxSearchNoMemory;
  } catch (const std::exception&) {
    return kKdxSearchNoMemory;
  }
  return status;
}

void KDX_DropMissingFoundResults(const KDX_DATA* data, VELL_ARY* results) {
  if (data == nullptr || results == nullptr) return;
  for (int32_t i = Vell_Ary_GetSize(results) - 1; i >= 0; --i) {
    const auto* r = static_cast<const KDX_FOUND_RESULT*>(Vell_Ary_GetDataPtr(results, i));
    const bool present =
        data->entryHash != nullptr
            ? EN_Hash_FindIndex_ByID(data->entryAry, data->entryHash, r->en_id) >= 0 ||
                  EN_FindIndex_ByID(data->entryAry, r->en_id) >= 0
            : EN_FindIndex_ByID(data->entryAry, r->en_id) >= 0;
    if (!present) Vell_Ary_Remove(results, i);
  }
}

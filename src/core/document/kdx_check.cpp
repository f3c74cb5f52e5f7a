#include "core/document/kdx_check.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string_view>

#include "core/container/rez.h"
#include "core/container/rez_handle.h"
#include "core/document/blocks.h"
#include "core/document/id_counter.h"
#include "core/document/kdx_file.h"
#include "core/document/record_table.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_endian.h"

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char line[512];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

// Walks every tag and member, checking that backward links agree with forward
// ones; fills the summary and reports what does not hold.
void WalkContainer(REZ_FILE* file, KdxContainerSummary* summary,
                   std::vector<std::string>* problems) {
  summary->fileSize = file->stream->Size();
  summary->usedBytes = kRezFirstMemberPosition;
  int64_t budget = static_cast<int64_t>(REZ_MaxChainSteps(file)) + 1;
  uint32_t previousHead = kRezRootPosition;
  std::set<uint32_t> heads;
  int32_t status = REZ_FirstTag(file);
  while (status == REZ_OK) {
    KdxContainerSummary::Tag tag{file->current.tag, 0, 0};
    // A head met again: the tag list goes round, and so would this walk.
    if (!heads.insert(file->current.position).second) {
      if (problems != nullptr) {
        problems->push_back(
            Format("container: the tag list cannot be walked to the end (it returns to %s at %u)",
                   REZ_TagName(tag.tag).c_str(), file->current.position));
      }
      return;
    }
    if (file->current.prevTag != previousHead && problems != nullptr) {
      problems->push_back(Format("container: tag %s at %u links back to %u instead of %u",
                                 REZ_TagName(tag.tag).c_str(), file->current.position,
                                 file->current.prevTag, previousHead));
    }
    previousHead = file->current.position;
    uint32_t previousMember = kRezNoLink;
    do {
      if (--budget < 0) {
        status = REZ_ERR_NO_MEMBER;
        break;
      }
      if (file->current.prevMember != previousMember && problems != nullptr) {
        problems->push_back(
            Format("container: member at %u of tag %s links back to %u instead of %u",
                   file->current.position, REZ_TagName(tag.tag).c_str(), file->current.prevMember,
                   previousMember));
      }
      previousMember = file->current.position;
      ++tag.members;
      tag.bytes += file->current.dataLength;
      status = REZ_NextMember(file);
    } while (status == REZ_OK);
    if (status != REZ_ERR_NO_MEMBER || file->current.nextMember != kRezNoLink) {
      if (problems != nullptr) {
        problems->push_back(
            Format("container: the members of tag %s cannot be walked to the end (code %d)",
                   REZ_TagName(tag.tag).c_str(), status));
      }
      return;
    }
    summary->usedBytes += tag.members * kRezHeaderSize + tag.bytes;
    summary->tags.push_back(tag);
    status = REZ_NextTag(file);
  }
  if (status != REZ_ERR_NO_TAG) {
    if (problems != nullptr) {
      problems->push_back(
          Format("container: the tag list cannot be walked to the end (code %d)", status));
    }
    return;
  }
  summary->walkable = true;
}

struct TableSpec {
  uint32_t tag;
  int32_t size;
};
constexpr TableSpec kTables[] = {
    {kKdxTagENVI, kKdxEnvironmentSize},   {kKdxTagIDCO, kKdxIdCounterSize},
    {kKdxTagENTR, kKdxEntrySize},         {kKdxTagCATS, kKdxCatsetSize},
    {kKdxTagCTLE, kKdxCategoryTitleSize}, {kKdxTagCLBU, kKdxColumnSize},
    {kKdxTagCOLO, kKdxColorLabelSize},    {kKdxTagFITY, kKdxFileTypeSize}};

// The next value a counter would hand out, or -1 when the counter is absent.
int32_t NextValue(const VELL_ARY* counters, uint32_t tag, const char* name) {
  KDX_ID_COUNTER c;
  const int32_t index = kdx_table::IdCounterTable::Find(
      counters,
      [&](const KDX_ID_COUNTER& k) {
        return k.ic_tag == tag && k.ic_name == std::string_view(name);
      },
      &c);
  return index >= 0 ? c.ic_next_value : -1;
}

// A counter behind the identifiers in use hands out nothing twice: opening the
// document raises it above them, and the next save stores the raised value.
void CheckCounter(const VELL_ARY* counters, uint32_t tag, const char* name, int32_t maxId,
                  std::vector<std::string>* leftovers) {
  if (maxId < 0 || leftovers == nullptr) return;
  int32_t next = NextValue(counters, tag, name);
  if (next <= maxId) {
    leftovers->push_back(
        Format("identifiers: counter %s would hand out %d, but %d is already used (harmless: "
               "raised on opening, repaired in the file by the next save)",
               name, next < 0 ? 0 : next, maxId));
  }
}

}  // namespace

int32_t KDX_SummarizeContainer(const char* path, KdxContainerSummary* summary) {
  RezFileHandle file;
  if (path == nullptr || file.Open(path, 1) != REZ_OK) return kKdxErrFile;
  WalkContainer(file.get(), summary, nullptr);
  return 0;
}

int32_t KDX_CheckDocument(const char* path, std::vector<std::string>* problems,
                          std::vector<std::string>* leftovers) {
  RezFileHandle file;
  if (path == nullptr || file.Open(path, 1) != REZ_OK) return kKdxErrFile;
  KdxContainerSummary summary;
  WalkContainer(file.get(), &summary, problems);
  if (!summary.walkable) return 0;

  // Record tables: every member one record long.
  for (const TableSpec& table : kTables) {
    int32_t reason = 0;
    if (REZ_ARY_IsLoadable(file.get(), table.tag, table.size, &reason) == 0 &&
        reason != REZ_ARY_REASON_ABSENT) {
      problems->push_back(Format("tables: %s holds members that are not %d bytes long",
                                 REZ_TagName(table.tag).c_str(), table.size));
    }
  }
  bool hasEnvironment = false;
  for (const auto& t : summary.tags) hasEnvironment |= t.tag == kKdxTagENVI;
  if (!hasEnvironment)
    problems->push_back("tables: ENVI is missing: this is not a Kardinex document");

  // Identifiers: unique entries, counters above every identifier present.
  VellAryPtr entryTable(Vell_Ary_Init(kKdxEntrySize, 0, 0));
  VellAryPtr counterTable(Vell_Ary_Init(kKdxIdCounterSize, 0, 0));
  if (entryTable == nullptr || counterTable == nullptr) return kKdxErrFile;
  VELL_ARY* entries = entryTable.get();
  VELL_ARY* counters = counterTable.get();
  const int32_t entryLoad = REZ_ARY_Load(file.get(), kKdxTagENTR, kKdxEntrySize, entries);
  const bool entriesKnown = entryLoad == 0 || entryLoad == REZ_ARY_ABSENT;
  // Counters that cannot be read would look like counters at 0 and be blamed
  // for every identifier; say once that they could not be checked instead.
  const int32_t counterLoad = REZ_ARY_Load(file.get(), kKdxTagIDCO, kKdxIdCounterSize, counters);
  const bool countersKnown = counterLoad == 0 || counterLoad == REZ_ARY_ABSENT;
  if (!countersKnown) {
    problems->push_back("identifiers: the counters (IDCO) cannot be read, so they are not checked");
  }
  std::set<int32_t> entryIds;
  int32_t maxEntry = -1;
  for (int32_t i = 0; i < entries->count; ++i) {
    int32_t id = KDX_GetStoredEntryID(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(entries, i)));
    if (!entryIds.insert(id).second) {
      problems->push_back(Format("identifiers: entry %d appears more than once", id));
    }
    maxEntry = std::max(maxEntry, id);
  }
  if (countersKnown) CheckCounter(counters, kKdxTagENTR, "en_id", maxEntry, leftovers);

  // Content blocks: a readable head, a size that fits, one per entry.
  struct Kind {
    uint32_t tag;
    const char* name;
    const char* counter;
  };
  for (Kind kind : {Kind{kKdxTagBORB, "body", "bo_id"}, Kind{kKdxTagTEXT, "text", "tx_id"},
                    Kind{kKdxTagNORB, "note", "no_id"}}) {
    std::map<int32_t, int> perEntry;
    int32_t maxBlock = -1;
    for (int32_t s = REZ_FirstMember(file.get(), kind.tag); s == REZ_OK;
         s = REZ_NextMember(file.get())) {
      uint8_t head[12];
      uint32_t length = file->current.dataLength;
      if (length < 12 || REZ_GetSubdata(file.get(), 0, 12, head) != REZ_OK) {
        problems->push_back(Format("blocks: %s block at %u is too short for its head", kind.name,
                                   file->current.position));
        continue;
      }
      int32_t cid = Vell_GetLE32Signed(head);
      int32_t eid = Vell_GetLE32Signed(head + 4);
      int32_t size = Vell_GetLE32Signed(head + 8);
      maxBlock = std::max(maxBlock, cid);
      if (size < 0 || static_cast<uint32_t>(size) > length - 12) {
        problems->push_back(
            Format("blocks: %s block of entry %d says %d bytes but holds at most %u", kind.name,
                   eid, size, length - 12));
      }
      // Blocks of an entry that does not exist are what an interrupted import
      // or copy leaves (and older versions and other programs): no entry reads
      // them, and a new entry given that number removes them first.
      if (entriesKnown && entryIds.count(eid) == 0) {
        if (leftovers != nullptr) {
          leftovers->push_back(Format(
              "blocks: %s block at %u belongs to entry %d, which does not exist (harmless: no "
              "entry reads it)",
              kind.name, file->current.position, eid));
        }
        continue;
      }
      if (++perEntry[eid] == 2) {
        problems->push_back(Format("blocks: entry %d has more than one %s block", eid, kind.name));
      }
    }
    if (countersKnown) CheckCounter(counters, kind.tag, kind.counter, maxBlock, leftovers);
  }
  return 0;
}

// KDX_DATA: one open document in memory — its path, window flags and every
// record table except the content blocks, which stay in the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/util/vell_ary.h"
#include "core/util/vell_hash.h"

struct KDX_ENTRY;
struct KdxFileState;  // what the last load or save wrote (kdx_file.h)

// Records of the two tables that hold live objects. They are never stored in a
// file, so their size is the host's: a pointer keeps all of its bytes.
struct KDX_ENTRY_WINDOW {
  int32_t en_id;  // entry shown by the window
  void* window;   // the window object, owned by the GUI
};

struct KDX_THUMBNAIL_CACHE {
  int32_t en_id;  // entry of the list row
  int32_t fi_id;  // file icon block the image was made from
  void* image;    // the cached image, owned by the GUI
};

struct KDX_DATA {
  std::string kdxFilePath;  // full path of the document file; any length
  bool isOpend_AllFindWindow;
  bool isOpend_PrefWindow;
  bool isShowBrowser;
  VELL_ARY* entryAry;      // stored KDX_ENTRY records (2393 bytes)
  VELL_ARY* showIDAry;     // int32 en_id of the listed entries, in display order
  VELL_ARY* idCounterAry;  // identifier counters (112 bytes)
  VELL_ARY* cat1Ary;       // distinct category names per level (128 bytes)
  VELL_ARY* cat2Ary;
  VELL_ARY* cat3Ary;
  VELL_ARY* catSetAry;          // category sets (424 bytes)
  VELL_ARY* catTitleAry;        // one KDX_CATEGORY_TITLE (420 bytes)
  VELL_ARY* entryWindowAry;     // KDX_ENTRY_WINDOW records
  VELL_ARY* envAry;             // environment keyword/value records (232 bytes)
  VELL_ARY* columnAry;          // list columns (181 bytes)
  VELL_ARY* colorLabelAry;      // colour labels (180 bytes)
  VELL_ARY* fileTypeAry;        // file types (212 bytes)
  VELL_ARY* attachmentAry;      // dormant; null unless a caller creates it
  VELL_ARY* thumbnailCacheAry;  // KDX_THUMBNAIL_CACHE records
  VELL_ARY* projectAry;         // dormant; null unless a caller creates it
  VELL_ARY* bodyFindHistoryAry;
  VELL_ARY* bodyReplaceHistoryAry;
  char bodyFindStr[256];
  char bodyReplaceStr[256];
  VELL_HASH* entryHash;  // en_id -> index in entryAry; rebuilt after position changes
  std::shared_ptr<KdxFileState> fileState;  // null until the first load or save
};

// Resets every field and creates the twelve core tables. 0, or -1 when memory
// runs out (whatever was created is freed again and the pointers are null).
int32_t KDX_InitKdxData(KDX_DATA* data);
// Frees the twelve tables made by KDX_InitKdxData and nulls their pointers.
void KDX_FreeKdxData(KDX_DATA* data);
// Creates entryWindowAry, thumbnailCacheAry and entryHash (999 buckets), which
// the document object owns. 0, or -1 when memory runs out.
int32_t KDX_CreateDocumentExtras(KDX_DATA* data);
void KDX_FreeDocumentExtras(KDX_DATA* data);

// Fills a new entry (not added to entryAry): a fresh en_id from the "en_id"
// counter, dates now, this machine's system and name, "S-JIS", detail shown.
// A category "＜すべて＞" becomes "その他". Null texts count as empty. en_id
// is -1 when the counter refuses (exhausted or damaged): do not add the entry.
void EN_InitData(KDX_DATA* data, const char* title, const char* cat1, const char* cat2,
                 const char* cat3, int32_t turnMode, const char* turnWidth, KDX_ENTRY* entry);
// Appends the one category title record: both dates now, the three captions.
// 0, or -1 when memory runs out.
int32_t TI_InitData(const char* title1, const char* title2, const char* title3,
                    VELL_ARY* catTitleAry);

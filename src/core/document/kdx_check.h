// A structural check of a document file: the container's links and lengths,
// the record tables, identifiers and counters, and the content blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/kdx_status.h"

// Checks the document at path without changing it. Each piece of damage found
// is one line of text in *problems. Harmless traces go to *leftovers when it
// is given, each line saying why it is harmless: blocks of entries that do
// not exist (left by an interrupted import or copy, or by other programs; no
// entry reads them) and identifier counters behind the identifiers in use
// (opening raises them and the next save stores them). 0 when the file could
// be checked (whether or not anything was found), kKdxErrFile when it cannot
// be opened as a container.
[[nodiscard]] int32_t KDX_CheckDocument(const char* path, std::vector<std::string>* problems,
                                        std::vector<std::string>* leftovers = nullptr);

// Counts and facts for a summary of a document.
struct KdxContainerSummary {
  uint64_t fileSize = 0;
  uint64_t usedBytes = 0;  // headers and data reachable from the tag list
  bool walkable = false;   // every tag and member could be visited
  struct Tag {
    uint32_t tag;
    uint64_t members;
    uint64_t bytes;
  };
  std::vector<Tag> tags;  // in tag-list order
};
// Walks the container at path read-only; 0 (see walkable), or kKdxErrFile when it
// cannot be opened as a container.
[[nodiscard]] int32_t KDX_SummarizeContainer(const char* path, KdxContainerSummary* summary);

// A structural check of a document file: the container's links and lengths,
// the record tables, identifiers and counters, and the content blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/kdx_status.h"

// Checks the document at path without changing it. Each problem found is one
// line of text in *problems. 0 when the file could be checked (whether or not
// problems were found), kKdxErrFile when it cannot be opened as a container.
[[nodiscard]] int32_t KDX_CheckDocument(const char* path, std::vector<std::string>* problems);

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

// Writes sample documents of any size, shaped like a real user's: Japanese and
// ASCII titles, categories spread the way people file notes (a few large
// groups, many small ones), bodies of 1 to 20 KB as text blocks, some notes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Creates a document of `entries` entries at path (which must not exist).
// The same seed gives the same document. 0, or a negative status.
int32_t KdxWriteSampleDocument(const std::string& path, int32_t entries, uint32_t seed = 1);

// Choices beyond the default shape of a sample document.
struct KdxSampleOptions {
  int32_t textBytes = 0;         // plain text per entry, about; 0: 1 to 20 KB
  int32_t encryptedPercent = 0;  // share of entries stored encrypted (0 to 100)
  // Called with each entry's identifier and plain text as it is written.
  std::function<void(int32_t id, const std::string& text)> onText;
};

// As above, shaped by options; the default options give the same document.
int32_t KdxWriteSampleDocument(const std::string& path, int32_t entries, uint32_t seed,
                               const KdxSampleOptions& options);

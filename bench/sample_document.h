// Writes sample documents of any size, shaped like a real user's: Japanese and
// ASCII titles, categories spread the way people file notes (a few large
// groups, many small ones), bodies of 1 to 20 KB as text blocks, some notes.
#pragma once

#include <cstdint>
#include <string>

// Creates a document of `entries` entries at path (which must not exist).
// The same seed gives the same document. 0, or a negative status.
int32_t KdxWriteSampleDocument(const std::string& path, int32_t entries, uint32_t seed = 1);

// An entry's block as the content loaders hand it to their callers.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/content/entry_content.h"
#include "core/util/vell_mem.h"

namespace kdx_test {

// The loaded form (data size bytes, deciphered when the entry says so), or
// "<code>" when the loader fails.
inline std::string LoadedBlock(const std::string& path, const KDX_ENTRY& e, KdxBlockKind kind) {
  uint8_t* buffer = nullptr;
  const int32_t size = kind == KdxBlockKind::kBody ? KDX_LoadBOContainer(path.c_str(), e, &buffer)
                       : kind == KdxBlockKind::kText
                           ? KDX_LoadTXContainer(path.c_str(), e, &buffer)
                           : KDX_LoadNOContainer(path.c_str(), e, &buffer);
  if (size < 0) return "<" + std::to_string(size) + ">";
  std::string out(reinterpret_cast<const char*>(buffer), static_cast<size_t>(size));
  if (size > 0) {
    EXPECT_EQ(buffer[size], 0) << "the loaded form ends in a NUL";
  }
  Vell_MallocFree(buffer);
  return out;
}

}  // namespace kdx_test

// A document open on a file of its own, for tests that need entries with
// content: created when the file is missing, loaded, freed at the end.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/content/entry_content.h"
#include "core/document/entry_table.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"

namespace kdx_test {

struct TestDocument {
  KDX_DATA data{};
  static constexpr int32_t kExpand = 64;

  explicit TestDocument(const std::string& path) {
    KDX_InitKdxData(&data);
    KDX_CreateDocumentExtras(&data);
    if (!std::filesystem::exists(path)) {
      EXPECT_EQ(CreateKdxFile(path.c_str()), 0);
    }
    EXPECT_EQ(KDX_LoadAllData(path.c_str(), &data), 0);
    EN_Hash_MakeEntryTable(data.entryAry, data.entryHash);
  }
  ~TestDocument() {
    KDX_FreeDocumentExtras(&data);
    KDX_FreeKdxData(&data);
  }
  TestDocument(const TestDocument&) = delete;
  TestDocument& operator=(const TestDocument&) = delete;

  const char* path() const { return data.kdxFilePath.c_str(); }

  // Adds an entry with the given categories and content; encrypted sets all
  // three encryption flags. The hash is rebuilt.
  KDX_ENTRY Add(const char* title, const KdxEntryContent& content, bool encrypted = false,
                const char* cat1 = "仕事", const char* cat2 = "2026", const char* cat3 = "A") {
    KDX_ENTRY e;
    EN_InitData(&data, title, cat1, cat2, cat3, 1, "450", &e);
    e.en_encrypt = e.en_bo_encrypt = e.en_no_encrypt = encrypted ? 1 : 0;
    EXPECT_EQ(KDX_AddNewEntry(&data, &e, kExpand, content), 0);
    EN_Hash_MakeEntryTable(data.entryAry, data.entryHash);
    return e;
  }
  KDX_ENTRY Entry(int32_t id) const {
    KDX_ENTRY e{};
    EN_GetData(data.entryAry, id, &e);
    return e;
  }
};

}  // namespace kdx_test

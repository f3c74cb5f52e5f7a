// A document on a file of its own, open for writing through the document
// session, for the tests of the layers that work on open documents.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "core/document/entry_table.h"
#include "core/session/kdx_session.h"
#include "support/test_support.h"

namespace kdx_test {

class TestDocument {
 public:
  // A new document in a temporary folder of its own.
  TestDocument() : dir_(std::make_unique<TempDir>()), path_(dir_->File("doc.kdx")) {
    EXPECT_EQ(KdxSession::CreateFile(path_), 0);
    Reopen();
  }
  // The document at path, made first when there is none. kInspect reads a
  // file another TestDocument has open (a second writer would be refused).
  explicit TestDocument(std::string path, KdxAccess access = KdxAccess::kWrite)
      : path_(std::move(path)), access_(access) {
    if (!std::filesystem::exists(path_)) {
      EXPECT_EQ(KdxSession::CreateFile(path_), 0);
    }
    Reopen();
  }

  KdxSession& session() { return session_; }
  // The tables for the functions that take them; the next save compares all.
  KDX_DATA* data() { return session_.EditDirectly(); }
  const KDX_DATA& view() const { return session_.data(); }
  const std::string& path() const { return path_; }
  const TempDir& dir() const { return *dir_; }
  int32_t Count() const { return Vell_Ary_GetSize(view().entryAry); }

  // The fields of an entry in 仕事/2026/A, as the tests make them.
  static KdxNewEntry NewEntry(const std::string& title, const KdxEntryContent& content = {},
                              bool encrypted = false) {
    KdxNewEntry fields;
    fields.title = title;
    fields.cat1 = "仕事";
    fields.cat2 = "2026";
    fields.cat3 = "A";
    fields.turn = 1;
    fields.turnWidth = "450";
    fields.encrypted = encrypted;
    fields.content = content;
    return fields;
  }
  // An entry made as the application makes one.
  KDX_ENTRY Add(const KdxNewEntry& fields) {
    KDX_ENTRY made{};
    EXPECT_EQ(session_.CreateEntry(fields, &made), KdxChangeResult::kOk);
    return made;
  }
  KDX_ENTRY Add(const std::string& title, const KdxEntryContent& content = {},
                bool encrypted = false) {
    return Add(NewEntry(title, content, encrypted));
  }
  // The entry with that identifier, or an all-zero record.
  KDX_ENTRY Entry(int32_t id) const { return session_.FindEntry(id).value_or(KDX_ENTRY{}); }
  KDX_ENTRY At(int32_t index) const {
    KDX_ENTRY e{};
    EN_GetData_ByIndex(view().entryAry, index, &e);
    return e;
  }

  void Save() { EXPECT_EQ(session_.Save(), 0); }
  // Closes and opens the file again: the document as the file holds it.
  void Reopen() { ASSERT_EQ(session_.Open(path_, access_), KdxOpenResult::kOk); }

 private:
  std::unique_ptr<TempDir> dir_;  // none for a document at a given path
  std::string path_;
  KdxAccess access_ = KdxAccess::kWrite;
  KdxSession session_;
};

}  // namespace kdx_test

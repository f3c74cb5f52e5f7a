// A fresh document open in memory for the import tests, and readers of what
// the imports stored in it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/content/entry_content.h"
#include "core/document/entry_table.h"
#include "core/document/file_type.h"
#include "core/document/id_counter.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"
#include "core/util/vell_mem.h"
#include "richtext/body_format.h"
#include "support/test_document.h"

namespace kdx_test {

inline std::string ReadText(const std::string& path) {
  std::vector<uint8_t> bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

class ImportDoc : public TestDocument {
 public:
  // Adds an entry with that content; encrypted sets all three flags; ext, when
  // given, names its file type (made if missing), encode its encoding.
  KDX_ENTRY Add(const char* title, const KdxEntryContent& content, bool encrypted = false,
                const char* ext = nullptr, const char* encode = nullptr) {
    KDX_DATA* d = data();
    KdxNewEntry fields = NewEntry(title, content, encrypted);
    if (encode != nullptr) fields.encoding = encode;
    KDX_FILE_TYPE type;
    if (ext != nullptr && (fields.fileTypeId = FT_FindID_ByExt(d->fileTypeAry, ext)) < 0 &&
        FT_MakeRecord(d->idCounterAry, ext, 0, 0, &type) == 0 &&
        FT_AddData(d->fileTypeAry, type) == 0) {
      fields.fileTypeId = type.ft_id;
    }
    return TestDocument::Add(fields);
  }
  KDX_ENTRY Titled(const std::string& title) const {
    for (int32_t i = 0; i < Count(); ++i) {
      if (title == At(i).en_title) return At(i);
    }
    ADD_FAILURE() << "no entry titled " << title;
    return KDX_ENTRY{};
  }
  std::string Text(const KDX_ENTRY& e) const { return Loaded(KDX_LoadTXContainer, e, true); }
  std::string Note(const KDX_ENTRY& e) const { return Loaded(KDX_LoadNOContainer, e, true); }
  std::string Body(const KDX_ENTRY& e) const { return Loaded(KDX_LoadBOContainer, e, false); }
  // The plain text the stored body reads back as.
  std::string BodyPlainText(const KDX_ENTRY& e) const {
    const std::string body = Body(e);
    QString plain;
    EXPECT_NE(kdx_richtext::BodyPlainText(
                  QByteArray(body.data(), static_cast<qsizetype>(body.size())), &plain),
              kdx_richtext::BodyStatus::unreadable);
    return plain.toStdString();
  }
  // The block's data exactly as stored.
  std::string Stored(KdxBlockKind kind, const KDX_ENTRY& e) const {
    std::vector<uint8_t> out;
    if (KDX_LoadBlockData(path().c_str(), kind, e.en_id, out) != 0) return "(missing)";
    return std::string(out.begin(), out.end());
  }
  std::string FileTypeExt(const KDX_ENTRY& e) const {
    KDX_FILE_TYPE type{};
    if (FT_GetData(view().fileTypeAry, e.en_ft_id, &type) < 0) return "(none)";
    return type.ft_ext;
  }

 private:
  template <typename Load>
  std::string Loaded(Load load, const KDX_ENTRY& e, bool text) const {
    uint8_t* buffer = nullptr;
    const int32_t size = load(path().c_str(), e, &buffer);
    if (size < 0) return "(unreadable)";
    std::string out(reinterpret_cast<const char*>(buffer), size > 0 ? size : 0);
    Vell_MallocFree(buffer);
    return text ? out.substr(0, out.find('\0')) : out;
  }
};

}  // namespace kdx_test

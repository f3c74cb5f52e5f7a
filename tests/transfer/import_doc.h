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
#include "support/test_support.h"

namespace kdx_test {

inline std::string ReadText(const std::string& path) {
  std::vector<uint8_t> bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

class ImportDoc {
 public:
  ImportDoc() {
    KDX_InitKdxData(&data_);
    path_ = dir_.File("doc.kdx");
    EXPECT_EQ(CreateKdxFile(path_.c_str()), 0);
    EXPECT_EQ(KDX_LoadAllData(path_.c_str(), &data_), 0);
    KDX_CreateDocumentExtras(&data_);
  }
  ~ImportDoc() {
    KDX_FreeDocumentExtras(&data_);
    KDX_FreeKdxData(&data_);
  }
  KDX_DATA* data() { return &data_; }
  const std::string& path() const { return path_; }
  int32_t Count() const { return Vell_Ary_GetSize(data_.entryAry); }
  // Adds an entry with that content; encrypted sets all three flags; ext, when
  // given, names its file type (made if missing), encode its encoding.
  KDX_ENTRY Add(const char* title, const KdxEntryContent& content, bool encrypted = false,
                const char* ext = nullptr, const char* encode = nullptr) {
    KDX_ENTRY e;
    EN_InitData(&data_, title, "仕事", "2026", "A", 1, "450", &e);
    e.en_encrypt = e.en_bo_encrypt = e.en_no_encrypt = encrypted ? 1 : 0;
    if (encode != nullptr) std::strcpy(e.en_encode, encode);
    KDX_FILE_TYPE type;
    if (ext != nullptr && (e.en_ft_id = FT_FindID_ByExt(data_.fileTypeAry, ext)) < 0 &&
        FT_MakeRecord(data_.idCounterAry, ext, 0, 0, &type) == 0 &&
        FT_AddData(data_.fileTypeAry, type) == 0) {
      e.en_ft_id = type.ft_id;
    }
    EXPECT_EQ(KDX_AddNewEntry(&data_, &e, 64, content), 0);
    EN_Hash_MakeEntryTable(data_.entryAry, data_.entryHash);
    return e;
  }
  KDX_ENTRY Entry(int32_t id) const {
    KDX_ENTRY e{};
    EN_GetData(data_.entryAry, id, &e);
    return e;
  }
  KDX_ENTRY At(int32_t index) const {
    KDX_ENTRY e;
    EN_GetData_ByIndex(data_.entryAry, index, &e);
    return e;
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
    kdx_richtext::BodyPlainText(QByteArray(body.data(), static_cast<qsizetype>(body.size())),
                                &plain);
    return plain.toStdString();
  }
  std::string FileTypeExt(const KDX_ENTRY& e) const {
    KDX_FILE_TYPE type{};
    if (FT_GetData(data_.fileTypeAry, e.en_ft_id, &type) < 0) return "(none)";
    return type.ft_ext;
  }

 private:
  template <typename Load>
  std::string Loaded(Load load, const KDX_ENTRY& e, bool text) const {
    uint8_t* buffer = nullptr;
    const int32_t size = load(path_.c_str(), e, &buffer);
    if (size < 0) return "(unreadable)";
    std::string out(reinterpret_cast<const char*>(buffer), size > 0 ? size : 0);
    Vell_MallocFree(buffer);
    return text ? out.substr(0, out.find('\0')) : out;
  }

  TempDir dir_;
  std::string path_;
  KDX_DATA data_;
};

}  // namespace kdx_test

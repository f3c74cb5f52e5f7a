#include "sample_document.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "core/container/rez.h"
#include "core/document/blocks.h"
#include "core/document/catset_table.h"
#include "core/document/entry_table.h"
#include "core/document/id_counter.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"
#include "core/document/records.h"
#include "core/session/kdx_session.h"
#include "core/util/vell_crypto.h"

namespace {

const char* const kWords[] = {
    "会議",   "議事録",  "企画", "メモ", "日記", "旅行", "レシピ", "読書",     "Linux",    "C++",
    "report", "draft",   "季節", "東京", "大阪", "予定", "買い物", "アイデア", "覚え書き", "手紙",
    "notes",  "invoice", "設計", "試験", "週報", "月報", "草稿",   "写真"};
const char* const kCat1[] = {"仕事", "個人", "趣味", "資料", "その他", "Projects", "家族", "学習"};
const char* const kCat2[] = {"2024", "2025", "2026", "進行中", "完了", "保留", "参考", "下書き"};
const char* const kCat3[] = {"A", "B", "C", "重要", "その他"};

constexpr int32_t kExpandSize = 1024;

std::string Paragraph(std::mt19937& rng, size_t bytes) {
  std::string text;
  std::uniform_int_distribution<size_t> word(0, std::size(kWords) - 1);
  while (text.size() < bytes) {
    text += kWords[word(rng)];
    text += (rng() % 7 == 0) ? "。\n" : "、";
  }
  return text;
}

// Picks an index with a skewed spread: low indices much more often.
size_t Skewed(std::mt19937& rng, size_t count) {
  std::geometric_distribution<size_t> g(0.35);
  return std::min(g(rng), count - 1);
}

// Appends a content block through the open file, laid out as the block layer does.
int32_t AppendBlock(REZ_FILE* file, uint32_t tag, int32_t containerId, int32_t entryId,
                    const std::string& data) {
  int64_t size =
      KDX_BlockContainerSize(kExpandSize, kKdxContentHeadSize, static_cast<int32_t>(data.size()));
  std::vector<uint8_t> block(static_cast<size_t>(size));
  BO_PackingBlock_ToContainer(containerId, entryId, static_cast<int32_t>(data.size()), data.data(),
                              block.data());
  return REZ_AddData(file, tag, block.size(), block.data());
}

// The encrypted stored form of a text: IV and the ciphertext of the text
// zero-extended to whole blocks, without the padding block.
std::string Encrypted(const std::string& text) {
  const int32_t stored = Vell_GetEncryptedDataLength(static_cast<int32_t>(text.size()));
  std::vector<uint8_t> work(static_cast<size_t>(stored) - 16, 0);
  std::copy(text.begin(), text.end(), work.begin());
  std::vector<uint8_t> out(static_cast<size_t>(stored) + 16);
  if (Vell_Encrypt(work.data(), stored - 16, kKdxProgramKeyHex, out.data()) < 0) std::abort();
  return std::string(out.begin(), out.begin() + stored);
}

}  // namespace

int32_t KdxWriteSampleDocument(const std::string& path, int32_t entries, uint32_t seed) {
  return KdxWriteSampleDocument(path, entries, seed, KdxSampleOptions{});
}

int32_t KdxWriteSampleDocument(const std::string& path, int32_t entries, uint32_t seed,
                               const KdxSampleOptions& options) {
  int32_t status = KdxSession::CreateFile(path);
  if (status != 0) return status;
  KdxSession session;
  if (session.Open(path, KdxAccess::kWrite) != KdxOpenResult::kOk) return kKdxErrFile;
  // The blocks are appended straight to the file, much faster than entry by
  // entry, and the tables saved once at the end.
  KDX_DATA& data = *session.EditDirectly();
  std::mt19937 rng(seed);
  REZ_FILE file;
  if (status == 0) status = REZ_Open(path.c_str(), 0, &file);
  for (int32_t i = 0; i < entries && status == 0; ++i) {
    std::string title = (rng() % 3 == 0) ? "Entry " + std::to_string(i) + " " + kWords[rng() % 28]
                                         : std::string(kWords[rng() % 28]) + "の" +
                                               kWords[rng() % 28] + " " + std::to_string(i);
    const char* cat1 = kCat1[Skewed(rng, std::size(kCat1))];
    const char* cat2 = kCat2[Skewed(rng, std::size(kCat2))];
    const char* cat3 = kCat3[Skewed(rng, std::size(kCat3))];
    KDX_ENTRY entry;
    EN_InitData(&data, title.c_str(), cat1, cat2, cat3, 1, "450", &entry);
    const uint32_t length = rng() % (19 * 1024);
    std::string body = Paragraph(
        rng, options.textBytes > 0 ? static_cast<size_t>(options.textBytes) : 1024 + length);
    entry.en_bo_block_size = static_cast<int32_t>(body.size());
    entry.en_co_id = static_cast<int32_t>(rng() % 8);
    const bool encrypt = options.encryptedPercent > 0 && i % 100 < options.encryptedPercent;
    if (encrypt) entry.en_encrypt = entry.en_bo_encrypt = entry.en_no_encrypt = 1;
    if (options.onText) options.onText(entry.en_id, body);
    status = AppendBlock(&file, kKdxTagTEXT,
                         IC_GetID_FromCounter(data.idCounterAry, kKdxTagTEXT, "tx_id"), entry.en_id,
                         encrypt ? Encrypted(body) : body);
    if (status == 0 && rng() % 4 == 0) {
      const std::string note = Paragraph(rng, 40 + rng() % 400);
      status = AppendBlock(&file, kKdxTagNORB,
                           IC_GetID_FromCounter(data.idCounterAry, kKdxTagNORB, "no_id"),
                           entry.en_id, encrypt ? Encrypted(note) : note);
    }
    if (status == 0) status = EN_AddData(data.entryAry, entry);
    if (status == 0 && CT_SetData(data.catSetAry, data.idCounterAry, cat1, cat2, cat3) < 0)
      status = kKdxFailed;
  }
  if (REZ_Close(&file) != REZ_OK && status == 0) status = kKdxErrFile;
  // The blocks were written behind the table snapshot's back; compare in full.
  KDX_ForgetSavedState(&data);
  if (status == 0) status = session.Save();
  return status;
}

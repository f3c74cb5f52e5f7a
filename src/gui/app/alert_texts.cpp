#include "gui/app/alert_texts.h"

#include <utility>
#include <vector>

#include "core/util/vell_string.h"
#include "gui/app/localization.h"

std::string KDXCOMM_MakeMessage(const std::string& text, const std::string& p1,
                                const std::string& p2, const std::string& p3,
                                const std::string& p4) {
  std::vector<std::pair<std::string, std::string>> pairs;
  const std::string* values[] = {&p1, &p2, &p3, &p4};
  for (int i = 0; i < 4; ++i) {
    if (!values[i]->empty()) pairs.emplace_back("$" + std::to_string(i + 1), *values[i]);
  }
  return Vell_ReplacePlaceholders(text, pairs);
}

std::string KDXCOMM_MakeDeleteConfirmationText(const std::string& kind,
                                               const std::string& firstTitle, int64_t count) {
  if (count <= 1) {
    return KdxFillFormat(KdxTextUtf8("「%s」を削除します。よろしいですか？"), {firstTitle});
  }
  return KDXCOMM_MakeMessage(KdxTextUtf8("「$1」を含む、$2 件の$3を削除します。よろしいですか？"),
                             firstTitle, std::to_string(count), KdxTextUtf8(kind.c_str()));
}

std::string KdxOpenFailureText(KdxOpenResult result, const std::string& versionText) {
  switch (result) {
    case KdxOpenResult::kOk:
    case KdxOpenResult::kPasswordCancelled:
    case KdxOpenResult::kNeedsConversion:  // the user declined the conversion
      return {};
    case KdxOpenResult::kNoSuchFile:
      return KdxTextUtf8("ファイルが見つかりません。");
    case KdxOpenResult::kCannotOpen:
      return KdxTextUtf8(kKdxMsgNotADocumentFile);
    case KdxOpenResult::kHeldElsewhere:
      return KdxTextUtf8("このファイルは他のプログラムで開かれています。");
    case KdxOpenResult::kDamaged:
      return KdxTextUtf8("ファイルが壊れているため開くことができません。");
    case KdxOpenResult::kNotKardinexFile:
      return KdxTextUtf8("このファイルはKardinexファイルではありません。");
    case KdxOpenResult::kNewerVersion:
      return KdxFillFormat(
          KdxTextUtf8("ファイルを開くことができません。\n（このファイルはバージョン %s "
                      "で開くことができます。）"),
          {versionText});
    case KdxOpenResult::kPasswordDamaged:
      return KdxTextUtf8("パスワードの情報が壊れているため、このファイルを開くことができません。");
    case KdxOpenResult::kPasswordRefused:
      return KdxTextUtf8(kKdxMsgWrongPassword);
    case KdxOpenResult::kNoMemory:
      return KdxTextUtf8("メモリが不足しているため、このファイルを開くことができません。");
  }
  return KdxTextUtf8(kKdxMsgNotADocumentFile);
}

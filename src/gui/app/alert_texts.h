// The texts of the document window's alerts, made without a window so that a
// test reads exactly what the user would.
#pragma once

#include <cstdint>
#include <string>

#include "core/session/kdx_session.h"

// Replaces "$1".."$4" by the given texts in one pass (a text holding "$2" is
// kept as it is); a placeholder with an empty text is left alone.
[[nodiscard]] std::string KDXCOMM_MakeMessage(const std::string& text, const std::string& p1 = {},
                                              const std::string& p2 = {},
                                              const std::string& p3 = {},
                                              const std::string& p4 = {});

// The question before entries are deleted: one entry names its title; several
// name the first one's title, the count and the kind ("文章").
[[nodiscard]] std::string KDXCOMM_MakeDeleteConfirmationText(const std::string& kind,
                                                             const std::string& firstTitle,
                                                             int64_t count);

// What the user is told when a document cannot be opened; empty when there is
// nothing to say (opened, or the user cancelled the password).
[[nodiscard]] std::string KdxOpenFailureText(KdxOpenResult result, const std::string& versionText);

// Named texts used in more than one place.
inline constexpr char kKdxMsgCannotCreateFile[] = "ファイルを作成できませんでした。";
inline constexpr char kKdxMsgCannotSave[] = "文書を保存できませんでした。";
inline constexpr char kKdxMsgNotADocumentFile[] = "このファイルは開くことができません。";
inline constexpr char kKdxMsgReplaceOpenDocument[] =
    "このファイルは開かれているため、置き換えることができません。";
inline constexpr char kKdxMsgBackupFailed[] =
    "バックアップを作成できなかったため、変換を中止しました。";
inline constexpr char kKdxMsgConversionCancelled[] =
    "変換がキャンセルされました。\n再度新しいバージョンに変換をする場合は、変換前のデータファイル"
    "「%s」から変換をしてください。";
inline constexpr char kKdxMsgConversionFailures[] = "%ld 件の本文を変換できませんでした。";
inline constexpr char kKdxMsgRestoreFailed[] =
    "変換前のファイルを元に戻せませんでした。変換前のデータは「%s」にあります。";
inline constexpr char kKdxMsgWrongPassword[] =
    "パスワードが正しくありません。もう一度やり直してください。";

// The decisions of start-up: the splash time, the recent documents offered,
// where the file panels start, and making a new document file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Preference keys of start-up.
inline constexpr char kPrefSplashTimeKey[] = "ShowSplashWindowTime";
inline constexpr char kPrefOpenFileKey[] = "OpenFile";
inline constexpr char kPrefNewFileKey[] = "NewFile";
inline constexpr char kPrefStartupDlgRectKey[] = "StartupDlgRect";
inline constexpr double kKdxDefaultSplashSeconds = 0.5;
inline constexpr double kKdxMaxSplashSeconds = 10.0;

// Seconds the splash stays up: "ShowSplashWindowTime", kept within 0 to 10;
// when missing 0.5, which is then written to the preferences.
[[nodiscard]] double KdxSplashSeconds();

// The recent documents the start-up dialog lists: remembered, existing, not
// in a trash folder.
[[nodiscard]] std::vector<std::string> KdxStartupRecentPaths();

// True when the file name ends in ".kdx" (any case): only those are opened.
[[nodiscard]] bool KdxHasDocumentExtension(std::string_view path);
// path with ".kdx" added unless it ends in it already.
[[nodiscard]] std::string KdxWithDocumentExtension(const std::string& path);

// Where the open panel starts: the folder of "OpenFile", else empty.
[[nodiscard]] std::string KdxOpenPanelFolder();
// What the new-file panel proposes: "名称未設定.kdx" (localised) in the folder
// of "NewFile", or the bare name.
[[nodiscard]] std::string KdxProposedNewFilePath();

// Makes a new, empty document at path. A file already there is replaced only
// once the new document is complete beside it, so a failure leaves it as it
// was. The caller refuses paths of open documents first. True on success.
[[nodiscard]] bool KdxCreateDocumentReplacing(const std::string& path);

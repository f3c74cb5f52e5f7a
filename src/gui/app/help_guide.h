// Where the guide the Help menu's 指南 opens is found.
#pragma once

#include <string>
#include <vector>

// The guide's file name and the folder it lives in (localised keys).
inline constexpr char kKdxGuideFolder[] = "ドキュメント";
inline constexpr char kKdxGuideName[] = "指南";

// The places looked at, in order: "ドキュメント/指南.pdf" (both names in the
// interface's language) beside the program (programFolder), then in the data
// folder of the prefix the program is installed under, then in the data folder
// this build installs into.
[[nodiscard]] std::vector<std::string> KdxHelpGuideCandidates(const std::string& programFolder);
// The first candidate that is a file, or empty: the menu item is disabled then.
[[nodiscard]] std::string KdxHelpGuidePath(const std::string& programFolder);

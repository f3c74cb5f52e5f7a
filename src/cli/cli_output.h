// How kdx writes values into its line-oriented output, and what it says of a
// file it cannot read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A value on one line of kdx's output (a cell of tab-separated output, a name
// in a report line): tab, LF and CR are written as \t, \n and \r, so that no
// value can split a cell or a line, other control characters (C0, DEL, C1) as
// \xNN, so that none reaches the terminal, and a backslash as \\, so that a
// script can read the value back exactly. The document keeps the value as it is.
[[nodiscard]] std::string CliFlat(std::string_view text);

// A count with thousands separators, as the reports print sizes: "1,234,567".
[[nodiscard]] std::string CliCommas(uint64_t value);

// What kdx says of a file it was given that cannot be read: "no such file"
// when it is missing, else why ("cannot be read: permission denied"). Empty
// when the file can be opened for reading.
[[nodiscard]] std::string CliUnreadableText(const std::string& path);

// What kdx says of a path that is neither a file nor a folder ("a FIFO, not a
// file"), which it never opens as a document: the open would wait for a
// writer that never comes. Empty for anything else.
[[nodiscard]] std::string CliNotAFileText(const std::string& path);

// What kdx says of a folder it is to write into, when it cannot: "no such
// folder", "not a folder", "cannot be written: permission denied". Empty when
// a file can be made in it.
[[nodiscard]] std::string CliUnwritableFolderText(const std::string& folder);

// Why a new file cannot be made at path, in the system's words ("cannot be
// created: no such file or folder", "...: permission denied").
[[nodiscard]] std::string CliCannotCreateText(const std::string& path);

// ---- JSON for scripts -------------------------------------------------------

// text as a JSON string, quoted, with quotes, backslashes and control
// characters escaped; a byte that is not part of well-formed UTF-8 (a value
// read from a damaged file) becomes U+FFFD, so that the output is always JSON.
[[nodiscard]] std::string CliJsonString(std::string_view text);

// One JSON object a line at a time: fields in the order added, values already
// written out as JSON (CliJsonString, a number).
class CliJsonObject {
 public:
  CliJsonObject& Add(std::string_view name, const std::string& json);
  CliJsonObject& AddText(std::string_view name, std::string_view text) {
    return Add(name, CliJsonString(text));
  }
  CliJsonObject& AddNumber(std::string_view name, int64_t value) {
    return Add(name, std::to_string(value));
  }
  [[nodiscard]] std::string str() const { return "{" + fields_ + "}"; }

 private:
  std::string fields_;
};

// Values as a JSON array, one per line: "[\n  V,\n  V\n]\n".
[[nodiscard]] std::string CliJsonArray(const std::vector<std::string>& values);

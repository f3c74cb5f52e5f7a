// How kdx writes values into its line-oriented output, and what it says of a
// file it cannot read.
#pragma once

#include <string>

// A value on one line of kdx's output (a cell of tab-separated output, a name
// in a report line): tab, CR and LF become a space, so that no value can
// split a cell or a line. The document keeps the value as it is.
[[nodiscard]] std::string CliFlat(std::string text);

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

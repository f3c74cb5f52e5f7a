// Opening a document for one kdx command the way the application opens it,
// through the document session: locked against a second writer, every table
// loaded, the format version checked and the password asked for when the
// document has one. Each failure is one line on standard error.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "core/listing/entry_sort.h"
#include "core/session/kdx_session.h"

// Where kdx finds the document password when it is not typed at the terminal.
struct CliPasswordSource {
  std::string passwordFile;  // --password-file: the first line of this file
};

// Opens path in session; an exit status.
[[nodiscard]] int CliOpenDocument(KdxSession& session, const std::string& path, KdxAccess access,
                                  const CliPasswordSource& password, std::ostream& err);
// Writes the record tables; an exit status.
[[nodiscard]] int CliSaveDocument(KdxSession& session, std::ostream& err);

// Lists the entries as the document window does: the stored category
// selection unless cats names one (empty levels are All), the document's sort
// keys unless keys is given. Fills showIDAry; an exit status.
[[nodiscard]] int CliReloadList(KdxSession& session, std::ostream& err,
                                const std::vector<std::string>& cats = {},
                                const KDX_SORT_INFO* keys = nullptr);

// Reads a password typed at the terminal without echo, after prompt on stderr.
// False when standard input is not a terminal.
[[nodiscard]] bool CliReadPasswordFromTerminal(const char* prompt, std::string* password);

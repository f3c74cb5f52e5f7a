// Opening a document for one kdx command the way the application opens it,
// through the document session: locked against a second writer, every table
// loaded, the format version checked and the password asked for when the
// document has one. Each failure is one line on standard error.
#pragma once

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/listing/entry_sort.h"
#include "core/session/kdx_session.h"

struct KdxConsole;

// Where kdx finds the document password: a file, or a person asked at the console.
struct CliPasswordSource {
  std::string passwordFile;             // --password-file: the first line of this file
  const KdxConsole* console = nullptr;  // standard input and the terminal
};

// Opens path in session; an exit status. With convert, a document of the
// previous format opens for conversion (KdxSession::needsConversion()).
[[nodiscard]] int CliOpenDocument(KdxSession& session, const std::string& path, KdxAccess access,
                                  const CliPasswordSource& password, std::ostream& err,
                                  bool convert = false);
// Writes the record tables; an exit status.
[[nodiscard]] int CliSaveDocument(KdxSession& session, std::ostream& err);

// Lists the entries as the document window does: the stored category
// selection unless cats names one (empty levels are All), the document's sort
// keys unless keys is given. Fills showIDAry; an exit status.
[[nodiscard]] int CliReloadList(KdxSession& session, std::ostream& err,
                                const std::vector<std::string>& cats = {},
                                const KDX_SORT_INFO* keys = nullptr);

// The entries named, each once, in the order first given. Fails (one line to
// err: "no entry N", with "; nothing was changed" when changing) when any is
// missing, before anything is changed.
[[nodiscard]] bool CliFindEntries(const KdxSession& doc, const std::vector<int32_t>& ids,
                                  bool changing, std::vector<KDX_ENTRY>* entries,
                                  std::ostream& err);

// Entries picked by title and categories (--title, --cat1 to --cat3) where
// identifiers are taken.
struct CliSelection {
  std::string title;                // the whole title, exactly
  std::array<std::string, 3> cats;  // empty: any
  [[nodiscard]] bool given() const {
    return !title.empty() || !cats[0].empty() || !cats[1].empty() || !cats[2].empty();
  }
};

// ids, then every entry selection picks (in list order) that ids lacks;
// fails with one line to err when a selection was given and picks nothing.
[[nodiscard]] bool CliSelectEntries(const KdxSession& doc, const CliSelection& selection,
                                    std::vector<int32_t>* ids, std::ostream& err);

// The label given as its number (0 to 7) or its name; -1 when there is none
// such, after one line to err.
[[nodiscard]] int32_t CliFindLabel(const KDX_DATA& data, const std::string& label,
                                   std::ostream& err);

// True when a category set has these names (empty or All matching any);
// otherwise one line to err ("no such category") first.
[[nodiscard]] bool CliHasCategories(const KdxSession& doc, const std::vector<std::string>& cats,
                                    std::ostream& err);

// The first line of a password file (CR LF or LF ends it). Only a regular
// file or a pipe (as --password-file <(...) makes) is read, never a device
// or a folder; a pipe gets 10 seconds to give its line, and at most 256 bytes
// are read. False with the reason in why.
[[nodiscard]] bool CliReadPasswordFile(const std::string& path, std::string* password,
                                       std::string* why);

// Asks for a password at the console's terminal; false when there is nobody to ask.
[[nodiscard]] bool CliAskPassword(const CliPasswordSource& source, const std::string& prompt,
                                  std::string* password);

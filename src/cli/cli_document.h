// Opening a document for one kdx command the way the application opens it:
// locked against a second writer, every table loaded, the format version
// checked and the password asked for when the document has one.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/kdx_lock.h"
#include "core/listing/entry_sort.h"
#include "core/listing/note_reader.h"

// Where kdx finds the document password when it is not typed at the terminal.
struct CliPasswordSource {
  std::string passwordFile;  // --password-file: the first line of this file
};

class CliDocument {
 public:
  CliDocument();
  ~CliDocument();
  CliDocument(const CliDocument&) = delete;
  CliDocument& operator=(const CliDocument&) = delete;

  // Opens path for reading (a shared lock) or writing (an exclusive lock).
  // Returns an exit status; on failure one line went to err.
  int Open(const std::string& path, bool forWriting, const CliPasswordSource& password,
           std::ostream& err);
  // Writes the record tables; an exit status, with one line to err on failure.
  int Save(std::ostream& err);

  // Lists the entries as the document window does: the stored category
  // selection unless cats names one (empty levels are All), the document's
  // sort keys unless keys is given. Fills showIDAry; an exit status.
  int ReloadList(std::ostream& err, const std::vector<std::string>& cats = {},
                 const KDX_SORT_INFO* keys = nullptr);
  // Identifiers of the listed entries, in display order.
  std::vector<int32_t> ListedIds() const;
  // The note reader lists use: the stored note, decrypted.
  KdxNoteReader NoteReader();

  KDX_DATA* data() { return &data_; }
  const std::string& path() const { return path_; }

 private:
  KDX_DATA data_;
  KdxDocumentLock lock_;
  std::string path_;
};

// Reads a password typed at the terminal without echo, after prompt on stderr.
// False when standard input is not a terminal.
bool CliReadPasswordFromTerminal(const char* prompt, std::string* password);

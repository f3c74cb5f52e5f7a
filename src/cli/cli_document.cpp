#include "cli/cli_document.h"

#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <ostream>

#include "cli/kdx_cli.h"
#include "core/content/entry_content.h"
#include "core/content/password.h"
#include "core/content/password_store.h"
#include "core/document/entry_table.h"
#include "core/document/kdx_file.h"
#include "core/listing/category.h"
#include "core/listing/entry_list.h"
#include "core/util/vell_file.h"

namespace {

bool ReadPasswordFile(const std::string& path, std::string* password) {
  std::ifstream in(path);
  if (!in) return false;
  std::getline(in, *password);
  if (!password->empty() && password->back() == '\r') password->pop_back();
  return true;
}

}  // namespace

bool CliReadPasswordFromTerminal(const char* prompt, std::string* password) {
  if (!isatty(STDIN_FILENO)) return false;
  std::cerr << prompt << std::flush;
  termios old{};
  bool restore = tcgetattr(STDIN_FILENO, &old) == 0;
  if (restore) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::getline(std::cin, *password);
  if (restore) tcsetattr(STDIN_FILENO, TCSANOW, &old);
  std::cerr << "\n";
  return true;
}

CliDocument::CliDocument() { KDX_InitKdxData(&data_); }

CliDocument::~CliDocument() {
  KDX_FreeDocumentExtras(&data_);
  KDX_FreeKdxData(&data_);
}

int CliDocument::Open(const std::string& path, bool forWriting, const CliPasswordSource& password,
                      std::ostream& err) {
  path_ = path;
  if (!Vell_IsFileExists(path.c_str())) {
    err << "kdx: " << path << ": no such file\n";
    return kExitFailed;
  }
  switch (lock_.Acquire(path, forWriting)) {
    case KdxDocumentLock::Result::kLocked:
      break;
    case KdxDocumentLock::Result::kHeldElsewhere:
      err << "kdx: " << path << ": the document is open for writing in another program\n";
      return kExitFailed;
    case KdxDocumentLock::Result::kCannotOpen:
      err << "kdx: " << path << ": cannot be opened\n";
      return kExitFailed;
  }
  if (KDX_LoadAllData(path.c_str(), &data_) != 0) {
    err << "kdx: " << path << ": not a Kardinex document, or damaged (kdx check tells more)\n";
    return kExitFailed;
  }
  std::string version;
  switch (KDX_CheckFileVersion(&data_, &version)) {
    case KdxVersionCheck::kOpen:
      break;
    case KdxVersionCheck::kNotKardinexFile:
      err << "kdx: " << path << ": not a Kardinex document (its file information is missing)\n";
      return kExitFailed;
    case KdxVersionCheck::kConvertFromV2:
      err << "kdx: " << path << ": a document of the previous format; open it in the application "
          << "to convert it\n";
      return kExitFailed;
    case KdxVersionCheck::kNewerVersion:
      err << "kdx: " << path << ": written by a newer version (" << version << ")\n";
      return kExitFailed;
  }
  char stored[kKdxPasswordFieldSize];
  int32_t length = KDXCOMM_GetPassword(data_.envAry, stored, sizeof stored);
  if (length < 0) {
    err << "kdx: " << path << ": the stored password is damaged\n";
    return kExitFailed;
  }
  if (length > 0) {
    std::string typed;
    if (!password.passwordFile.empty()) {
      if (!ReadPasswordFile(password.passwordFile, &typed)) {
        err << "kdx: " << password.passwordFile << ": cannot be read\n";
        return kExitFailed;
      }
    } else if (!CliReadPasswordFromTerminal("Password: ", &typed)) {
      err << "kdx: " << path << ": the document has a password; give it with --password-file\n";
      return kExitFailed;
    }
    if (!KDX_PasswordMatches(typed.c_str(), stored)) {
      err << "kdx: " << path << ": wrong password\n";
      return kExitFailed;
    }
  }
  KDX_CreateDocumentExtras(&data_);
  EN_Hash_MakeEntryTable(data_.entryAry, data_.entryHash);
  return kExitOk;
}

int CliDocument::Save(std::ostream& err) {
  if (KDX_SaveAllData(path_.c_str(), &data_) != 0) {
    err << "kdx: " << path_ << ": the document could not be saved\n";
    return kExitFailed;
  }
  return kExitOk;
}

KdxNoteReader CliDocument::NoteReader() {
  KDX_DATA* data = &data_;
  return [data](int32_t id) {
    KDX_ENTRY entry;
    if (EN_Hash_GetData(data->entryAry, data->entryHash, id, &entry) < 0) return std::string();
    return KDX_GetNoteText(data->kdxFilePath.c_str(), entry);
  };
}

int CliDocument::ReloadList(std::ostream& err, const std::vector<std::string>& cats,
                            const KDX_SORT_INFO* keys) {
  KdxCategorySelection selection = KDXCOMM_LoadCategorySelections(data_);
  if (!cats.empty()) {
    for (size_t level = 0; level < 3; ++level) {
      selection.name[level] =
          level < cats.size() && !cats[level].empty() ? cats[level] : kKdxCategoryAll;
    }
  }
  if (KDXCOMM_ReloadMainLists(&data_, &selection, NoteReader(), keys) != 0) {
    err << "kdx: out of memory\n";
    return kExitFailed;
  }
  return kExitOk;
}

std::vector<int32_t> CliDocument::ListedIds() const {
  std::vector<int32_t> ids(static_cast<size_t>(Vell_Ary_GetSize(data_.showIDAry)));
  for (size_t row = 0; row < ids.size(); ++row) {
    Vell_Ary_GetData(data_.showIDAry, static_cast<int32_t>(row), &ids[row]);
  }
  return ids;
}

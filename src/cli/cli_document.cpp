#include "cli/cli_document.h"

#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <optional>
#include <ostream>

#include "cli/cli_output.h"
#include "cli/kdx_cli.h"
#include "core/listing/category.h"

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

int CliOpenDocument(KdxSession& session, const std::string& path, KdxAccess access,
                    const CliPasswordSource& password, std::ostream& err) {
  if (const std::string notFile = CliNotAFileText(path); !notFile.empty()) {
    err << "kdx: " << path << ": " << notFile << "\n";
    return kExitFailed;
  }
  // One try: kdx asks once and says so when the password is wrong.
  bool promptFailed = false;
  auto prompt = [&](int attempt) -> std::optional<std::string> {
    if (attempt > 0) return std::nullopt;
    std::string typed;
    if (!password.passwordFile.empty()) {
      if (!ReadPasswordFile(password.passwordFile, &typed)) {
        const std::string why = CliUnreadableText(password.passwordFile);
        err << "kdx: " << password.passwordFile << ": " << (why.empty() ? "cannot be read" : why)
            << "\n";
        promptFailed = true;
        return std::nullopt;
      }
    } else if (!CliReadPasswordFromTerminal("Password: ", &typed)) {
      err << "kdx: " << path << ": the document has a password; give it with --password-file\n";
      promptFailed = true;
      return std::nullopt;
    }
    return typed;
  };
  const KdxOpenResult result = session.Open(path, access, prompt);
  const std::string name = "kdx: " + path + ": ";
  // The session tells a file it cannot stat or open from one that is missing
  // or damaged only by its result; the reason (permission denied) is asked here.
  const std::string why = result == KdxOpenResult::kNoSuchFile ||
                                  result == KdxOpenResult::kCannotOpen ||
                                  result == KdxOpenResult::kDamaged
                              ? CliUnreadableText(path)
                              : std::string();
  switch (result) {
    case KdxOpenResult::kOk:
      return kExitOk;
    case KdxOpenResult::kNoSuchFile:
      err << name << (why.empty() ? "no such file" : why) << "\n";
      break;
    case KdxOpenResult::kHeldElsewhere:
      err << name << "the document is open for writing in another program\n";
      break;
    case KdxOpenResult::kCannotOpen:
      err << name << (why.empty() ? "cannot be opened" : why) << "\n";
      break;
    case KdxOpenResult::kDamaged:
      err << name
          << (why.empty() ? "not a Kardinex document, or damaged (kdx check tells more)" : why)
          << "\n";
      break;
    case KdxOpenResult::kNotKardinexFile:
      err << name << "not a Kardinex document (its file information is missing)\n";
      break;
    case KdxOpenResult::kNeedsConversion:
      err << name
          << "a document of the previous format; open it in the application to convert it\n";
      break;
    case KdxOpenResult::kNewerVersion:
      err << name << "written by a newer version (" << session.versionText() << ")\n";
      break;
    case KdxOpenResult::kPasswordDamaged:
      err << name << "the stored password is damaged\n";
      break;
    case KdxOpenResult::kPasswordRefused:
      err << name << "wrong password\n";
      break;
    case KdxOpenResult::kPasswordCancelled:
      if (!promptFailed) err << name << "the document has a password\n";
      break;
    case KdxOpenResult::kNoMemory:
      err << "kdx: out of memory\n";
      break;
  }
  return kExitFailed;
}

int CliSaveDocument(KdxSession& session, std::ostream& err) {
  if (session.Save() != 0) {
    err << "kdx: " << session.path() << ": the document could not be saved\n";
    return kExitFailed;
  }
  return kExitOk;
}

int CliReloadList(KdxSession& session, std::ostream& err, const std::vector<std::string>& cats,
                  const KDX_SORT_INFO* keys) {
  KdxCategorySelection selection = KDXCOMM_LoadCategorySelections(session.data());
  if (!cats.empty()) {
    for (size_t level = 0; level < 3; ++level) {
      selection.name[level] =
          level < cats.size() && !cats[level].empty() ? cats[level] : kKdxCategoryAll;
    }
  }
  if (session.ReloadList(&selection, keys) != 0) {
    err << "kdx: out of memory\n";
    return kExitFailed;
  }
  return kExitOk;
}

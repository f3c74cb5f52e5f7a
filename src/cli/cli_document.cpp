#include "cli/cli_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iostream>
#include <optional>
#include <ostream>
#include <thread>

#include "cli/cli_output.h"
#include "cli/kdx_cli.h"
#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/entry_table.h"
#include "core/listing/category.h"
#include "core/listing/entry_sort.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_file.h"

namespace {}  // namespace

bool CliReadPasswordFile(const std::string& path, std::string* password, std::string* why) {
  password->clear();
  // Never blocks in the open: a FIFO without a writer opens at once.
  VellUniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) {
    *why = CliUnreadableText(path);
    if (why->empty()) *why = "cannot be read";
    return false;
  }
  struct stat st {};
  const bool statOk = ::fstat(fd.get(), &st) == 0;
  const bool pipe = statOk && S_ISFIFO(st.st_mode);
  if (!statOk || !(S_ISREG(st.st_mode) || pipe)) {
    *why = statOk && S_ISDIR(st.st_mode) ? "is a folder, not a file" : "not a file";
    return false;
  }
  // The first line, at most kMaxLine bytes. A pipe (as from <(...)) gets a
  // few seconds to give it: with no writer yet it reads as ended, with a
  // writer that has not written as "again"; both are tried again shortly.
  constexpr size_t kMaxLine = 256;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::string line;
  bool ended = false;
  while (!ended && line.size() <= kMaxLine) {
    char chunk[64];
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n > 0) {
      line.append(chunk, static_cast<size_t>(n));
      ended = line.find('\n') != std::string::npos;
    } else if (pipe && line.empty() && (n == 0 || errno == EAGAIN)) {
      if (std::chrono::steady_clock::now() > deadline) {
        *why = "nothing came from it within 10 seconds";
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } else if (n == 0) {
      ended = true;
    } else if (errno != EINTR && errno != EAGAIN) {
      break;
    }
  }
  const size_t end = line.find('\n');
  if (end == std::string::npos && line.size() > kMaxLine) {
    *why = "its first line is too long to be a password";
    return false;
  }
  if (!ended) {
    *why = "cannot be read";
    return false;
  }
  line.resize(std::min(end, line.size()));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  *password = std::move(line);
  return true;
}

bool CliAskPassword(const CliPasswordSource& source, const std::string& prompt,
                    std::string* password) {
  return source.console != nullptr && source.console->askPassword &&
         source.console->askPassword(prompt, password);
}

int CliOpenDocument(KdxSession& session, const std::string& path, KdxAccess access,
                    const CliPasswordSource& password, std::ostream& err, bool convert) {
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
      std::string why;
      if (!CliReadPasswordFile(password.passwordFile, &typed, &why)) {
        err << "kdx: " << password.passwordFile << ": " << why << "\n";
        promptFailed = true;
        return std::nullopt;
      }
    } else if (!CliAskPassword(password, "Password for " + path + ": ", &typed)) {
      err << "kdx: " << path
          << ": the document has a password, and there is no terminal to ask it at; give it "
             "with --password-file\n";
      promptFailed = true;
      return std::nullopt;
    }
    return typed;
  };
  const KdxOpenResult result = session.Open(path, access, prompt, [convert] { return convert; });
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
      err << name << "a document of the previous format; kdx convert makes it current\n";
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

bool CliFindEntries(const KdxSession& doc, const std::vector<int32_t>& ids, bool changing,
                    std::vector<KDX_ENTRY>* entries, std::ostream& err) {
  std::vector<int32_t> seen;
  for (int32_t id : ids) {
    if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
    seen.push_back(id);
    std::optional<KDX_ENTRY> entry = doc.FindEntry(id);
    if (!entry) {
      err << "kdx: " << doc.path() << ": no entry " << id
          << (changing ? "; nothing was changed\n" : "\n");
      return false;
    }
    entries->push_back(*entry);
  }
  return true;
}

int32_t CliFindLabel(const KDX_DATA& data, const std::string& label, std::ostream& err) {
  KDX_COLOR_LABEL record;
  if (label.size() == 1 && label[0] >= '0' && label[0] <= '7') {
    if (CO_GetData(data.colorLabelAry, label[0] - '0', &record) == 1) return record.co_id;
  } else if (!label.empty()) {
    for (int32_t i = 0; i < data.colorLabelAry->count; ++i) {
      CO_GetData_ByIndex(data.colorLabelAry, i, &record);
      if (label == record.co_name) return record.co_id;
    }
  }
  err << "kdx: no label \"" << CliFlat(label)
      << "\" (give 0 to 7 or a label's name; kdx labels lists them)\n";
  return -1;
}

bool CliHasCategories(const KdxSession& doc, const std::vector<std::string>& cats,
                      std::ostream& err) {
  auto matches = [&cats](size_t level, const char* name) {
    return level >= cats.size() || cats[level].empty() ||
           KDXCOMM_isCategoryAll(cats[level].c_str()) || cats[level] == name;
  };
  const VELL_ARY* sets = doc.data().catSetAry;
  for (int32_t i = 0; i < sets->count; ++i) {
    KDX_CATSET set;
    CT_GetData_ByIndex(sets, i, &set);
    if (matches(0, set.ct_cat1_name) && matches(1, set.ct_cat2_name) &&
        matches(2, set.ct_cat3_name)) {
      return true;
    }
  }
  std::string named;
  for (const std::string& cat : cats) {
    if (!cat.empty()) named += (named.empty() ? "" : " / ") + CliFlat(cat);
  }
  err << "kdx: " << doc.path() << ": no such category: " << named
      << " (kdx categories lists them)\n";
  return false;
}

bool CliSelectEntries(const KdxSession& doc, const CliSelection& selection,
                      std::vector<int32_t>* ids, std::ostream& err) {
  if (!selection.given()) return true;
  const KDX_DATA& data = doc.data();
  // In list order, as the document window would list them.
  KDX_SORT_INFO keys;
  CLCOMM_InitListInfo(data.columnAry, &keys);
  std::vector<uint32_t> order;
  if (KDXCOMM_SortEntryOrder(keys, data.entryAry, doc.NoteReader(), &order) != 0) {
    err << "kdx: out of memory\n";
    return false;
  }
  bool any = false;
  for (const uint32_t i : order) {
    KDX_ENTRY entry;
    EN_GetData_ByIndex(data.entryAry, static_cast<int32_t>(i), &entry);
    const char* names[3] = {entry.en_cat1_name, entry.en_cat2_name, entry.en_cat3_name};
    bool picked = selection.title.empty() || selection.title == entry.en_title;
    for (size_t level = 0; level < 3 && picked; ++level) {
      picked = selection.cats[level].empty() || selection.cats[level] == names[level];
    }
    if (!picked) continue;
    any = true;
    if (std::find(ids->begin(), ids->end(), entry.en_id) == ids->end()) ids->push_back(entry.en_id);
  }
  if (!any) {
    err << "kdx: " << doc.path() << ": no entry has";
    if (!selection.title.empty()) err << " the title \"" << CliFlat(selection.title) << "\"";
    for (size_t level = 0; level < 3; ++level) {
      if (!selection.cats[level].empty()) {
        err << " category " << level + 1 << " \"" << CliFlat(selection.cats[level]) << "\"";
      }
    }
    err << "\n";
  }
  return any;
}

// kdx new, kdx info and kdx check: creating a document, summarising one, and
// checking its structure.
#include <iomanip>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/content/password.h"
#include "core/document/env_table.h"
#include "core/document/kdx_check.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"
#include "core/document/records.h"
#include "core/util/vell_file.h"
#include "core/util/vell_string.h"
#include "core/util/vell_time.h"

namespace {

std::string ViewDate(const char* dateChars) {
  char view[kVellViewDateSize];
  Vell_GetViewDateStringFromDataChars(dateChars, view);
  return view;
}

int RunNew(const std::string& path, std::ostream& out, std::ostream& err) {
  if (Vell_IsFileExists(path.c_str())) {
    err << "kdx: " << path << ": exists already (kdx new never overwrites a file)\n";
    return kExitFailed;
  }
  if (KdxSession::CreateFile(path) != 0) {
    err << "kdx: " << path << ": " << CliCannotCreateText(path) << "\n";
    return kExitFailed;
  }
  out << CliFlat(path) << "\n";
  return kExitOk;
}

int RunInfo(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
  // Inspecting takes no lock and asks no password: info describes a file
  // whatever state it is in.
  KdxSession session;
  if (int status = CliOpenDocument(session, path, KdxAccess::kInspect, {}, err); status != kExitOk)
    return status;
  const KDX_DATA& data = session.data();
  KDX_FILE_INFO info;
  if (EV_GetFileInfo(data.envAry, &info) == 0) {
    err << "kdx: " << path << ": not a Kardinex document (its file information is missing)\n";
    return kExitFailed;
  }
  // Counts of a file that could not be walked would show as zeros.
  KdxContainerSummary summary;
  if (KDX_SummarizeContainer(path.c_str(), &summary) != 0) {
    err << "kdx: " << path << ": cannot be opened\n";
    return kExitFailed;
  }
  auto members = [&summary](uint32_t tag) {
    for (const auto& t : summary.tags) {
      if (t.tag == tag) return t.members;
    }
    return uint64_t{0};
  };
  int32_t encrypted = 0;
  for (int32_t i = 0; i < data.entryAry->count; ++i) {
    encrypted += KDX_GetStoredEntryEncrypt(
                     static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(data.entryAry, i))) == 1;
  }
  std::string password = "none";
  uint8_t value[kKdxPasswordValueSize];
  if (EV_GetValue(data.envAry, "X08", value) == 1) {
    char stored[kKdxPasswordFieldSize];
    int32_t length = KDX_DecryptPasswordValue(value, stored, sizeof stored);
    password = length > 0 ? "set" : length == 0 ? "none" : "damaged";
  }
  std::string version;
  KdxVersionCheck check = KDX_CheckFileVersion(&data, &version);

  if (json) {
    out << CliJsonObject()
               .AddText("path", path)
               .AddText("format", info.kdxFileVersion)
               .AddText("format_state", check == KdxVersionCheck::kOpen            ? "current"
                                        : check == KdxVersionCheck::kConvertFromV2 ? "older"
                                                                                   : "newer")
               .AddText("created", ViewDate(info.createFileDate))
               .AddText("created_os", info.createOS)
               .AddText("last_saved", ViewDate(info.updateFileDate))
               .AddText("last_saved_os", info.updateOS)
               .AddNumber("entries", data.entryAry->count)
               .AddNumber("encrypted_entries", encrypted)
               .AddNumber("category_sets", data.catSetAry->count)
               .AddNumber("body_blocks", static_cast<int64_t>(members(kKdxTagBORB)))
               .AddNumber("text_blocks", static_cast<int64_t>(members(kKdxTagTEXT)))
               .AddNumber("note_blocks", static_cast<int64_t>(members(kKdxTagNORB)))
               .AddNumber("icon_blocks", static_cast<int64_t>(members(kKdxTagFIIC)))
               .AddText("password", password)
               .AddNumber("file_size", static_cast<int64_t>(summary.fileSize))
               .str()
        << "\n";
    return kExitOk;
  }
  auto row = [&out](const char* label) -> std::ostream& {
    return out << "  " << std::left << std::setw(15) << label << std::right;
  };
  out << CliFlat(path) << "\n";
  row("format") << CliFlat(info.kdxFileVersion)
                << (check == KdxVersionCheck::kOpen ? " (current)"
                    : check == KdxVersionCheck::kConvertFromV2
                        ? " (older: the application converts it)"
                        : (" (newer: needs version " + CliFlat(version) + ")").c_str())
                << "\n";
  row("created") << ViewDate(info.createFileDate) << ", " << CliFlat(info.createOS) << "\n";
  row("last saved") << ViewDate(info.updateFileDate) << ", " << CliFlat(info.updateOS) << "\n";
  row("entries") << CliCommas(static_cast<uint64_t>(data.entryAry->count));
  if (encrypted > 0) out << " (" << CliCommas(static_cast<uint64_t>(encrypted)) << " encrypted)";
  out << "\n";
  row("category sets") << CliCommas(static_cast<uint64_t>(data.catSetAry->count)) << "\n";
  row("blocks") << "body " << CliCommas(members(kKdxTagBORB)) << ", text "
                << CliCommas(members(kKdxTagTEXT)) << ", note " << CliCommas(members(kKdxTagNORB))
                << ", icon " << CliCommas(members(kKdxTagFIIC)) << "\n";
  row("password") << password << "\n";
  row("file size") << CliCommas(summary.fileSize) << " bytes";
  if (summary.walkable) {
    out << ", " << CliCommas(summary.fileSize - summary.usedBytes) << " no longer in use";
  }
  out << "\n";
  return kExitOk;
}

// Damage lines as they always were ("PATH: PROBLEM"); leftovers on lines of
// their own ("PATH: leftover: WHAT (harmless: WHY)") that a script can tell
// apart. Only damage fails the check.
int RunCheck(const std::string& path, std::ostream& out, std::ostream& err) {
  std::string why = CliUnreadableText(path);
  if (why.empty()) why = CliNotAFileText(path);
  if (!why.empty()) {
    err << "kdx: " << path << ": " << why << "\n";
    return kExitFailed;
  }
  std::vector<std::string> problems, leftovers;
  if (KDX_CheckDocument(path.c_str(), &problems, &leftovers) != 0) {
    err << "kdx: " << path << ": not a Kardinex document\n";
    return kExitFailed;
  }
  const std::string name = CliFlat(path);
  for (const std::string& p : problems) out << name << ": " << p << "\n";
  for (const std::string& l : leftovers) out << name << ": leftover: " << l << "\n";
  if (!problems.empty()) {
    err << "kdx: " << path << ": " << problems.size()
        << (problems.size() == 1 ? " problem\n" : " problems\n");
    return kExitFailed;
  }
  out << name << ": sound";
  if (!leftovers.empty()) {
    out << " (" << leftovers.size() << (leftovers.size() == 1 ? " leftover)" : " leftovers)");
  }
  out << "\n";
  return kExitOk;
}

void AddFileCommand(CLI::App& app, KdxAction* action, const char* name, const char* help,
                    int (*run)(const std::string&, std::ostream&, std::ostream&)) {
  auto* cmd = app.add_subcommand(name, help);
  auto path = std::make_shared<std::string>();
  cmd->add_option("FILE", *path, "The document file")->required();
  cmd->callback([action, path, run] {
    *action = [path, run](std::ostream& out, std::ostream& err) { return run(*path, out, err); };
  });
}

}  // namespace

void AddDocumentCommands(CLI::App& app, KdxAction* action) {
  AddFileCommand(app, action, "new", "Create an empty document (never overwrites a file)", RunNew);
  {
    auto* cmd = app.add_subcommand(
        "info", "Show a document's file information, counts, password state and size");
    auto o = std::make_shared<std::pair<std::string, bool>>();
    cmd->add_option("FILE", o->first, "The document file")->required();
    cmd->add_flag("--json", o->second, "Print one JSON object");
    cmd->callback([action, o] {
      *action = [o](std::ostream& out, std::ostream& err) {
        return RunInfo(o->first, o->second, out, err);
      };
    });
  }
  AddFileCommand(app, action, "check",
                 "Check a document's structure: links, sizes, identifiers and blocks", RunCheck);
  app.get_subcommand("check")->footer(
      "Each piece of damage is one line \"FILE: PROBLEM\". Harmless leftovers (blocks of "
      "entries that no longer exist, identifier counters the next save repairs) are lines "
      "\"FILE: leftover: ...\". Exit status 0 when there is no damage (the last line is "
      "\"FILE: sound\", with the number of leftovers), 1 when there is.");
}

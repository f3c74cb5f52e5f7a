// kdx inspect FILE: the tags of a document file in list order, with member
// counts and sizes, and whether its structure can be walked from end to end.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/container/rez.h"

namespace {

std::string TagName(uint32_t tag) {
  std::string name;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((tag >> shift) & 0xFF);
    if (c < 0x20 || c > 0x7E) {
      std::ostringstream hex;
      hex << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << tag;
      return hex.str();
    }
    name += c;
  }
  return name;
}

struct TagSummary {
  uint32_t tag;
  uint64_t members = 0;
  uint64_t bytes = 0;
};

int RunInspect(const std::string& path, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    err << "kdx: " << path << ": no such file\n";
    return kExitFailed;
  }
  REZ_FILE file;
  errno = 0;
  int32_t status = REZ_Open(path.c_str(), 1, &file);
  if (status == REZ_ERR_ARGUMENT && errno != 0) {
    err << "kdx: " << path << ": cannot be opened (" << std::strerror(errno) << ")\n";
    return kExitFailed;
  }
  if (status != REZ_OK) {
    err << "kdx: " << path << ": not a Kardinex document\n";
    return kExitFailed;
  }

  std::vector<TagSummary> tags;
  uint64_t steps = REZ_MaxChainSteps(&file);
  uint64_t used = kRezFirstMemberPosition;
  status = REZ_FirstTag(&file);
  while (status == REZ_OK) {
    TagSummary summary{file.current.tag};
    do {
      ++summary.members;
      summary.bytes += file.current.dataLength;
      if (steps-- == 0) {
        status = REZ_ERR_NO_MEMBER;
        break;
      }
      status = REZ_NextMember(&file);
    } while (status == REZ_OK);
    if (status != REZ_ERR_NO_MEMBER || file.current.nextMember != kRezNoLink) break;
    used += summary.members * kRezHeaderSize + summary.bytes;
    tags.push_back(summary);
    status = REZ_NextTag(&file);
  }
  uint64_t size = file.stream->Size();
  REZ_Close(&file);
  if (status != REZ_ERR_NO_TAG) {
    err << "kdx: " << path << ": the document is damaged (its structure cannot be walked, code "
        << status << ")\n";
    return kExitFailed;
  }

  out << path << "\n";
  out << "  size " << size << " bytes, " << (size - used) << " of them no longer in use\n";
  out << "  " << tags.size() << (tags.size() == 1 ? " tag\n" : " tags\n");
  for (const auto& t : tags) {
    out << "  " << std::left << std::setw(10) << TagName(t.tag) << std::right << std::setw(10)
        << t.members << (t.members == 1 ? " member " : " members") << std::setw(14) << t.bytes
        << " bytes\n";
  }
  return kExitOk;
}

}  // namespace

void AddInspectCommand(CLI::App& app, KdxAction* action) {
  auto* cmd = app.add_subcommand(
      "inspect", "Show the tags of a document file with their member counts and sizes");
  auto path = std::make_shared<std::string>();
  cmd->add_option("FILE", *path, "The document file")->required();
  cmd->callback([action, path] {
    *action = [path](std::ostream& out, std::ostream& err) { return RunInspect(*path, out, err); };
  });
}

#include "cli/cli_progress.h"

#include <unistd.h>

#include <ostream>

#include "cli/cli_output.h"
#include "cli/kdx_cli.h"

namespace {

// Keeps a progress line within a usual terminal width, cut at a character.
std::string Shorten(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t start = text.size() - maxBytes;
  while (start < text.size() && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) ++start;
  return "..." + text.substr(start);
}

}  // namespace

bool CliStderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

KdxTransferProgress CliMakeProgress(std::ostream& err, bool isTerminal) {
  KdxTransferProgress progress;
  if (!isTerminal) return progress;
  progress.phase = [&err](const std::string& message) {
    err << "\r\033[K" << message << std::flush;
  };
  progress.item = [&err](const std::string& name, int64_t done, int64_t total) {
    err << "\r\033[K";
    if (total > 0) {
      err << "[" << done << "/" << total << "] ";
    } else {
      err << "[" << done << "] ";
    }
    err << Shorten(CliFlat(name), 60) << std::flush;
  };
  return progress;
}

void CliEndProgress(std::ostream& err, bool isTerminal) {
  if (isTerminal) err << "\r\033[K" << std::flush;
}

int CliReportTransfer(const KdxTransferResult& result, const std::string& verb, std::ostream& out,
                      std::ostream& err) {
  for (const KdxTransferFailure& f : result.failures) {
    err << "kdx: " << CliFlat(f.item) << ": " << f.reason << "\n";
  }
  for (const KdxTransferFailure& s : result.skippedItems) {
    err << "kdx: skipped: " << CliFlat(s.item) << ": " << s.reason << "\n";
  }
  for (const KdxTransferFailure& w : result.warnings) {
    err << "kdx: warning: " << CliFlat(w.item) << ": " << w.reason << "\n";
  }
  out << verb << " " << result.succeeded << ", failed " << result.failed;
  if (result.skipped > 0) out << ", skipped " << result.skipped;
  out << "\n";
  return result.failed > 0 || result.cancelled ? kExitFailed : kExitOk;
}

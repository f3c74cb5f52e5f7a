// Compaction beside cp: the time to write a document afresh (with its checks,
// syncs and rename) against copying the same file with cp, and the peak
// memory of each, measured in a child process of its own.
//
//   compact_bench [ENTRIES [DOCUMENT]]
//
// Writes a sample document of ENTRIES entries (100,000 by default) into the
// temporary folder, or uses DOCUMENT when given (it is compacted in place).
// Before timing, a tenth of the entries get a text that outgrows its block,
// so that the file carries dead space as a used document does.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/content/entry_content.h"
#include "core/document/kdx_check.h"
#include "core/session/kdx_session.h"
#include "sample_document.h"

namespace {

struct Run {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system time: what the run cost whatever else the machine does
  long peakKiB = 0;
  bool ok = false;
};

double SecondsOf(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// The CPU time this process has used so far.
double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime);
}

// Runs work in a child process: its wall time and peak resident set.
Run InChild(const std::function<bool()>& work) {
  const auto start = std::chrono::steady_clock::now();
  std::fflush(stdout);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const bool ok = work();
    std::fflush(stdout);
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  Run run;
  if (pid > 0 && ::wait4(pid, &status, 0, &usage) == pid) {
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakKiB = usage.ru_maxrss;
    run.cpuSeconds = SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime);
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}

bool Exec(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  ::execvp(argv[0], argv.data());
  return false;
}

// Compacts the document, printing how long each step took when breakdown is set.
bool Compact(const std::string& path, uint64_t* reclaimed, bool breakdown) {
  using Clock = std::chrono::steady_clock;
  auto last = Clock::now();
  double lastCpu = CpuSeconds();
  auto lap = [&](const char* what) {
    const auto now = Clock::now();
    const double cpu = CpuSeconds();
    if (breakdown) {
      std::printf("  %-28s %8.3f s wall %8.3f s CPU\n", what,
                  std::chrono::duration<double>(now - last).count(), cpu - lastCpu);
    }
    last = now;
    lastCpu = cpu;
  };
  KdxSession session;
  if (session.Open(path, KdxAccess::kWrite) != KdxOpenResult::kOk) return false;
  lap("opening the document");
  KdxCompactReport report;
  // The hook is asked before each step: each lap is the step before it.
  const char* names[] = {"preparing", "planning and writing", "syncing the copy",
                         "checking the copy"};
  const bool ok = session.Compact(&report, [&](KdxCompactStep step, const std::string&) {
    lap(names[static_cast<int>(step)]);
    return true;
  }) == KdxCompactResult::kOk;
  lap("renaming, reopening");
  *reclaimed = report.reclaimed();
  return ok;
}

// Grows the text of every tenth entry past its block, leaving the old block
// behind as dead space.
bool AddDeadSpace(const std::string& path) {
  KdxSession session;
  if (session.Open(path, KdxAccess::kWrite) != KdxOpenResult::kOk) return false;
  const std::vector<int32_t> ids = session.EntryIds();
  for (size_t i = 0; i < ids.size(); i += 10) {
    const KDX_ENTRY entry = *session.FindEntry(ids[i]);
    std::string text;
    if (KDX_LoadBlockText(path.c_str(), entry, KdxBlockKind::kText, &text) < 0) return false;
    text += std::string(2048, 'x');
    if (KDX_TX_Save(session.EditDirectly(), entry, 1024, static_cast<int32_t>(text.size()),
                    text.data()) != 0) {
      return false;
    }
  }
  return session.Save() == 0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const long entries = argc >= 2 ? std::strtol(argv[1], nullptr, 10) : 100000;
  std::string path;
  if (argc >= 3) {
    path = argv[2];
  } else {
    path = (std::filesystem::temp_directory_path() /
            ("kdx-compact-bench-" + std::to_string(getpid()) + ".kdx"))
               .string();
    std::printf("writing a sample document of %ld entries...\n", entries);
    if (KdxWriteSampleDocument(path, static_cast<int32_t>(entries)) != 0 || !AddDeadSpace(path)) {
      std::fprintf(stderr, "cannot write the sample document %s\n", path.c_str());
      return 1;
    }
  }
  const std::string copy = path + ".cp";
  KdxContainerSummary summary;
  if (KDX_SummarizeContainer(path.c_str(), &summary) != 0) return 1;
  std::printf("document: %s, %.1f MB, %.1f MB no longer in use\n", path.c_str(),
              static_cast<double>(summary.fileSize) / 1e6,
              static_cast<double>(summary.fileSize - summary.usedBytes) / 1e6);

  // Three rounds each, the file in the page cache for all of them (the first
  // cp reads it in). Each compaction after the first has nothing to reclaim
  // but copies, checks and syncs everything the same.
  std::vector<Run> cps, cpSyncs, compacts;
  std::filesystem::remove(copy);
  InChild([&] { return Exec({"cp", path, copy}); });
  for (int round = 0; round < 3; ++round) {
    std::filesystem::remove(copy);
    cps.push_back(InChild([&] { return Exec({"cp", path, copy}); }));
    std::filesystem::remove(copy);
    cpSyncs.push_back(InChild([&] {
      return Exec({"sh", "-c", "cp \"$0\" \"$1\" && sync \"$1\"", path, copy});
    }));
    if (round == 0) std::printf("compaction, step by step:\n");
    uint64_t got = 0;
    compacts.push_back(InChild([&] { return Compact(path, &got, round == 0); }));
    if (!cps.back().ok || !cpSyncs.back().ok || !compacts.back().ok) {
      std::fprintf(stderr, "round %d failed\n", round);
      return 1;
    }
  }
  std::filesystem::remove(copy);
  if (KDX_SummarizeContainer(path.c_str(), &summary) != 0) return 1;
  auto median = [](const std::vector<Run>& runs, double Run::*field) {
    std::vector<double> v;
    for (const Run& r : runs) v.push_back(r.*field);
    return Median(v);
  };
  auto peak = [](const std::vector<Run>& runs) {
    long most = 0;
    for (const Run& r : runs) most = std::max(most, r.peakKiB);
    return static_cast<double>(most) / 1024;
  };
  std::printf("%-16s %12s %12s %12s\n", "(median of 3)", "wall s", "CPU s", "peak RSS MB");
  const std::pair<const char*, const std::vector<Run>*> rows[] = {
      {"cp", &cps}, {"cp + sync", &cpSyncs}, {"kdx compaction", &compacts}};
  for (const auto& [name, runs] : rows) {
    std::printf("%-16s %12.3f %12.3f %12.1f\n", name, median(*runs, &Run::seconds),
                median(*runs, &Run::cpuSeconds), peak(*runs));
  }
  std::printf(
      "compaction / cp, wall: %.2f (target at most 3), CPU: %.2f; / (cp + sync), wall: %.2f\n",
      median(compacts, &Run::seconds) / median(cps, &Run::seconds),
      median(compacts, &Run::cpuSeconds) / median(cps, &Run::cpuSeconds),
      median(compacts, &Run::seconds) / median(cpSyncs, &Run::seconds));
  std::printf("no longer in use afterwards: %llu bytes\n",
              static_cast<unsigned long long>(summary.fileSize - summary.usedBytes));
  if (argc < 3) std::filesystem::remove(path);
  return 0;
}

// search_bench [ENTRIES...]: the search over sample documents of about 4 KB of
// Japanese and ASCII text per entry (default 10,000 and 100,000 entries), one
// plain and one with 10% of the entries encrypted, beside `grep -c -i -F` over
// the same texts written to one flat file. Each time is the best of five runs
// on a warm page cache. The documents are kept in the temporary folder between
// runs.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/document/entry_table.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"
#include "core/search/search_engine.h"
#include "core/session/kdx_session.h"
#include "sample_document.h"

extern char** environ;

namespace {

constexpr int kRuns = 5;
constexpr int32_t kTextBytes = 4096;

struct Sample {
  std::string document;
  std::string flat;  // the plain texts, one after another
};

// Writes (once) the document and its flat text file.
Sample MakeSample(int32_t entries, int32_t encryptedPercent) {
  const auto dir = std::filesystem::temp_directory_path();
  const std::string stem =
      "kdx-search-sample-" + std::to_string(entries) + "-" + std::to_string(encryptedPercent);
  Sample s{(dir / (stem + ".kdx")).string(), (dir / (stem + ".txt")).string()};
  if (std::filesystem::exists(s.document) && std::filesystem::exists(s.flat)) return s;
  const std::string partial = s.document + "." + std::to_string(getpid());
  std::filesystem::remove(partial);
  std::ofstream flat(s.flat + ".partial", std::ios::binary | std::ios::trunc);
  KdxSampleOptions options;
  options.textBytes = kTextBytes;
  options.encryptedPercent = encryptedPercent;
  options.onText = [&flat](int32_t, const std::string& text) { flat << text << '\n'; };
  if (KdxWriteSampleDocument(partial, entries, 7, options) != 0 || !flat.flush()) {
    std::fprintf(stderr, "cannot write the sample %s\n", partial.c_str());
    std::exit(1);
  }
  flat.close();
  std::filesystem::rename(s.flat + ".partial", s.flat);
  std::filesystem::rename(partial, s.document);
  return s;
}

template <typename F>
double BestMs(F&& run) {
  double best = 1e30;
  run();  // warms the page cache
  for (int i = 0; i < kRuns; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - t0;
    if (ms.count() < best) best = ms.count();
  }
  return best;
}

// grep -c -i -F word file, in the C locale (where -i folds ASCII letters only,
// the rule of our search). Its output goes to a file: GNU grep stops at the
// first match when it writes to /dev/null.
void Grep(const std::string& word, const std::string& file) {
  const std::string output = file + ".count";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> args = {"grep", "-c", "-i", "-F", "--", word, file};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings = {"LC_ALL=C", "PATH=/usr/bin:/bin"};
  std::vector<char*> env;
  for (std::string& e : envStrings) env.push_back(e.data());
  env.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, "grep", &actions, nullptr, argv.data(), env.data()) == 0) {
    int status;
    waitpid(pid, &status, 0);
  }
  posix_spawn_file_actions_destroy(&actions);
}

struct Query {
  const char* label;
  const char* text;
  int32_t mode;
  const char* grepWord;  // null: no grep column
};

const Query kQueries[] = {
    {"one word", "議事録", kKdxSearchPhrase, "議事録"},
    {"one word, ASCII", "LINUX", kKdxSearchPhrase, "LINUX"},
    {"three words, all", "議事録 linux 東京", kKdxSearchAllWords, nullptr},
    {"three words, any", "議事録 linux 東京", kKdxSearchAnyWord, nullptr},
    {"a miss", "存在しない語", kKdxSearchPhrase, "存在しない語"},
};

void RunDocument(int32_t entries, int32_t encryptedPercent) {
  const Sample s = MakeSample(entries, encryptedPercent);
  KdxSession session;
  if (session.Open(s.document, KdxAccess::kRead) != KdxOpenResult::kOk) {
    std::fprintf(stderr, "cannot load %s\n", s.document.c_str());
    std::exit(1);
  }
  const KDX_DATA& data = session.data();
  std::vector<KDX_FOUND_RESULT> results;
  for (const Query& q : kQueries) {
    int32_t found = 0;
    const double ours = BestMs([&] {
      if (KDX_SearchEntries(&data, q.text, q.mode, kKdxSearchBody, {}, results, nullptr) != 0)
        std::exit(1);
      found = static_cast<int32_t>(results.size());
    });
    std::printf("| %7d | %3d%% | %-17s | %7d | %9.1f |", entries, encryptedPercent, q.label, found,
                ours);
    if (q.grepWord != nullptr) {
      const double grep = BestMs([&] { Grep(q.grepWord, s.flat); });
      std::printf(" %9.1f | %5.2f |\n", grep, ours / grep);
    } else {
      std::printf(" %9s | %5s |\n", "", "");
    }
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int32_t> sizes;
  for (int i = 1; i < argc; ++i)
    sizes.push_back(static_cast<int32_t>(std::strtol(argv[i], nullptr, 10)));
  if (sizes.empty()) sizes = {10000, 100000};
  std::printf("| entries | enc. | query             | results | ours (ms) | grep (ms) | ratio |\n");
  std::printf("|--------:|-----:|-------------------|--------:|----------:|----------:|------:|\n");
  for (int32_t entries : sizes) {
    RunDocument(entries, 0);
    RunDocument(entries, 10);
  }
  return 0;
}

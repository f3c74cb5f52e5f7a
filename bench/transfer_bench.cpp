// Moving a folder of notes in and out: 10,000 small text files (1 to 8 KB of
// Japanese and ASCII in UTF-8, Shift JIS, EUC-JP and ISO-2022-JP, in a few
// subfolders) imported into a new document and exported again, beside the
// time `cat` and plain read() calls take to read the same files.
//
//   transfer_bench [FILES]    (default 10000; the files are made once and kept
//                              under $TMPDIR/kdx-transfer-bench-FILES)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"
#include "core/session/kdx_session.h"
#include "core/util/vell_encoding.h"
#include "transfer/export_files.h"
#include "transfer/file_import.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of this process so far (user + system), in seconds.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Lines every one of the four encodings can hold.
const char* const kLines[] = {
    "今日の会議では来年度の予算について話し合った。",
    "メモ：資料を金曜日までに用意すること。",
    "The quick brown fox jumps over the lazy dog 1234567890.",
    "ひらがなとカタカナと漢字がまじった文章です。",
    "東京、大阪、名古屋の支店から報告が届いた。",
    "TODO: check the numbers in section 3 (売上) again.",
    "読書記録：夏目漱石『こころ』を読み終えた。",
};
const char* const kEncodings[] = {kVellEncodingUTF8, kVellEncodingSJIS, kVellEncodingEUC,
                                  kVellEncodingISO2022JP};

// The corpus folder, made on the first run.
std::vector<std::string> MakeCorpus(const fs::path& root, int count) {
  std::vector<std::string> files;
  const bool made = fs::exists(root / ".complete");
  std::mt19937 random(42);
  for (int i = 0; i < count; ++i) {
    const fs::path folder =
        root / ("folder" + std::to_string(i % 8)) / ("sub" + std::to_string(i % 3));
    const fs::path file = folder / ("note" + std::to_string(i) + ".txt");
    files.push_back(file.string());
    if (made) continue;
    fs::create_directories(folder);
    const size_t target = 1024 + random() % (7 * 1024);
    std::string text;
    while (text.size() < target) {
      text += kLines[random() % std::size(kLines)];
      text += "\n";
    }
    std::string bytes;
    if (Vell_EncodeFromUTF8(text, kEncodings[i % 4], bytes) != kVellEncOk) std::abort();
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  if (!made) std::ofstream(root / ".complete") << "ok\n";
  return files;
}

// `cat` over the files in batches, its output thrown away.
double TimeCat(const std::vector<std::string>& files) {
  const auto start = Clock::now();
  for (size_t at = 0; at < files.size(); at += 1000) {
    std::vector<char*> argv{const_cast<char*>("cat")};
    for (size_t i = at; i < std::min(files.size(), at + 1000); ++i) {
      argv.push_back(const_cast<char*>(files[i].c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "cat", &actions, nullptr, argv.data(), environ) == 0) {
      int status = 0;
      waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
  }
  return Seconds(start);
}

double TimeRead(const std::vector<std::string>& files) {
  const auto start = Clock::now();
  std::vector<char> buffer(1 << 16);
  for (const std::string& file : files) {
    const int fd = open(file.c_str(), O_RDONLY);
    if (fd < 0) continue;
    while (read(fd, buffer.data(), buffer.size()) > 0) {
    }
    close(fd);
  }
  return Seconds(start);
}

// One line of the table; cpu is the processor time of our own process (the
// spawned cat's is not counted), negative when not measured.
void Row(const char* what, size_t files, double seconds, double cpu = -1) {
  std::printf("%-34s %8.3f s %10.0f files/s", what, seconds, static_cast<double>(files) / seconds);
  if (cpu >= 0) std::printf("   (cpu %.3f s)", cpu);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  const fs::path root = fs::temp_directory_path() / ("kdx-transfer-bench-" + std::to_string(count));
  const std::vector<std::string> files = MakeCorpus(root / "corpus", count);
  const fs::path work = root / "work";
  fs::remove_all(work);
  fs::create_directories(work / "out");
  const std::string docPath = (work / "bench.kdx").string();

  std::printf("%zu text files under %s\n", files.size(), (root / "corpus").c_str());
  Row("cat (spawned, 1,000 files a run)", files.size(), TimeCat(files));
  double cpu = 0;
  cpu = CpuSeconds();
  const double readSeconds = TimeRead(files);
  Row("open/read/close", files.size(), readSeconds, CpuSeconds() - cpu);

  KdxSession session;
  if (KdxSession::CreateFile(docPath) != 0 ||
      session.Open(docPath, KdxAccess::kWrite) != KdxOpenResult::kOk) {
    std::fprintf(stderr, "cannot create %s\n", docPath.c_str());
    return 1;
  }
  KdxImportSettings settings = KDX_ReadImportSettings();
  settings.extensions = {"txt"};
  settings.importAll = 0;
  std::vector<int32_t> ids;
  auto start = Clock::now();
  cpu = CpuSeconds();
  const KdxTransferResult imported =
      KDX_ImportFolder(session.EditDirectly(), (root / "corpus").string(), settings, {}, &ids);
  const int32_t saved = session.Save();
  Row("import folder + save", static_cast<size_t>(imported.succeeded), Seconds(start),
      CpuSeconds() - cpu);
  if (imported.failed != 0 || saved != 0) {
    std::fprintf(stderr, "import: %lld failed, save %d\n", static_cast<long long>(imported.failed),
                 saved);
  }

  start = Clock::now();
  cpu = CpuSeconds();
  const KdxTransferResult exported = KDX_ExportEntries(
      session.EditDirectly(), ids, (work / "out").string(), KdxExportFormat::files, {});
  if (session.Save() != 0) std::fprintf(stderr, "export: the document could not be saved\n");
  Row("export files + save", static_cast<size_t>(exported.succeeded), Seconds(start),
      CpuSeconds() - cpu);
  if (exported.failed != 0) {
    std::fprintf(stderr, "export: %lld failed\n", static_cast<long long>(exported.failed));
  }
  std::printf("document: %.1f MB\n", static_cast<double>(fs::file_size(docPath)) / 1e6);
  session.Close();
  fs::remove_all(work);
  return 0;
}

// The search window at 100,000 entries (offscreen): from the Return in the
// document's search field to the result list painted, for a word every entry
// holds, a word some hold and a word none holds. The sample is search_bench's
// (about 4 KB of text per entry), copied, so that the window's saves leave
// the cached sample alone. Prints the median of five runs per word, each run
// too, and the machine's load average before and after.
//
//   search_window_bench [DOCUMENT]
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/prefs/pref_rez.h"
#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/kdx_application.h"
#include "gui/app/localization.h"
#include "gui/app/search_window.h"
#include "sample_document.h"
#include "window_bench.h"

namespace {

namespace fs = std::filesystem;
constexpr int32_t kEntries = 100000;
constexpr int kRuns = 5;

std::string SamplePath() {
  const fs::path path =
      fs::temp_directory_path() / ("kdx-search-sample-" + std::to_string(kEntries) + "-0.kdx");
  if (fs::exists(path)) return path.string();
  const std::string partial = path.string() + ".window";
  fs::remove(partial);
  KdxSampleOptions options;
  options.textBytes = 4096;
  if (KdxWriteSampleDocument(partial, kEntries, 7, options) != 0) {
    std::fprintf(stderr, "cannot write the sample document %s\n", partial.c_str());
    std::exit(1);
  }
  fs::rename(partial, path);
  return path.string();
}

double CpuMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const fs::path work = KdxBenchPrepareWindows("kdx-search-window-bench");
  const std::string path = (work / "bench.kdx").string();
  fs::remove(path);
  fs::copy_file(argc > 1 ? argv[1] : SamplePath(), path);
  std::printf("load average before: %s\n", LoadAverage().c_str());

  KdxApplication controller;
  controller.setStartupWhenEmpty(false);
  KdxDocument* document = controller.OpenDocument(QString::fromStdString(path));
  if (document == nullptr) return 1;
  (void)QTest::qWaitForWindowExposed(document);

  struct Query {
    const char* what;
    const char* word;
  };
  const Query queries[] = {{"a word every entry holds", "議事録"},
                           {"a phrase few entries hold", "議事録、Linux、東京"},
                           {"a word no entry holds", "存在しない語"}};
  for (const Query& query : queries) {
    std::vector<double> ms;
    std::vector<double> cpu;
    size_t found = 0;
    for (int run = 0; run < kRuns; ++run) {
      QElapsedTimer timer;
      timer.start();
      const double cpuStart = CpuMs();
      document->searchField()->setText(QString::fromUtf8(query.word));
      document->OnFindButton();
      AllFindWindow* window = document->searchWindow();
      if (window == nullptr) return 1;
      window->repaint();
      QApplication::processEvents();
      ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
      cpu.push_back(CpuMs() - cpuStart);
      found = window->results().size();
    }
    std::printf("%-28s %7zu found %8.1f ms, processor %6.1f ms  (median of %d; runs", query.what,
                found, KdxBenchMedian(ms), KdxBenchMedian(cpu), kRuns);
    for (const double run : ms) std::printf(" %.0f", run);
    std::printf(")\n");
  }
  std::printf("load average after:  %s\n", LoadAverage().c_str());
  document->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  fs::remove(path);
  return 0;
}

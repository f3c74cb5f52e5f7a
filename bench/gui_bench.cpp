// The document window at 100,000 entries, measured as a user meets it: from
// opening the file to the entry list painted, a category click that narrows
// the list (rebuild, save, repaint), and a header click that re-sorts it.
// Prints one line per measurement (milliseconds, median of the runs), and the
// bytes a header click writes (its save, journal included).
//
//   gui_bench [DOCUMENT]   (default: the cached 100,000-entry sample, copied)
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QListView>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/prefs/pref_rez.h"
#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/kdx_application.h"
#include "gui/app/localization.h"
#include "sample_document.h"

namespace {

namespace fs = std::filesystem;
constexpr int32_t kEntries = 100000;
constexpr int kRuns = 5;

// The sample the listing benchmark keeps too, written once.
std::string SamplePath() {
  const fs::path path =
      fs::temp_directory_path() / ("kdx-bench-sample-" + std::to_string(kEntries) + ".kdx");
  if (fs::exists(path)) return path.string();
  const std::string partial = path.string() + ".gui";
  fs::remove(partial);
  if (KdxWriteSampleDocument(partial, kEntries) != 0) {
    std::fprintf(stderr, "cannot write the sample document %s\n", partial.c_str());
    std::exit(1);
  }
  fs::rename(partial, path);
  return path.string();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void Report(const char* what, const std::vector<double>& ms) {
  // Each run too: the first run in the process pays for its fresh memory.
  std::printf("%-44s %8.1f ms  (median of %zu; runs", what, Median(ms), ms.size());
  for (const double run : ms) std::printf(" %.0f", run);
  std::printf(")\n");
}

// Bytes this process has written so far (write calls of every kind).
long long BytesWritten() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value) {
    if (key == "wchar:") return value;
  }
  return -1;
}

// Paints the window now, as the screen would.
void Paint(KdxDocument* window) {
  window->repaint();
  QApplication::processEvents();
}

}  // namespace

bool FlushToDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  KdxInstallLocalization();
  KdxSetAlertHookForTest([](KdxAlertKind, const QString& text) {
    std::fprintf(stderr, "alert: %s\n", text.toUtf8().constData());
    return 1;
  });
  const fs::path work = fs::temp_directory_path() / "kdx-gui-bench";
  fs::create_directories(work);
  setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
  (void)PREF_PrepareREZFile(kPrefREZVersion);
  const std::string source = argc > 1 ? argv[1] : SamplePath();
  const std::string path = (work / "bench.kdx").string();
  fs::remove(path);
  fs::copy_file(source, path);
  // The copy's pages reach the disk before the clock starts: otherwise the
  // first save's sync writes the whole fresh copy and is timed as a click.
  if (!FlushToDisk(path)) return 1;

  KdxApplication controller;
  controller.setStartupWhenEmpty(false);
  std::vector<double> open, narrow, widen, sortClick, sortBytes;
  for (int run = 0; run < kRuns; ++run) {
    QElapsedTimer timer;
    timer.start();
    KdxDocument* window = controller.OpenDocument(QString::fromStdString(path));
    if (window == nullptr) return 1;
    (void)QTest::qWaitForWindowExposed(window);
    Paint(window);
    open.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

    QListView* list = window->categoryList(1);
    for (int row : {1, 0}) {
      const QModelIndex index = list->model()->index(row, 0);
      timer.restart();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
      Paint(window);
      (row == 1 ? narrow : widen).push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    QHeaderView* header = window->entryList()->horizontalHeader();
    const int section = std::min(2, header->count() - 1);
    const long long written = BytesWritten();
    timer.restart();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(section) + 8, header->height() / 2));
    Paint(window);
    sortClick.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    sortBytes.push_back(static_cast<double>(BytesWritten() - written));
    if (run == 0) {
      std::printf("%d entries shown, %lld cell reads for the first paints\n",
                  window->entryList()->model()->rowCount(),
                  static_cast<long long>(window->entryModel()->documentReads()));
    }
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  Report("open to entry list painted", open);
  Report("category click narrowing (with save)", narrow);
  Report("category click back to All (with save)", widen);
  Report("header click re-sorting (with save)", sortClick);
  std::printf("%-44s %8.0f bytes (median of %zu)\n", "written by the header click",
              Median(sortBytes), sortBytes.size());
  fs::remove(path);
  return 0;
}

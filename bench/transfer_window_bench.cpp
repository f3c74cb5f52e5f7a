// The document window's import and export as a user runs them (offscreen):
//
// - importing a folder of many small files through the window (worker,
//   progress dialog, saves, list rebuild) against the plain transfer call on
//   the same folder into a fresh document: the window's share of the time;
// - cancelling an export of many entries: the time from the click on
//   キャンセル to the dialog gone, and to the command's end (the entries'
//   last-used dates saved, the list rebuilt).
//
//   transfer_window_bench [FILES]   (default 10,000)
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/prefs/pref_rez.h"
#include "core/session/kdx_session.h"
#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/import_export_commands.h"
#include "gui/app/kdx_application.h"
#include "gui/app/localization.h"
#include "gui/app/progress_dialog.h"
#include "transfer/file_import.h"
#include "window_bench.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRuns = 3;

void MakeFolder(const fs::path& folder, int files) {
  if (fs::exists(folder / "done")) return;
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (int i = 0; i < files; ++i) {
    std::ofstream(folder / ("メモ" + std::to_string(i) + ".txt"))
        << "小さな覚え書き " << i << "\n二行目の本文です。\n";
  }
  std::ofstream(folder / "done.dat") << "";
  fs::rename(folder / "done.dat", folder / "done");
}

std::string FreshDocument(const fs::path& work, const char* name) {
  const std::string path = (work / name).string();
  fs::remove(path);
  if (KdxSession::CreateFile(path) != 0) {
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
    std::exit(1);
  }
  return path;
}

double Ms(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

double Plain(const fs::path& work, const std::string& folder) {
  const std::string path = FreshDocument(work, "plain.kdx");
  KdxSession doc;
  if (doc.Open(path, KdxAccess::kWrite) != KdxOpenResult::kOk) std::exit(1);
  QElapsedTimer timer;
  timer.start();
  KdxTransferProgress progress;
  bool saveFailed = false;
  progress.checkpoint = KdxSaveEvery(
      kKdxImportSaveEvery, [&] { return doc.Save(); }, &saveFailed);
  const KdxTransferResult result =
      KDX_ImportFolder(doc.EditDirectly(), folder, KDX_ReadImportSettings(), progress);
  const double ms = Ms(timer);
  std::fprintf(stderr, "  plain: %lld imported\n", static_cast<long long>(result.succeeded));
  doc.Close();
  return ms;
}

double Window(KdxApplication& controller, const fs::path& work, const std::string& folder) {
  const std::string path = FreshDocument(work, "window.kdx");
  KdxDocument* window = controller.OpenDocument(QString::fromStdString(path));
  if (window == nullptr) std::exit(1);
  (void)QTest::qWaitForWindowExposed(window);
  QElapsedTimer timer;
  timer.start();
  KdxImportChosenFolder(window, folder, false);
  const double ms = Ms(timer);
  std::fprintf(stderr, "  window: %d rows\n", window->entryModel()->rowCount());
  window->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return ms;
}

struct Cancelled {
  double dialogGone = -1;
  double commandDone = -1;
};

// Exports every entry of the document at path as UTF-8 text and cancels after
// delayMs: the milliseconds from the click to the dialog closing and to the
// command's end.
Cancelled CancelExport(KdxApplication& controller, const std::string& path, const fs::path& out,
                       int delayMs) {
  KdxDocument* window = controller.OpenDocument(QString::fromStdString(path));
  if (window == nullptr) std::exit(1);
  (void)QTest::qWaitForWindowExposed(window);
  window->entryList()->selectAll();
  fs::remove_all(out);
  fs::create_directories(out);
  QElapsedTimer clicked;
  Cancelled times;
  QTimer::singleShot(delayMs, [&] {
    auto* dialog = qobject_cast<ProgressDlg*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    QObject::connect(dialog, &QDialog::finished, [&] { times.dialogGone = Ms(clicked); });
    clicked.start();
    dialog->findChild<QPushButton*>(QStringLiteral("m_ButtonCancel"))->click();
  });
  KdxExportSelectedTo(window, kKdxExportCommands[5], out.string());
  if (clicked.isValid()) times.commandDone = Ms(clicked);
  long files = 0;
  for ([[maybe_unused]] const auto& item : fs::directory_iterator(out)) ++files;
  std::fprintf(stderr, "  cancelled export: %ld of %d files written\n", files,
               window->entryModel()->rowCount());
  window->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  const fs::path work = KdxBenchPrepareWindows("kdx-transfer-window-bench");
  const fs::path folder = work / ("files-" + std::to_string(files));
  MakeFolder(folder, files);

  KdxApplication controller;
  controller.setStartupWhenEmpty(false);
  std::vector<double> plain, window;
  for (int run = 0; run < kRuns; ++run) {
    // Alternating which goes first, so that neither always meets a warm cache.
    if (run % 2 == 0) {
      plain.push_back(Plain(work, folder.string()));
      window.push_back(Window(controller, work, folder.string()));
    } else {
      window.push_back(Window(controller, work, folder.string()));
      plain.push_back(Plain(work, folder.string()));
    }
  }
  const double p = KdxBenchMedian(plain);
  const double w = KdxBenchMedian(window);
  std::printf("import %d files: plain %.0f ms, window %.0f ms (median of %d), window/plain %.2f\n",
              files, p, w, kRuns, w / p);

  std::vector<double> cancel;
  std::vector<double> done;
  for (int run = 0; run < kRuns; ++run) {
    const Cancelled times =
        CancelExport(controller, (work / "window.kdx").string(), work / "out", 1000);
    cancel.push_back(times.dialogGone);
    done.push_back(times.commandDone);
  }
  std::printf(
      "cancel export: %.0f ms from the click to the dialog gone (median of %d, worst %.0f), "
      "%.0f ms to the command's end (median)\n",
      KdxBenchMedian(cancel), kRuns, *std::max_element(cancel.begin(), cancel.end()),
      KdxBenchMedian(done));
  return 0;
}

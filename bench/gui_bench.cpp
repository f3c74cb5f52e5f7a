// The windows at 100,000 entries, measured as a user meets them: from
// opening the file to the entry list painted, a category click that narrows
// the list (rebuild, save, repaint), and a header click that re-sorts it;
// then an entry window on a 1 MB Japanese body: opened to painted, one
// keystroke with its repaint, and the save after a one-word edit (at the
// start, then in the middle, then at the start again), with parts of the
// first. Prints one line per measurement (milliseconds, median of the runs),
// and the bytes a header click and the saves write (journal included).
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

#include "core/content/entry_content.h"
#include "core/prefs/pref_rez.h"
#include "core/session/kdx_session.h"
#include "gui/app/alerts.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/entry_window.h"
#include "gui/app/kdx_application.h"
#include "gui/app/localization.h"
#include "richtext/body_format.h"
#include "sample_document.h"
#include "window_bench.h"

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

void Report(const char* what, const std::vector<double>& ms) {
  // Each run too: the first run in the process pays for its fresh memory.
  std::printf("%-44s %8.1f ms  (median of %zu; runs", what, KdxBenchMedian(ms), ms.size());
  for (const double run : ms) std::printf(" %.0f", run);
  std::printf(")\n");
}

void ReportBytes(const char* what, const std::vector<double>& bytes) {
  std::printf("%-44s %8.0f bytes (median of %zu)\n", what, KdxBenchMedian(bytes), bytes.size());
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

// Adds an entry whose body is about 1 MB of Japanese text in lines of 60
// characters; its id, or 0.
int32_t AddLongEntry(const std::string& path) {
  const QString line = QString::fromUtf8(
      "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした所"
      "で。\n");
  QString text;
  while (text.toUtf8().size() < 1000000) text += line.repeated(200);
  const QByteArray body = kdx_richtext::KDXCOMM_ConvertTextToRtfd(text, QString(), 0);
  const std::string plain = text.toStdString();
  KdxSession session;
  if (session.Open(path, KdxAccess::kWrite) != KdxOpenResult::kOk) return 0;
  KdxNewEntry fields;
  fields.title = "長い文章";
  fields.turn = 1;
  fields.turnWidth = "450";
  fields.content.body = std::string_view(body.constData(), static_cast<size_t>(body.size()));
  fields.content.text = plain;
  KDX_ENTRY made{};
  if (session.CreateEntry(fields, &made) != KdxChangeResult::kOk || session.Save() != 0) return 0;
  std::printf("entry window body: %zu bytes of text, %lld bytes stored\n", plain.size(),
              static_cast<long long>(body.size()));
  return made.en_id;
}

double Ms(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

bool FlushToDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const fs::path work = KdxBenchPrepareWindows("kdx-gui-bench");
  const std::string source = argc > 1 ? argv[1] : SamplePath();
  const std::string path = (work / "bench.kdx").string();
  fs::remove(path);
  fs::copy_file(source, path);
  const int32_t longId = AddLongEntry(path);
  if (longId == 0) return 1;
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
  // The entry window, each run in a document window opened afresh.
  std::vector<double> entryOpen, keystroke, autosave, autosaveBytes, rtf, storedRead, listRefresh;
  std::vector<double> autosaveMiddle, autosaveMiddleBytes, autosaveAgain;
  for (int run = 0; run < kRuns; ++run) {
    KdxDocument* window = controller.OpenDocument(QString::fromStdString(path));
    if (window == nullptr) return 1;
    (void)QTest::qWaitForWindowExposed(window);
    Paint(window);
    QElapsedTimer timer;
    timer.start();
    window->entryWindows()->OpenEntries({longId});
    EntryWindow* entry = window->entryWindows()->Find(longId);
    if (entry == nullptr) return 1;
    (void)QTest::qWaitForWindowExposed(entry);
    entry->repaint();
    QApplication::processEvents();
    entryOpen.push_back(Ms(timer));

    KdxBodyTextEdit* body = entry->body();
    body->setFocus();
    body->moveCursor(QTextCursor::Start);
    std::vector<double> keys;
    for (const char key : std::string("abcdefghijklmnopqrst")) {
      timer.restart();
      QTest::keyClick(body, key);
      body->viewport()->repaint();
      QApplication::processEvents();
      keys.push_back(Ms(timer));
    }
    keystroke.push_back(KdxBenchMedian(keys));
    QTest::keyClicks(body, QStringLiteral(" word"));
    // Parts of the save on their own: the body as RTF, the stored text read
    // for the change test, and the list's refresh for one changed entry.
    timer.restart();
    (void)kdx_richtext::DocumentToBody(*body->document());
    rtf.push_back(Ms(timer));
    const KDX_ENTRY stored = *window->session().FindEntry(longId);
    std::string text;
    timer.restart();
    (void)KDX_LoadBlockText(path.c_str(), stored, KdxBlockKind::kText, &text);
    storedRead.push_back(Ms(timer));
    KDX_ENTRY changed = stored;
    changed.en_update_date[0] ^= 1;
    timer.restart();
    window->EntryRecordChanged(stored, changed, false);
    listRefresh.push_back(Ms(timer));
    const long long written = BytesWritten();
    timer.restart();
    entry->autoSaveEntry();
    autosave.push_back(Ms(timer));
    autosaveBytes.push_back(static_cast<double>(BytesWritten() - written));
    // The same in the middle of the body: what comes before the word is
    // rewritten as it was.
    QTextCursor middle = body->textCursor();
    middle.setPosition(body->document()->characterCount() / 2);
    body->setTextCursor(middle);
    QTest::keyClicks(body, QStringLiteral(" word"));
    const long long writtenBefore = BytesWritten();
    timer.restart();
    entry->autoSaveEntry();
    autosaveMiddle.push_back(Ms(timer));
    autosaveMiddleBytes.push_back(static_cast<double>(BytesWritten() - writtenBefore));
    // At the start once more: the first save of the window had to grow the
    // file by a copy of the blocks; later ones go into the place it freed.
    body->moveCursor(QTextCursor::Start);
    QTest::keyClicks(body, QStringLiteral("word "));
    timer.restart();
    entry->autoSaveEntry();
    autosaveAgain.push_back(Ms(timer));
    // Closed first, so that the document does not bring it back next run.
    entry->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  Report("open to entry list painted", open);
  Report("category click narrowing (with save)", narrow);
  Report("category click back to All (with save)", widen);
  Report("header click re-sorting (with save)", sortClick);
  ReportBytes("written by the header click", sortBytes);
  Report("entry window (1 MB body) open to painted", entryOpen);
  Report("keystroke in that body with repaint", keystroke);
  Report("autosave after a one-word edit", autosave);
  ReportBytes("written by that autosave", autosaveBytes);
  Report("  its body as RTF", rtf);
  Report("  its read of the stored text", storedRead);
  Report("  its list refresh", listRefresh);
  Report("autosave after a one-word edit in the middle", autosaveMiddle);
  ReportBytes("written by that autosave", autosaveMiddleBytes);
  Report("a further autosave, edit at the start", autosaveAgain);
  fs::remove(path);
  return 0;
}

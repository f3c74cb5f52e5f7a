// What the benchmarks of the windows share: the application set up as the
// program sets it up (alerts printed instead of shown, preferences in a folder
// of the benchmark's own), and the median of runs.
#pragma once

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/prefs/pref_rez.h"
#include "gui/app/alerts.h"
#include "gui/app/localization.h"

// Prepares the running QApplication; returns the benchmark's work folder
// (<temp>/<name>), made when missing.
inline std::filesystem::path KdxBenchPrepareWindows(const char* name) {
  QApplication::setQuitOnLastWindowClosed(false);
  KdxInstallLocalization();
  KdxSetAlertHookForTest([](KdxAlertKind, const QString& text) {
    std::fprintf(stderr, "alert: %s\n", text.toUtf8().constData());
    return 1;
  });
  const std::filesystem::path work = std::filesystem::temp_directory_path() / name;
  std::filesystem::create_directories(work);
  setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
  (void)PREF_PrepareREZFile(kPrefREZVersion);
  return work;
}

inline double KdxBenchMedian(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

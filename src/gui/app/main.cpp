// kardinex: the application. Files given on the command line are opened;
// without any, the start-up dialog asks what to open.
#include <QApplication>
#include <QStringList>

#include "core/prefs/pref_rez.h"
#include "gui/app/kdx_application.h"
#include "gui/app/localization.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kardinex"));
  QApplication::setOrganizationName(QStringLiteral("Kardinex"));
  // Windows close through their own closing; the controller decides when to quit.
  QApplication::setQuitOnLastWindowClosed(false);
  KdxInstallLocalization();
  (void)PREF_PrepareREZFile(kPrefREZVersion);

  QStringList files = QApplication::arguments();
  files.removeFirst();
  KdxApplication controller;
  if (!controller.Start(files)) return 0;
  return QApplication::exec();
}

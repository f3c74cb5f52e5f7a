// kardinex: the application. Files given on the command line are opened;
// without any, the start-up dialog asks what to open. While one runs, a
// second start hands its files to it and ends.
#include <QApplication>
#include <QStringList>

#include "core/prefs/pref_rez.h"
#include "gui/app/kdx_application.h"
#include "gui/app/localization.h"
#include "gui/app/preference_logic.h"
#include "gui/app/single_instance.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kardinex"));
  QApplication::setOrganizationName(QStringLiteral("Kardinex"));
  // Windows close through their own closing; the controller decides when to quit.
  QApplication::setQuitOnLastWindowClosed(false);
  // The language is fixed for the run: the preference window's choice takes
  // effect at the next start.
  (void)KdxInstallLanguage(KdxStartupLanguage());
  KdxInstallLocalization();
  (void)PREF_PrepareREZFile(kPrefREZVersion);

  QStringList files = QApplication::arguments();
  files.removeFirst();
  // Another Kardinex of this user opens the files (or comes to the front).
  KdxSingleInstance instance;
  if (instance.HandOver(files)) return 0;
  KdxApplication controller;
  (void)instance.Listen();
  QObject::connect(&instance, &KdxSingleInstance::filesReceived, &controller,
                   &KdxApplication::OpenHandedOver);
  if (!controller.Start(files)) return 0;
  return QApplication::exec();
}

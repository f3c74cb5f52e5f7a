#include <QTranslator>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/kdx_cli.h"
#include "i18n/translations.h"

int main(int argc, char** argv) {
  // kdx's own messages are English; the core's texts it prints follow the
  // locale: Japanese under a Japanese one, English under any other.
  if (KdxLanguageOfEnvironment() == KdxLanguage::kEnglish) {
    std::shared_ptr<const QTranslator> english = KdxLoadEnglishTranslation();
    KdxInstallTranslatorLookup(english);
  }
  std::vector<std::string> args(argv + 1, argv + argc);
  return KdxMain(args, KdxProcessConsole(), std::cout, std::cerr);
}

// The windows need a QApplication; one is made for the whole test program
// (offscreen platform, set by the test's environment), with the preference
// folder moved to a private one so that no test touches the user's settings.
// The interface is Japanese whatever the locale, as the tests expect.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "gui/app/localization.h"
#include "support/test_support.h"

namespace {

class QtWidgetsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    home_ = std::make_unique<kdx_test::TempDir>();
    setenv("XDG_CONFIG_HOME", home_->File("config").c_str(), 1);
    setenv("XDG_DATA_HOME", home_->File("data").c_str(), 1);
    setenv("XDG_STATE_HOME", home_->File("state").c_str(), 1);
    if (QApplication::instance() == nullptr) app_ = new QApplication(argc_, argv_);
    (void)KdxInstallLanguage(KdxLanguage::kJapanese);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
    home_.reset();
  }

 private:
  static inline int argc_ = 1;
  static inline char name_[] = "kdx_gui_tests";
  static inline char* argv_[] = {name_, nullptr};
  QApplication* app_ = nullptr;
  std::unique_ptr<kdx_test::TempDir> home_;
};

const ::testing::Environment* const kQtWidgetsEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtWidgetsEnvironment);

}  // namespace

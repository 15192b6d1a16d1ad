// The main of the window tests: the offscreen platform unless a test run chose another,
// one QApplication set up as the program sets it up, then every test.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/app_setup.h"
#include "util/text.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  kestrune::InitLocaleFromEnvironment();
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  kestrune::ConfigureApplication(app);
  return RUN_ALL_TESTS();
}

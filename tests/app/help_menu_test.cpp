// The Help menu: the product page, the support mail and the modal about box.
#include <QAction>
#include <QDialog>

#include "app/about_dialog.h"
#include "desktop/shell_launcher.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

class HelpMenuTest : public WindowTest {};

TEST_F(HelpMenuTest, OnlineAndEmailOpenThroughTheShell) {
  OpenRecorder recorder(dir);
  Show();
  Find<QAction>("mnOnlineHelp")->trigger();
  EXPECT_EQ(recorder.Opened(1), (std::vector<std::string>{kProductPageUrl}));
  Find<QAction>("mnEmailSupport")->trigger();
  EXPECT_EQ(recorder.Opened(2),
            (std::vector<std::string>{kProductPageUrl,
                                      "mailto:support@kestrune.example?subject=Kestrune"}));
}

TEST_F(HelpMenuTest, AboutIsShownModally) {
  Show();
  TfrmAbout about(window.get());
  window->SetAboutBox(&about);
  bool wasModal = false;
  WhenModal([&](QWidget* w) {
    wasModal = w == &about;
    about.reject();
  });
  Find<QAction>("mnHelpAbout")->trigger();  // returns when the box is closed
  EXPECT_TRUE(wasModal);
  EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace kestrune::test

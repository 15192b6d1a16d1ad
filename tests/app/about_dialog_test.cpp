// The real about box, offscreen, with a recording script as the open command.
#include "app/about_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

TEST(VersionLine, MinorAndPatchRunTogether) {
  EXPECT_EQ(VersionLine("1", "0", "0", "1"), "Version 1.00.1");
  EXPECT_EQ(VersionLine("1", "0", "0", "12"), "Version 1.00.12");
  EXPECT_EQ(VersionLine("2", "10", "3", "0"), "Version 2.103.0");
  EXPECT_EQ(VersionLine("1", "0", "0", ""), "Version v1.00");
  EXPECT_EQ(VersionLine("", "", "", ""), "Version v1.00");
  EXPECT_EQ(VersionLine("1", "x", "0", "1"), "Version v1.00");
  // This build: project version 1.0.0.1.
  EXPECT_EQ(VersionLine(), "Version 1.00.1");
}

class AboutDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kestrune-about-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    log_ = dir_ / "opened.log";
    script_ = dir_ / "record-open";
    std::ofstream(script_) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << log_.string() << "'\n";
    fs::permissions(script_, fs::perms::owner_all);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The addresses opened so far, once `lines` of them have arrived.
  std::string WaitForOpened(int lines) const {
    std::string text;
    for (int tries = 0; tries < 1000; ++tries) {
      std::ifstream in(log_);
      std::ostringstream all;
      all << in.rdbuf();
      text = all.str();
      if (std::count(text.begin(), text.end(), '\n') >= lines) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << "nothing was opened";
    return text;
  }

  fs::path dir_, log_, script_;
};

TEST_F(AboutDialogTest, ShowsNameVersionAndOpensThePages) {
  TfrmAbout about{Launcher(script_.string())};
  about.show();
  auto* name = about.findChild<QLabel*>("lblProductName");
  auto* version = about.findChild<QLabel*>("lblVersion");
  auto* ok = about.findChild<QPushButton*>("btnOK");
  auto* web = about.findChild<QPushButton*>("btnWebPage");
  auto* maker = about.findChild<QPushButton*>("btnVantorel");
  ASSERT_TRUE(name && version && ok && web && maker);
  EXPECT_EQ(name->text(), "Kestrune");
  EXPECT_EQ(version->text().toStdString(), VersionLine());
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_EQ(web->text(), "Web page");
  EXPECT_EQ(maker->text(), "Vantorel");
  // Every text fits its control.
  for (QWidget* w : {static_cast<QWidget*>(name), static_cast<QWidget*>(version)}) {
    EXPECT_GE(w->width(), w->sizeHint().width());
  }

  web->click();
  EXPECT_EQ(WaitForOpened(1), std::string(kProductPageUrl) + "\n");
  maker->click();
  EXPECT_EQ(WaitForOpened(2), std::string(kProductPageUrl) + "\n" + kMakerPageUrl + "\n");
  EXPECT_TRUE(about.isVisible());

  ok->click();
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(AboutDialogTest, OkEndsTheModalLoop) {
  TfrmAbout about{Launcher(script_.string())};
  QTimer::singleShot(0, &about, [&about] {
    if (auto* ok = about.findChild<QPushButton*>("btnOK")) ok->click();
  });
  // Should OK fail to close the box, this ends the loop so the test cannot hang.
  QTimer::singleShot(10000, &about, &QDialog::reject);
  EXPECT_EQ(about.exec(), QDialog::Accepted);
}

}  // namespace
}  // namespace kestrune

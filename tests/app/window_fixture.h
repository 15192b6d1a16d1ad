// Helpers of the window tests: a temporary directory, small file helpers, and a fixture
// that builds the real TfrmImport with its own settings file and program directory.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/import_window.h"
#include "desktop/settings_store.h"
#include "scripted_dialogs.h"

namespace kestrune::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The directory with a trailing "/".
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// The lines of a maintenance log without their date and time, CR LF removed.
std::vector<std::string> LogMessages(const std::string& path);

// Runs `act` on the modal dialog once one is open (checked every 10 ms, for at most five
// seconds), so that a test can answer a real dialog that the code under test runs.
void WhenModal(std::function<void(QWidget*)> act);

// A recording stand-in for xdg-open: KESTRUNE_OPEN_COMMAND names a script that appends
// its arguments to a file, one a line; Opened() waits (at most five seconds) for them.
class OpenRecorder {
 public:
  explicit OpenRecorder(const TempDir& dir);
  ~OpenRecorder();
  std::vector<std::string> Opened(std::size_t expected);

 private:
  std::string record_;
};

const std::string kRootKey = "Software\\Vantorel\\Kestrune";

class WindowTest : public ::testing::Test {
 protected:
  // A window on the settings file dir/settings.reg, program directory dir/prog/.
  TfrmImport& Make(std::vector<std::string> words = {});
  // Make() and FormShow().
  TfrmImport& Show(std::vector<std::string> words = {});

  std::string SettingsPath() const { return dir / "settings.reg"; }
  std::string ProgDir() const { return dir / "prog/"; }
  SettingsStore Store() const { return SettingsStore(SettingsPath()); }

  template <class W>
  W* Find(const char* name) {
    W* w = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  std::string Text(const char* labelName);  // a QLabel's text
  std::string StatusText() { return Text("pnStatus"); }

  TempDir dir;
  ScriptedDialogs dialogs;
  std::unique_ptr<TfrmImport> window;
};

}  // namespace kestrune::test

#include "window_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/qt_text.h"
#include "support/log_messages.h"

namespace kestrune::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-app-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only directories made by a test must not stop the clean-up.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  return std::filesystem::exists(path);
}

std::vector<std::string> LogMessages(const std::string& path) {
  return LogMessagesOf(ReadFile(path));
}

void WhenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer();
  timer->setInterval(10);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal || ++*tries > 500) {
      timer->stop();
      timer->deleteLater();
      if (modal) act(modal);
    }
  });
  timer->start();
}

OpenRecorder::OpenRecorder(const TempDir& dir) : record_(dir / "opened.txt") {
  const std::string script = dir / "open-recorder";
  WriteFile(script,
            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + record_ + "'; done\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  setenv("KESTRUNE_OPEN_COMMAND", script.c_str(), 1);
}

OpenRecorder::~OpenRecorder() {
  unsetenv("KESTRUNE_OPEN_COMMAND");
}

std::vector<std::string> OpenRecorder::Opened(std::size_t expected) {
  QElapsedTimer clock;
  clock.start();
  std::vector<std::string> lines;
  for (;;) {
    lines.clear();
    std::string text = ReadFile(record_);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    if (lines.size() >= expected || clock.elapsed() > 5000) return lines;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
}

TfrmImport& WindowTest::Make(std::vector<std::string> words) {
  std::filesystem::create_directories(ProgDir());
  window = std::make_unique<TfrmImport>(dialogs, SettingsPath(), std::move(words));
  window->SetProgramDirectory(ProgDir());
  return *window;
}

TfrmImport& WindowTest::Show(std::vector<std::string> words) {
  Make(std::move(words));
  window->FormShow();
  return *window;
}

std::string WindowTest::Text(const char* labelName) {
  const QLabel* label = Find<QLabel>(labelName);
  return label ? ToStdString(label->text()) : std::string();
}

}  // namespace kestrune::test

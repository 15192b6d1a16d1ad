// The FTP fetch of the real window (offscreen) against a real FTP server on 127.0.0.1:
// the DOWNLOAD word with its wait, the boxes of an attended fetch, the wait's limit
// cancelling a transfer for real, TLS, and `DOWNLOAD RUN QUIT` through the program.
#include <QCoreApplication>
#include <chrono>
#include <ctime>

#include "support/ftp_server.h"
#include "support/unattended_process.h"
#include "util/datetime.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

const std::string kUser = "web@site";
const std::string kPassword = "Pa55:w/rd@%";
const std::string kLog =
    "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n"
    "2002-03-14 10:00:00 10.0.0.1 GET /a.html 200 100\r\n";

// Every line of a file or an output, checked for the password in its plain and escaped
// forms.
void ExpectNoPassword(const std::string& text) {
  EXPECT_EQ(text.find(kPassword), std::string::npos) << text;
  EXPECT_EQ(text.find("Pa55%3Aw%2Frd%40%25"), std::string::npos) << text;
}

class FtpDownloadTest : public WindowTest {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "root/logs");
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "tls");
  }
  void TearDown() override { unsetenv("KESTRUNE_CA_FILE"); }
  void Serve(const std::string& mode) {
    server = std::make_unique<FtpTestServer>(mode, dir / "root", kUser, kPassword, dir / "tls");
  }
  // The FTP fields and the import path in the settings, then the window shown with its
  // clock on 15 March 2002.
  void ShowWith(const std::string& serverField, bool remove = false) {
    const std::string root = kRootKey;
    Store().RegWriteString(root, "FTPServer", serverField);
    Store().RegWriteString(root, "FTPLogDir", "logs");
    Store().RegWriteString(root, "FTPUsername", kUser);
    Store().RegWriteString(root, "FTPPassword", kPassword);
    Store().RegWriteString(root, "RemoveDownloadedFiles", remove ? "Y" : "N");
    Store().RegWriteString(root + "\\ImportPaths", dir / "in/*.log", "");
    Store().RegWriteString(root + "\\ImportPaths", "Last", "0");
    Make();
    window->SetClock([] {
      TDateTime day = 0;
      TryEncodeDate(2002, 3, 15, day);
      return day + 0.25;
    });
    window->FormShow();
  }
  std::vector<std::string> Log() { return LogMessages(ProgDir() + "maintenance-log.txt"); }
  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const AskedDialog& box : dialogs.Boxes()) texts.push_back(box.text);
    return texts;
  }

  std::unique_ptr<FtpTestServer> server;
};

TEST_F(FtpDownloadTest, DownloadFetchesRemovesAndSaysEachOnce) {
  WriteFile(dir / "root/logs/ex020314.log", kLog);
  Serve("normal");
  ShowWith(server->HostPort(), true);
  window->CommandWord("DOWNLOAD");
  EXPECT_FALSE(window->DownloadBusy());
  EXPECT_EQ(Log(), (std::vector<std::string>{"Downloading file " + dir / "in/ex020314.log ..",
                                             "File ex020314.log downloaded.", "Deleted old file"}));
  // Attended: the two lines with a box come in boxes captioned with the title.
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{"File ex020314.log downloaded.", "Deleted old file"}));
  EXPECT_EQ(dialogs.Boxes()[0].caption, "Kestrune");
  EXPECT_EQ(ReadFile(dir / "in/ex020314.log"), kLog);
  EXPECT_FALSE(Exists(dir / "root/logs/ex020314.log"));
  EXPECT_EQ(StatusText(), "Deleted old file");
  // Nothing more arrives later.
  QCoreApplication::processEvents();
  EXPECT_EQ(Log().size(), 3u);
  ExpectNoPassword(ReadFile(ProgDir() + "maintenance-log.txt"));
}

TEST_F(FtpDownloadTest, AMissingFileLogsTheServersTextAndNoPassword) {
  Serve("normal");
  ShowWith(server->HostPort());
  window->CommandWord("DOWNLOAD");
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].rfind("UNABLE TO DOWNLOAD /logs/ex020314.log! 550 ", 0), 0u) << log[1];
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{log[1]});
  EXPECT_TRUE(std::filesystem::is_empty(dir / "in"));
  ExpectNoPassword(ReadFile(ProgDir() + "maintenance-log.txt"));
  ExpectNoPassword(StatusText());
}

TEST_F(FtpDownloadTest, TheWaitsLimitCancelsATransferToASilentServer) {
  Serve("silent");
  ShowWith(server->HostPort());
  window->SetDownloadWaitLimit(std::chrono::milliseconds(500));
  const auto started = std::chrono::steady_clock::now();
  window->CommandWord("DOWNLOAD");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_FALSE(window->DownloadBusy());
  EXPECT_EQ(Log(), (std::vector<std::string>{"Downloading file " + dir / "in/ex020314.log ..",
                                             "Aborting download"}));
  EXPECT_TRUE(std::filesystem::is_empty(dir / "in"));
  // The old transfer is gone: the next fetch starts afresh instead of finding it busy.
  window->mnDownloadClick();
  EXPECT_TRUE(window->DownloadBusy());
  EXPECT_EQ(Log().back(), "Downloading file " + dir / "in/ex020314.log ..");
  window.reset();  // FormDestroy cancels the running transfer and ends its thread
  EXPECT_TRUE(std::filesystem::is_empty(dir / "in"));
}

TEST_F(FtpDownloadTest, ExistingFileAndMissingDirectoryStopBeforeConnecting) {
  WriteFile(dir / "in/ex020314.log", "mine");
  ShowWith("127.0.0.1:1");
  window->mnDownloadClick();
  EXPECT_FALSE(window->DownloadBusy());
  EXPECT_EQ(Log(), std::vector<std::string>{dir / "in/ex020314.log already exist."});
  EXPECT_EQ(ReadFile(dir / "in/ex020314.log"), "mine");

  std::filesystem::remove(dir / "in/ex020314.log");
  Store().RegWriteString(kRootKey, "FTPLogDir", "");
  window->LoadSettings();
  window->mnDownloadClick();
  ASSERT_EQ(dialogs.Boxes().size(), 2u);
  EXPECT_EQ(dialogs.Boxes()[1].text, "No FTP path given");
  EXPECT_EQ(dialogs.Boxes()[1].caption, "Error");
  EXPECT_EQ(Log().size(), 1u);
}

TEST_F(FtpDownloadTest, FtpsServerFieldUsesExplicitTls) {
  WriteFile(dir / "root/logs/ex020314.log", kLog);
  Serve("tls");
  setenv("KESTRUNE_CA_FILE", (dir / "tls/ca.pem").c_str(), 1);
  ShowWith("ftps://" + server->HostPort());
  window->CommandWord("DOWNLOAD");
  EXPECT_EQ(Log().back(), "File ex020314.log downloaded.");
  EXPECT_EQ(ReadFile(dir / "in/ex020314.log"), kLog);
}

// The program as a scheduled job runs it: a copy in `prog` (its own folder, also its
// working directory), the settings file `settings`.
ProcessOutcome RunJob(const std::string& prog, const std::string& settings,
                      const std::string& tmp) {
  std::filesystem::create_directories(prog);
  std::filesystem::copy_file(std::string(KESTRUNE_BINARY_DIR) + "/kestrune", prog + "kestrune",
                             std::filesystem::copy_options::overwrite_existing);
  return RunUnattended(prog + "kestrune", prog, settings, tmp,
                       {QStringLiteral("DOWNLOAD"), QStringLiteral("RUN"), QStringLiteral("QUIT")});
}

// The FTP fields of a scheduled job, importing from the program's folder `prog`.
void WriteJobSettings(const std::string& path, const std::string& server, const std::string& prog) {
  SettingsStore settings(path);
  settings.RegWriteString(kRootKey, "FTPServer", server);
  settings.RegWriteString(kRootKey, "FTPLogDir", "/logs/");
  settings.RegWriteString(kRootKey, "FTPUsername", kUser);
  settings.RegWriteString(kRootKey, "FTPPassword", kPassword);
  settings.RegWriteString(kRootKey, "RemoveDownloadedFiles", "Y");
  settings.RegWriteString(kRootKey, "Move", "Y");
  settings.RegWriteString(kRootKey + "\\ImportPaths", prog + "*.log", "");
  settings.RegWriteString(kRootKey + "\\ImportPaths", "Last", "0");
}

// Yesterday's IIS log name by the local clock, worked out here on its own.
std::string YesterdaysLogName() {
  const std::time_t then = std::time(nullptr) - 24 * 60 * 60;
  std::tm day{};
  localtime_r(&then, &day);
  char name[32];
  std::strftime(name, sizeof name, "ex%y%m%d.log", &day);
  return name;
}

TEST_F(FtpDownloadTest, DownloadRunQuitThroughTheProgram) {
  const std::string name = YesterdaysLogName();
  WriteFile(dir / ("root/logs/" + name), kLog);
  Serve("normal");
  const std::string prog = dir / "prog/";
  WriteJobSettings(dir / "job.reg", server->HostPort(), prog);
  const ProcessOutcome o = RunJob(prog, dir / "job.reg", dir.Path());
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(o.err, "");

  // Fetched, imported, moved into processed, removed from the server.
  EXPECT_EQ(ReadFile(prog + "processed/" + name), kLog);
  EXPECT_FALSE(Exists(prog + name));
  EXPECT_FALSE(Exists(dir / ("root/logs/" + name)));
  const std::vector<std::string> log = LogMessages(prog + "maintenance-log.txt");
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[0], "Downloading file " + prog + name + " ..");
  EXPECT_EQ(log[1], "File " + name + " downloaded.");
  EXPECT_EQ(log[2], "Deleted old file");
  EXPECT_EQ(log[3], "Scanning for new files");
  EXPECT_EQ(log[4], "Scanning file " + prog + name + ".");
  EXPECT_EQ(log[5], "Update completed.");
  EXPECT_EQ(log.back(), "Quitting");
  EXPECT_EQ(std::count(log.begin(), log.end(), "Deleted old file"), 1);
  ExpectNoPassword(ReadFile(prog + "maintenance-log.txt"));
  ExpectNoPassword(o.out + o.err);
}

TEST_F(FtpDownloadTest, ASilentServerEndsTheJobWithinThirtySeconds) {
  Serve("silent");
  const std::string prog = dir / "prog/";
  WriteJobSettings(dir / "job.reg", server->HostPort(), prog);
  const auto started = std::chrono::steady_clock::now();
  const ProcessOutcome o = RunJob(prog, dir / "job.reg", dir.Path());
  ASSERT_TRUE(o.finished);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  EXPECT_EQ(o.exitCode, 1);  // nothing to import
  const std::vector<std::string> log = LogMessages(prog + "maintenance-log.txt");
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[1], "Aborting download");
  EXPECT_EQ(log[2], "Scanning for new files");
  EXPECT_EQ(log.back(), "Quitting");
  // Nothing fetched, nothing half-fetched: the program, its log and the empty folders.
  for (const auto& entry : std::filesystem::directory_iterator(prog)) {
    const std::string file = entry.path().filename().string();
    EXPECT_TRUE(file == "kestrune" || file == "maintenance-log.txt" || file == "processed" ||
                file == "invalid")
        << file;
  }
}

}  // namespace
}  // namespace kestrune::test

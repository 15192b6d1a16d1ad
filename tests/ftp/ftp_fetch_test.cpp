// The fetch behind mnDownloadClick and axFTP_StateChanged, against a real FTP server on
// 127.0.0.1, with a recording host in place of the window.
#include "ftp/ftp_texts.h"
#include "ftp_test_support.h"
#include "util/datetime.h"

namespace kestrune::test {
namespace {

const std::string kUser = "log@reader";
const std::string kPassword = "p@ss:w/rd%41";

TDateTime March15() {
  TDateTime day = 0;
  EXPECT_TRUE(TryEncodeDate(2002, 3, 15, day));
  return day + 0.5;
}

class FetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "root/logs");
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "tls");
    host.fetch = &fetch;
  }
  void Serve(const std::string& mode, const std::string& password = kPassword) {
    server = std::make_unique<FtpTestServer>(mode, dir / "root", kUser, password, dir / "tls");
    settings.server = server->HostPort();
  }
  // Starts the fetch and waits, as DOWNLOAD does, until it is no longer busy.
  void Fetch() {
    fetch.Start(settings, March15());
    ASSERT_TRUE(fetch.Wait(std::chrono::seconds(30)));
    EXPECT_GT(host.pumped, 0);
  }
  // No line, box or response of the run shows the password.
  void ExpectNoPassword() {
    for (const std::string& line : host.lines) {
      EXPECT_EQ(line.find(kPassword), std::string::npos) << line;
      EXPECT_EQ(line.find(PercentEscape(kPassword)), std::string::npos) << line;
    }
  }

  ScratchDir dir;
  PostedCalls calls;
  RecordingFetchHost host{calls};
  FtpFetch fetch{host};
  std::unique_ptr<FtpTestServer> server;
  FtpFetchSettings settings{dir / "in/*.log", "", "logs", kUser, kPassword, true, false};
};

TEST_F(FetchTest, FetchesYesterdaysLogIntoTheImportDirectory) {
  WriteFile(dir / "root/logs/ex020314.log", "#Fields: date time\r\n");
  Serve("normal");
  Fetch();
  EXPECT_EQ(host.lines, (std::vector<std::string>{
                            "Downloading file " + dir / "in/ex020314.log ..",
                            "File ex020314.log downloaded.",
                        }));
  EXPECT_EQ(host.boxes, (std::vector<bool>{false, true}));
  EXPECT_EQ(ReadFile(dir / "in/ex020314.log"), "#Fields: date time\r\n");
  EXPECT_TRUE(Exists(dir / "root/logs/ex020314.log"));  // removal is off
  EXPECT_EQ(Names(dir / "in"), std::vector<std::string>{"ex020314.log"});
  EXPECT_EQ(fetch.Values().remoteDir, "/logs/");
  EXPECT_EQ(fetch.Values().localDir, dir / "in/");
  EXPECT_EQ(fetch.Values().command, "Get /logs/ex020314.log " + dir / "in/ex020314.log");
  ExpectNoPassword();
}

TEST_F(FetchTest, RemovalDeletesOnceAndSaysSoOnce) {
  WriteFile(dir / "root/logs/ex020314.log", "x");
  Serve("normal");
  settings.removeDownloaded = true;
  Fetch();
  EXPECT_EQ(host.lines, (std::vector<std::string>{
                            "Downloading file " + dir / "in/ex020314.log ..",
                            "File ex020314.log downloaded.",
                            "Deleted old file",
                        }));
  EXPECT_EQ(host.states, (std::vector<int>{12, 12}));
  EXPECT_FALSE(Exists(dir / "root/logs/ex020314.log"));
  EXPECT_TRUE(Exists(dir / "in/ex020314.log"));
  calls.RunPending();
  EXPECT_EQ(host.lines.size(), 3u);
}

TEST_F(FetchTest, AFailedRemovalDoesNotClaimTheDownloadFailed) {
  WriteFile(dir / "root/logs/ex020314.log", "x");
  // The user may read but not delete.
  server =
      std::make_unique<FtpTestServer>("normal", dir / "root", kUser, kPassword, dir / "tls", "elr");
  settings.server = server->HostPort();
  settings.removeDownloaded = true;
  Fetch();
  ASSERT_EQ(host.lines.size(), 3u);
  EXPECT_EQ(host.lines[1], "File ex020314.log downloaded.");
  EXPECT_EQ(host.lines[2].rfind("UNABLE TO DELETE /logs/ex020314.log! 550 ", 0), 0u)
      << host.lines[2];
  EXPECT_TRUE(Exists(dir / "in/ex020314.log"));
}

TEST_F(FetchTest, FailuresLogTheRemotePathAndTheServersText) {
  struct Case {
    std::string mode, serverPassword, file, start;
  } cases[] = {
      {"normal", kPassword, "", "UNABLE TO DOWNLOAD /logs/ex020314.log! 550 "},
      {"normal", "other", "ex020314.log", "UNABLE TO DOWNLOAD /logs/ex020314.log! 530 "},
      {"down", kPassword, "ex020314.log",
       "UNABLE TO DOWNLOAD /logs/ex020314.log! Failed to connect"},
  };
  for (const Case& c : cases) {
    host.lines.clear();
    if (!c.file.empty()) WriteFile(dir / ("root/logs/" + c.file), "x");
    Serve(c.mode == "down" ? "normal" : c.mode, c.serverPassword);
    if (c.mode == "down") server->Stop();
    Fetch();
    ASSERT_EQ(host.lines.size(), 2u) << c.start;
    EXPECT_EQ(host.lines[1].rfind(c.start, 0), 0u) << host.lines[1];
    EXPECT_EQ(Names(dir / "in"), std::vector<std::string>{});
    ExpectNoPassword();
    server.reset();
  }
}

TEST_F(FetchTest, AnExistingLocalFileStopsBeforeAnyConnection) {
  WriteFile(dir / "in/ex020314.log", "mine");
  settings.server = "127.0.0.1:1";  // nothing would answer
  fetch.Start(settings, March15());
  EXPECT_EQ(host.lines, std::vector<std::string>{dir / "in/ex020314.log already exist."});
  EXPECT_EQ(host.boxes, std::vector<bool>{true});
  EXPECT_FALSE(fetch.Busy());
  EXPECT_EQ(ReadFile(dir / "in/ex020314.log"), "mine");
}

TEST_F(FetchTest, NoRemoteDirectoryIsAnErrorBox) {
  settings.logDir = "  ";
  fetch.Start(settings, March15());
  EXPECT_EQ(host.errorBoxes, std::vector<std::string>{"No FTP path given"});
  EXPECT_TRUE(host.lines.empty());
  EXPECT_FALSE(fetch.Busy());
}

TEST_F(FetchTest, UnixLogsAndRemoteDirectoryForms) {
  WriteFile(dir / "root/logs/test.log", "x");
  Serve("normal");
  settings.iis = false;
  settings.logDir = "logs/";
  Fetch();
  EXPECT_EQ(host.lines.back(), "File test.log downloaded.");
  EXPECT_EQ(fetch.Values().remoteDir, "/logs/");
}

TEST_F(FetchTest, ASecondStartWhileBusyDoesNothing) {
  Serve("silent");
  fetch.Start(settings, March15());
  EXPECT_TRUE(fetch.Busy());
  const auto lines = host.lines;
  fetch.Start(settings, March15());
  EXPECT_EQ(host.lines, lines);
  EXPECT_EQ(host.created, 1);
  // The wait gives up after its limit: the fetch is no longer busy; the transfer runs on.
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(fetch.Wait(std::chrono::milliseconds(100)));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_FALSE(fetch.Busy());
  EXPECT_EQ(host.lines.back(), "Aborting download");
  EXPECT_EQ(host.boxes.back(), false);
  fetch.Start(settings, March15());
  EXPECT_EQ(host.lines.back(), "Still executing an FTP command");
  fetch.DropTransfer();
  EXPECT_EQ(fetch.Transfer(), nullptr);
  EXPECT_EQ(Names(dir / "in"), std::vector<std::string>{});
}

// The transfer refuses to start (no address it can use): the busy flag is cleared and
// nothing more is said, no line and no box; a later state changes nothing.
TEST_F(FetchTest, ARefusedStartClearsBusyAndSaysNothing) {
  for (const char* server : {"", "ftps://", "ftp://[::1"}) {
    RecordingFetchHost quiet(calls);
    FtpFetch refused(quiet);
    quiet.fetch = &refused;
    settings.server = server;
    refused.Start(settings, March15());
    refused.StateChanged(FtpTransfer::kError);
    EXPECT_FALSE(refused.Busy()) << server;
    EXPECT_EQ(quiet.lines,
              std::vector<std::string>{"Downloading file " + dir / "in/ex020314.log .."})
        << server;
    EXPECT_TRUE(quiet.errorBoxes.empty()) << server;
  }
}

TEST_F(FetchTest, ExplicitTlsWithAServerFieldInFtpsForm) {
  WriteFile(dir / "root/logs/ex020314.log", "tls");
  Serve("tls");
  RecordingFetchHost tlsHost(calls, dir / "tls/ca.pem");
  FtpFetch tlsFetch(tlsHost);
  tlsHost.fetch = &tlsFetch;
  settings.server = "ftps://" + server->HostPort();
  tlsFetch.Start(settings, March15());
  ASSERT_TRUE(tlsFetch.Wait(std::chrono::seconds(30)));
  EXPECT_EQ(tlsHost.lines.back(), "File ex020314.log downloaded.");
  EXPECT_EQ(ReadFile(dir / "in/ex020314.log"), "tls");
}

}  // namespace
}  // namespace kestrune::test

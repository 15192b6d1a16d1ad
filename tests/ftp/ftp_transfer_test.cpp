// The transfer object against a real FTP server on 127.0.0.1: what arrives, what the
// response text says, and that a failed or cancelled transfer leaves nothing behind.
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>

#include "ftp/ftp_texts.h"
#include "ftp_test_support.h"
#include "support/file_rights.h"

namespace kestrune::test {
namespace {

const std::string kUser = "web";
const std::string kPassword = "pa:ss@w/rd%";

class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "root/logs");
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "tls");
  }
  std::unique_ptr<FtpTestServer> Serve(const std::string& mode, const std::string& user = kUser,
                                       const std::string& password = kPassword) {
    return std::make_unique<FtpTestServer>(mode, dir / "root", user, password, dir / "tls");
  }
  std::string Url(const FtpTestServer& server, const std::string& scheme = "ftp://",
                  const std::string& password = kPassword) {
    return scheme + PercentEscape(kUser) + ":" + PercentEscape(password) + "@" + server.HostPort();
  }
  // Runs one operation to its end; the state it ended with (0: none within the limit).
  int Perform(FtpTransfer& transfer, const std::string& url, const std::string& operation) {
    int state = 0;
    transfer.SetOnStateChanged([&](int s) { state = s; });
    transfer.Execute(url, operation);
    calls.RunUntil([&] { return state != 0; });
    return state;
  }
  // Nothing but `expected` in the import folder: no temporary file left.
  void ExpectInFolder(const std::vector<std::string>& expected) {
    EXPECT_EQ(Names(dir / "in"), expected);
  }

  ScratchDir dir;
  PostedCalls calls;
};

TEST_F(TransferTest, GetFetchesTheFileUnderItsNameOnlyWhenComplete) {
  std::string content;
  for (int i = 0; i < 20000; ++i) content += "2002-03-14 10:00:00 10.0.0.1 GET /a.html 200\r\n";
  WriteFile(dir / "root/logs/ex020314.log", content);
  auto server = Serve("normal");
  FtpTransfer transfer(calls.Poster(), TestOptions());
  EXPECT_EQ(Perform(transfer, Url(*server), "Get /logs/ex020314.log " + dir / "in/ex020314.log"),
            FtpTransfer::kResponseCompleted);
  EXPECT_FALSE(transfer.StillExecuting());
  EXPECT_EQ(ReadFile(dir / "in/ex020314.log"), content);
  ExpectInFolder({"ex020314.log"});
  EXPECT_EQ(transfer.ResponseText().find(kPassword), std::string::npos);
}

TEST_F(TransferTest, FailuresGiveTheServersReplyOrTheReason) {
  WriteFile(dir / "root/logs/a.log", "x");
  auto server = Serve("normal");
  struct Case {
    std::string url, operation, response;
  } cases[] = {
      {Url(*server), "Get /logs/missing.log " + dir / "in/m.log",
       "550 /logs/missing.log is not retrievable."},
      {Url(*server, "ftp://", "wrong"), "Get /logs/a.log " + dir / "in/a.log",
       "530 Authentication failed."},
      {Url(*server), "Get /logs/a.log " + dir / "nowhere/a.log",
       "Cannot write " + dir / "nowhere/a.log: No such file or directory"},
  };
  for (const Case& c : cases) {
    FtpTransfer transfer(calls.Poster(), TestOptions());
    EXPECT_EQ(Perform(transfer, c.url, c.operation), FtpTransfer::kError) << c.operation;
    EXPECT_EQ(transfer.ResponseText(), c.response);
  }
  ExpectInFolder({});
}

TEST_F(TransferTest, AnImportFolderThatCannotBeWrittenIsAnError) {
  WriteFile(dir / "root/logs/a.log", "x");
  std::filesystem::create_directories(dir / "ro");
  std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  auto server = Serve("normal");
  int state = 0;
  {
    WithoutFileRightsOverride asUser;  // the worker thread inherits it
    FtpTransfer transfer(calls.Poster(), TestOptions());
    state = Perform(transfer, Url(*server), "Get /logs/a.log " + dir / "ro/a.log");
    EXPECT_EQ(transfer.ResponseText(), "Cannot write " + dir / "ro/a.log: Permission denied");
  }
  EXPECT_EQ(state, FtpTransfer::kError);
  std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "ro"));
}

TEST_F(TransferTest, AServerThatIsDownIsAnError) {
  auto server = Serve("normal");
  const std::string url = Url(*server);
  server->Stop();
  FtpTransfer transfer(calls.Poster(), TestOptions());
  EXPECT_EQ(Perform(transfer, url, "Get /logs/a.log " + dir / "in/a.log"), FtpTransfer::kError);
  EXPECT_NE(transfer.ResponseText().find("onnect"), std::string::npos) << transfer.ResponseText();
  EXPECT_EQ(transfer.ResponseText().find(kPassword), std::string::npos);
  ExpectInFolder({});
}

TEST_F(TransferTest, ATransferCutMidFileLeavesNothing) {
  WriteFile(dir / "root/logs/big.log", std::string(4 << 20, 'x'));
  auto server = Serve("cut");
  FtpTransfer transfer(calls.Poster(), TestOptions());
  EXPECT_EQ(Perform(transfer, Url(*server), "Get /logs/big.log " + dir / "in/big.log"),
            FtpTransfer::kError);
  // Some bytes had come (curl says how many), none of them are left.
  EXPECT_NE(transfer.ResponseText().find("bytes remaining"), std::string::npos)
      << transfer.ResponseText();
  ExpectInFolder({});
}

TEST_F(TransferTest, AnExistingLocalFileIsNeverReplaced) {
  WriteFile(dir / "root/logs/a.log", "from the server");
  WriteFile(dir / "in/a.log", "mine");
  auto server = Serve("normal");
  FtpTransfer transfer(calls.Poster(), TestOptions());
  EXPECT_EQ(Perform(transfer, Url(*server), "Get /logs/a.log " + dir / "in/a.log"),
            FtpTransfer::kError);
  EXPECT_EQ(transfer.ResponseText(), "Cannot create " + dir / "in/a.log: File exists");
  EXPECT_EQ(ReadFile(dir / "in/a.log"), "mine");
  ExpectInFolder({"a.log"});
}

TEST_F(TransferTest, AbortEndsATransferToASilentServerAtOnce) {
  auto server = Serve("silent");
  FtpTransfer::Options options = TestOptions();
  options.responseTimeout = std::chrono::seconds(60);
  FtpTransfer transfer(calls.Poster(), options);
  int state = 0;
  transfer.SetOnStateChanged([&](int s) { state = s; });
  transfer.Execute(Url(*server), "Get /logs/a.log " + dir / "in/a.log");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(transfer.StillExecuting());
  const auto started = std::chrono::steady_clock::now();
  transfer.Abort();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_FALSE(transfer.StillExecuting());
  calls.RunPending();
  EXPECT_EQ(state, 0);  // a cancelled operation reports nothing
  ExpectInFolder({});
}

// The operation has ended and its state is on its way (posted, not yet delivered) when
// Abort comes: the state is dropped. The next operation's state arrives as before.
TEST_F(TransferTest, AnAbortAfterTheEndDropsTheStateOnItsWay) {
  WriteFile(dir / "root/logs/a.log", "x");
  auto server = Serve("normal");
  FtpTransfer transfer(calls.Poster(), TestOptions());
  int state = 0;
  transfer.SetOnStateChanged([&](int s) { state = s; });
  transfer.Execute(Url(*server), "Get /logs/a.log " + dir / "in/a.log");
  // Not running any more: the end was reached and not aborted.
  while (transfer.StillExecuting()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  transfer.Abort();  // joins the worker: the state has been posted by now
  calls.RunPending();
  EXPECT_EQ(state, 0);
  EXPECT_EQ(Perform(transfer, Url(*server), "Get /logs/a.log " + dir / "in/b.log"),
            FtpTransfer::kResponseCompleted);
}

TEST_F(TransferTest, ASilentServerRunsIntoTheResponseLimit) {
  auto server = Serve("silent");
  FtpTransfer::Options options = TestOptions();
  options.responseTimeout = std::chrono::seconds(1);
  FtpTransfer transfer(calls.Poster(), options);
  EXPECT_EQ(Perform(transfer, Url(*server), "Get /logs/a.log " + dir / "in/a.log"),
            FtpTransfer::kError);
  ExpectInFolder({});
}

// A refusal the client gets over (EPSV, then PASV; SIZE, then RETR) is not the reason of
// a later failure of another kind.
TEST_F(TransferTest, AnEarlierRefusalIsNotTheReasonOfALaterTimeOut) {
  WriteFile(dir / "root/logs/a.log", "x");
  FtpTransfer::Options options = TestOptions();
  options.responseTimeout = std::chrono::seconds(1);
  struct Case {
    const char* mode;
    const char* refusal;
  } cases[] = {{"epsv-refused-stall", "502 EPSV not wanted here."},
               {"size-refused-stall", "502 SIZE not allowed here."}};
  for (const auto& [mode, refusal] : cases) {
    auto server = Serve(mode);
    FtpTransfer transfer(calls.Poster(), options);
    EXPECT_EQ(Perform(transfer, Url(*server), "Get /logs/a.log " + dir / "in/a.log"),
              FtpTransfer::kError)
        << mode;
    const std::string response = transfer.ResponseText();
    EXPECT_EQ(response.find(refusal), std::string::npos) << mode << ": " << response;
    EXPECT_NE(response.find("imeout"), std::string::npos) << mode << ": " << response;
  }
  ExpectInFolder({});
}

TEST_F(TransferTest, ExecuteRefusesWhileBusyAndForBadAddressesOrOperations) {
  auto server = Serve("silent");
  FtpTransfer transfer(calls.Poster(), TestOptions());
  EXPECT_THROW(transfer.Execute("http://h/", "Get /a " + dir / "in/a"), FtpRefused);
  EXPECT_THROW(transfer.Execute("ftp://u:p@", "Get /a " + dir / "in/a"), FtpRefused);
  EXPECT_THROW(transfer.Execute(Url(*server), "Put /a /b"), FtpRefused);
  transfer.Execute(Url(*server), "Get /a " + dir / "in/a");
  EXPECT_THROW(transfer.Execute(Url(*server), "Get /a " + dir / "in/a"), FtpRefused);
  transfer.Abort();
}

TEST_F(TransferTest, DeleteRemovesTheFileOnTheServer) {
  WriteFile(dir / "root/logs/a.log", "x");
  auto server = Serve("normal");
  FtpTransfer transfer(calls.Poster(), TestOptions());
  EXPECT_EQ(Perform(transfer, Url(*server), "DELETE /logs/a.log"), FtpTransfer::kResponseCompleted);
  EXPECT_FALSE(Exists(dir / "root/logs/a.log"));
  EXPECT_EQ(Perform(transfer, Url(*server), "DELETE /logs/a.log"), FtpTransfer::kError);
  EXPECT_EQ(transfer.ResponseText().rfind("550 ", 0), 0u) << transfer.ResponseText();
}

TEST_F(TransferTest, FtpsVerifiesTheServerAgainstTheGivenCa) {
  WriteFile(dir / "root/logs/a.log", "secret log");
  auto server = Serve("tls");
  {
    FtpTransfer transfer(calls.Poster(), TestOptions(dir / "tls/ca.pem"));
    EXPECT_EQ(Perform(transfer, Url(*server, "ftps://"), "Get /logs/a.log " + dir / "in/a.log"),
              FtpTransfer::kResponseCompleted)
        << transfer.ResponseText();
    EXPECT_EQ(ReadFile(dir / "in/a.log"), "secret log");
  }
  {
    // Not trusted (the system's CAs): refused, nothing written.
    FtpTransfer transfer(calls.Poster(), TestOptions());
    EXPECT_EQ(Perform(transfer, Url(*server, "ftps://"), "Get /logs/a.log " + dir / "in/b.log"),
              FtpTransfer::kError);
    EXPECT_NE(transfer.ResponseText().find("certificate"), std::string::npos)
        << transfer.ResponseText();
  }
  {
    // Plain FTP to a server that requires TLS is refused by the server.
    FtpTransfer transfer(calls.Poster(), TestOptions(dir / "tls/ca.pem"));
    EXPECT_EQ(Perform(transfer, Url(*server), "Get /logs/a.log " + dir / "in/c.log"),
              FtpTransfer::kError);
  }
  ExpectInFolder({"a.log"});
}

TEST_F(TransferTest, AnIpv6AddressInBracketsWithAPort) {
  const int probe = ::socket(AF_INET6, SOCK_STREAM, 0);
  sockaddr_in6 loopback{};
  loopback.sin6_family = AF_INET6;
  loopback.sin6_addr = in6addr_loopback;
  const bool ipv6 =
      probe >= 0 && ::bind(probe, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback) == 0;
  if (probe >= 0) ::close(probe);
  if (!ipv6) GTEST_SKIP() << "no IPv6 loopback here";
  WriteFile(dir / "root/logs/a.log", "over IPv6");
  FtpTestServer server("normal", dir / "root", kUser, kPassword, dir / "tls", "elradfmwMT", "::1");
  FtpTransfer transfer(calls.Poster(), TestOptions());
  const std::string url = BuildFtpUrl(kUser, kPassword, "::1");
  EXPECT_EQ(url, "ftp://web:pa%3Ass%40w%2Frd%25@[::1]");
  EXPECT_EQ(
      Perform(transfer, BuildFtpUrl(kUser, kPassword, "[::1]:" + std::to_string(server.Port())),
              "Get /logs/a.log " + dir / "in/a.log"),
      FtpTransfer::kResponseCompleted)
      << transfer.ResponseText();
  EXPECT_EQ(ReadFile(dir / "in/a.log"), "over IPv6");
}

TEST_F(TransferTest, StatesPostedBeforeTheObjectWentAreDropped) {
  WriteFile(dir / "root/logs/a.log", "x");
  auto server = Serve("normal");
  int state = 0;
  {
    FtpTransfer transfer(calls.Poster(), TestOptions());
    transfer.SetOnStateChanged([&](int s) { state = s; });
    transfer.Execute(Url(*server), "Get /logs/a.log " + dir / "in/a.log");
    while (transfer.StillExecuting()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  calls.RunPending();
  EXPECT_EQ(state, 0);
}

}  // namespace
}  // namespace kestrune::test

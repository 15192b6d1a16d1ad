// FtpTestServer: the test FTP server (scripts/ftp-test-server, pyftpdlib) as a child
// process on 127.0.0.1 and a free port, for the lifetime of the object. Modes: "normal",
// "tls" (explicit TLS required, a CA and certificate made into `tlsDir`, the CA in
// tlsDir/ca.pem), "silent" (accepts and never answers), "cut" (a download is cut off),
// "epsv-refused-stall" and "size-refused-stall" (a refusal, then no answer).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrune::test {

class FtpTestServer {
 public:
  FtpTestServer(const std::string& mode, const std::string& root, const std::string& user,
                const std::string& password, const std::string& tlsDir = ".",
                const std::string& perm = "elradfmwMT", const std::string& host = "127.0.0.1") {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const std::string script = std::string(KESTRUNE_SOURCE_DIR) + "/scripts/ftp-test-server";
    std::vector<std::string> args = {
        "/usr/bin/python3", script,   "--mode",    mode,   "--root", root, "--user", user,
        "--password",       password, "--tls-dir", tlsDir, "--perm", perm, "--host", host};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      char buffer[64];
      const ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    if (line.rfind("PORT ", 0) != 0) {
      Stop();
      throw std::runtime_error("the test FTP server did not start: " + line);
    }
    port_ = std::stoi(line.substr(5));
  }
  ~FtpTestServer() { Stop(); }
  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  int Port() const { return port_; }
  // "127.0.0.1:<port>", as the server field takes it.
  std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace kestrune::test

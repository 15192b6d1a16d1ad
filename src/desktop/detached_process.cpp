#include "desktop/detached_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace kestrune {
namespace {

// Between fork and exec only async-signal-safe calls: this process may have threads.
[[noreturn]] void Fail(int reportFd) {
  const int error = errno;
  (void)!::write(reportFd, &error, sizeof error);
  ::_exit(127);
}

}  // namespace

bool StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                   int& error) {
  std::vector<std::string> words;
  words.reserve(arguments.size() + 1);
  words.push_back(program);
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // The grandchild reports a failed exec through this pipe; a successful exec closes it.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    error = errno;
    return false;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) Fail(report[1]);
    if (grandchild > 0) ::_exit(0);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &action, nullptr);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(program.c_str(), argv.data());
    Fail(report[1]);
  }
  ::close(report[1]);
  if (child < 0) {
    error = errno;
    ::close(report[0]);
    return false;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int reported = 0;
  ssize_t n;
  while ((n = ::read(report[0], &reported, sizeof reported)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  if (n == static_cast<ssize_t>(sizeof reported)) {
    error = reported;
    return false;
  }
  return true;
}

}  // namespace kestrune

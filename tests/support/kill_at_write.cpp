// A test-only preload for the process tests: kills its process with SIGKILL as it enters
// its Nth write(2) into a file whose name begins with a given text and ends in ".part"
// (the temporary files of AtomicFile), before that write happens.
//
//   LD_PRELOAD=libkill_at_write.so KESTRUNE_KILL_AT_WRITE="<name beginning>:<N>" program
//
// Other writes pass through untouched. strace(1) can kill at a system call chosen by a
// path, but not at a write into a file whose name is made up at random.
#include <dlfcn.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>

namespace {

using WriteFunction = ssize_t (*)(int, const void*, size_t);

std::atomic<int> writesSeen{0};

bool IsChosenFile(int fd, const std::string& beginning) {
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  char target[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) return false;
  const std::string path(target, static_cast<std::size_t>(n));
  const std::string name = path.substr(path.rfind('/') + 1);
  constexpr std::string_view kPart = ".part";
  return name.size() > beginning.size() + kPart.size() && name.rfind(beginning, 0) == 0 &&
         name.compare(name.size() - kPart.size(), kPart.size(), kPart) == 0;
}

}  // namespace

extern "C" ssize_t write(int fd, const void* data, size_t size) {
  static const auto next = reinterpret_cast<WriteFunction>(::dlsym(RTLD_NEXT, "write"));
  if (const char* setting = std::getenv("KESTRUNE_KILL_AT_WRITE"); setting != nullptr) {
    const char* colon = std::strrchr(setting, ':');
    if (colon != nullptr && IsChosenFile(fd, std::string(setting, colon)) &&
        ++writesSeen == std::atoi(colon + 1))
      ::kill(::getpid(), SIGKILL);
  }
  return next(fd, data, size);
}

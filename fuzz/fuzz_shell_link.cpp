// libFuzzer target: shortcut (.lnk) files. The input is parsed as the bytes of a shortcut,
// then read as a file (a memfd, reached through /proc/self/fd) and resolved: the texts
// must be well-formed UTF-8, and a resolved shortcut holds paths of this system.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "desktop/shell_link.h"
#include "util/utf8.h"

using namespace kestrune;

namespace {

void CheckUtf8(std::string_view text) {
  while (!text.empty()) {
    char32_t code = 0;
    const std::size_t length = DecodeUtf8(text, code);
    if (length == 0) std::abort();
    text.remove_prefix(length);
  }
}

int MemoryFile() {
  static const int fd = memfd_create("shortcut.lnk", 0);
  if (fd < 0) std::abort();
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<ShellLinkData> parsed = ParseShellLink(std::span(data, size));
  if (parsed) {
    for (const std::string* text : {&parsed->localPath, &parsed->relativePath, &parsed->workingDir,
                                    &parsed->arguments, &parsed->name}) {
      CheckUtf8(*text);
    }
  }

  const int fd = MemoryFile();
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
    std::abort();
  const std::optional<ShellLink> link = ReadShellLink("/proc/self/fd/" + std::to_string(fd));
  // A resolved shortcut is one that parsed and names a target.
  if (link.has_value() !=
      (parsed && (!parsed->localPath.empty() || !parsed->relativePath.empty()))) {
    std::abort();
  }
  if (link) {
    if (link->targetPath.empty() || link->targetPath.find('\\') != std::string::npos ||
        link->workingDirectory.find('\\') != std::string::npos ||
        link->arguments != parsed->arguments)
      std::abort();
    if (link->showCommand != 1 && link->showCommand != 3 && link->showCommand != 7) std::abort();
  }
  return 0;
}

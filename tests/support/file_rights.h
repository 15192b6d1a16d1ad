// Lets a test meet files that cannot be read or written even when it runs as root, as CI
// does: for its lifetime the calling thread works without the capabilities that bypass
// file permissions (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH), and gets them back after.
// Without those capabilities to begin with (an ordinary user) it changes nothing.
// Check with CanOpen, not access(2): access judges root by its permitted capabilities.
#pragma once

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

namespace kestrune::test {

class WithoutFileRightsOverride {
 public:
  WithoutFileRightsOverride() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    if ((lowered[0].effective & kOverrides) == 0) return;
    lowered[0].effective &= ~kOverrides;
    lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
  }
  ~WithoutFileRightsOverride() {
    if (lowered_) ::syscall(SYS_capset, &header_, saved_);
  }
  WithoutFileRightsOverride(const WithoutFileRightsOverride&) = delete;
  WithoutFileRightsOverride& operator=(const WithoutFileRightsOverride&) = delete;

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool lowered_ = false;
};

// Whether this thread can open `path` with `flags` (O_RDONLY, O_WRONLY | O_CREAT, ...).
inline bool CanOpen(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  if (flags & O_CREAT) ::unlink(path.c_str());
  return true;
}

}  // namespace kestrune::test

#include "desktop/shell_link.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <string_view>
#include <vector>

#include "util/path.h"
#include "util/utf8.h"

namespace kestrune {
namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::array<std::uint8_t, 16> kLinkClsid = {
    0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::size_t kMaxFileSize = 1 << 20;  // real shortcuts are a few kilobytes

enum LinkFlag : std::uint32_t {
  kHasLinkTargetIdList = 0x1,
  kHasLinkInfo = 0x2,
  kHasName = 0x4,
  kHasRelativePath = 0x8,
  kHasWorkingDir = 0x10,
  kHasArguments = 0x20,
  kIsUnicode = 0x80,
  kForceNoLinkInfo = 0x100,
};

enum LinkInfoFlag : std::uint32_t {
  kVolumeIdAndLocalBasePath = 0x1,
  kCommonNetworkRelativeLinkAndPathSuffix = 0x2,
};

// Bounds-checked little-endian reads over one structure.
class Bytes {
 public:
  explicit Bytes(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t size() const { return data_.size(); }

  bool u16(std::size_t at, std::uint32_t& out) const {
    if (at > data_.size() || data_.size() - at < 2) return false;
    out = static_cast<std::uint32_t>(data_[at] | (data_[at + 1] << 8));
    return true;
  }

  bool u32(std::size_t at, std::uint32_t& out) const {
    if (at > data_.size() || data_.size() - at < 4) return false;
    out = static_cast<std::uint32_t>(data_[at]) | (static_cast<std::uint32_t>(data_[at + 1]) << 8) |
          (static_cast<std::uint32_t>(data_[at + 2]) << 16) |
          (static_cast<std::uint32_t>(data_[at + 3]) << 24);
    return true;
  }

  std::optional<Bytes> sub(std::size_t at, std::size_t length) const {
    if (at > data_.size() || data_.size() - at < length) return std::nullopt;
    return Bytes(data_.subspan(at, length));
  }

  // An 8-bit (system code page, read as Latin-1) string of `length` bytes.
  std::optional<std::string> ansi(std::size_t at, std::size_t length) const {
    if (at > data_.size() || data_.size() - at < length) return std::nullopt;
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) AppendUtf8(out, data_[at + i]);
    return out;
  }

  // A UTF-16LE string of `count` code units; a surrogate without its partner reads "?".
  std::optional<std::string> utf16(std::size_t at, std::size_t count) const {
    if (at > data_.size() || (data_.size() - at) / 2 < count) return std::nullopt;
    auto unit = [&](std::size_t i) -> char32_t {
      return static_cast<char32_t>(data_[at + 2 * i] | (data_[at + 2 * i + 1] << 8));
    };
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      const char32_t u = unit(i);
      if (u < 0xD800 || u > 0xDFFF) {
        AppendUtf8(out, u);
      } else if (u <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
        ++i;
      } else {
        out += '?';
      }
    }
    return out;
  }

  // A zero-terminated string that must end inside this structure.
  std::optional<std::string> ansiZ(std::size_t at) const {
    if (at >= data_.size()) return std::nullopt;
    auto begin = data_.begin() + static_cast<std::ptrdiff_t>(at);
    auto end = std::find(begin, data_.end(), std::uint8_t{0});
    if (end == data_.end()) return std::nullopt;
    return ansi(at, static_cast<std::size_t>(end - begin));
  }

  std::optional<std::string> utf16Z(std::size_t at) const {
    for (std::size_t i = at;; i += 2) {
      std::uint32_t unit = 0;
      if (!u16(i, unit)) return std::nullopt;
      if (unit == 0) return utf16(at, (i - at) / 2);
    }
  }

  bool equals(std::size_t at, std::span<const std::uint8_t> expected) const {
    if (at > data_.size() || data_.size() - at < expected.size()) return false;
    return std::equal(expected.begin(), expected.end(),
                      data_.begin() + static_cast<std::ptrdiff_t>(at));
  }

 private:
  std::span<const std::uint8_t> data_;
};

// The network share name of a CommonNetworkRelativeLink structure.
std::optional<std::string> ParseNetName(const Bytes& info, std::uint32_t offset) {
  std::uint32_t size = 0;
  if (!info.u32(offset, size) || size < 0x14) return std::nullopt;
  std::optional<Bytes> link = info.sub(offset, size);
  std::uint32_t netNameOffset = 0;
  if (!link || !link->u32(8, netNameOffset)) return std::nullopt;
  if (netNameOffset > 0x14) {
    std::uint32_t unicodeOffset = 0;
    if (!link->u32(0x14, unicodeOffset)) return std::nullopt;
    if (unicodeOffset != 0) return link->utf16Z(unicodeOffset);
  }
  return link->ansiZ(netNameOffset);
}

// The target path of a LinkInfo structure ("" when it holds none).
std::optional<std::string> ParseLinkInfo(const Bytes& info) {
  std::uint32_t headerSize = 0, flags = 0, baseOffset = 0, networkOffset = 0, suffixOffset = 0;
  if (!info.u32(4, headerSize) || !info.u32(8, flags) || !info.u32(16, baseOffset) ||
      !info.u32(20, networkOffset) || !info.u32(24, suffixOffset)) {
    return std::nullopt;
  }
  if (headerSize < 0x1C || headerSize > info.size() || (headerSize > 0x1C && headerSize < 0x24)) {
    return std::nullopt;
  }
  std::uint32_t baseUnicode = 0, suffixUnicode = 0;
  if (headerSize >= 0x24 && (!info.u32(28, baseUnicode) || !info.u32(32, suffixUnicode))) {
    return std::nullopt;
  }

  std::optional<std::string> suffix;
  if (suffixUnicode != 0) {
    suffix = info.utf16Z(suffixUnicode);
  } else if (suffixOffset != 0) {
    suffix = info.ansiZ(suffixOffset);
  } else {
    suffix = std::string();
  }
  if (!suffix) return std::nullopt;

  if (flags & kVolumeIdAndLocalBasePath) {
    std::optional<std::string> base =
        baseUnicode != 0 ? info.utf16Z(baseUnicode) : info.ansiZ(baseOffset);
    if (!base) return std::nullopt;
    return *base + *suffix;
  }
  if (flags & kCommonNetworkRelativeLinkAndPathSuffix) {
    std::optional<std::string> share = ParseNetName(info, networkOffset);
    if (!share) return std::nullopt;
    if (suffix->empty()) return share;
    if (share->empty() || share->back() != '\\') *share += '\\';
    return *share + *suffix;
  }
  return std::string();
}

bool IsAbsolute(std::string_view path) {
  if (!path.empty() && path.front() == '/') return true;
  // A Windows drive path ("C:/..."): resolving it against a folder would only garble it.
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string Resolve(const std::string& folder, const std::string& path) {
  if (path.empty() || IsAbsolute(path)) return path;
  return AbsolutePath(folder + '/' + path);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The whole file, unless it cannot be read, is a directory or is larger than
// kMaxFileSize.
std::optional<std::vector<std::uint8_t>> ReadSmallFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode) &&
      static_cast<std::uintmax_t>(st.st_size) <= kMaxFileSize) {
    bytes.emplace();
    std::uint8_t chunk[16384];
    for (;;) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || bytes->size() + static_cast<std::size_t>(n) > kMaxFileSize) {
        bytes.reset();  // unreadable, or grown past the limit while being read
        break;
      }
      if (n == 0) break;
      bytes->insert(bytes->end(), chunk, chunk + n);
    }
  }
  ::close(fd);
  return bytes;
}

}  // namespace

std::string SlashPath(std::string_view windowsPath) {
  std::string out(windowsPath);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::optional<ShellLinkData> ParseShellLink(std::span<const std::uint8_t> bytes) {
  Bytes file(bytes);
  std::uint32_t headerSize = 0, flags = 0, show = 0;
  if (!file.u32(0, headerSize) || headerSize != kHeaderSize || file.size() < kHeaderSize ||
      !file.equals(4, kLinkClsid) || !file.u32(20, flags) || !file.u32(60, show)) {
    return std::nullopt;
  }
  ShellLinkData data;
  data.showCommand = show;
  std::size_t pos = kHeaderSize;

  if (flags & kHasLinkTargetIdList) {
    std::uint32_t idListSize = 0;
    if (!file.u16(pos, idListSize) || !file.sub(pos + 2, idListSize)) return std::nullopt;
    pos += 2 + idListSize;
  }

  if (flags & kHasLinkInfo) {
    std::uint32_t infoSize = 0;
    if (!file.u32(pos, infoSize) || infoSize < 0x1C) return std::nullopt;
    std::optional<Bytes> info = file.sub(pos, infoSize);
    if (!info) return std::nullopt;
    std::optional<std::string> path = ParseLinkInfo(*info);
    if (!path) return std::nullopt;
    if (!(flags & kForceNoLinkInfo)) data.localPath = std::move(*path);
    pos += infoSize;
  }

  const bool unicode = flags & kIsUnicode;
  struct Field {
    std::uint32_t flag;
    std::string* target;
  };
  const Field fields[] = {{kHasName, &data.name},
                          {kHasRelativePath, &data.relativePath},
                          {kHasWorkingDir, &data.workingDir},
                          {kHasArguments, &data.arguments}};
  for (const Field& field : fields) {
    if (!(flags & field.flag)) continue;
    std::uint32_t count = 0;
    if (!file.u16(pos, count)) return std::nullopt;
    pos += 2;
    std::optional<std::string> text = unicode ? file.utf16(pos, count) : file.ansi(pos, count);
    if (!text) return std::nullopt;
    *field.target = std::move(*text);
    pos += unicode ? 2 * std::size_t{count} : count;
  }
  return data;
}

std::optional<ShellLink> ReadShellLink(const std::string& lnkPath) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadSmallFile(lnkPath);
  if (!bytes) return std::nullopt;
  std::optional<ShellLinkData> data = ParseShellLink(*bytes);
  if (!data) return std::nullopt;

  const std::string file = AbsolutePath(lnkPath);
  const std::string folder = file.substr(0, std::max<std::size_t>(file.rfind('/'), 1));
  const std::string local = Resolve(folder, SlashPath(data->localPath));
  const std::string relative = Resolve(folder, SlashPath(data->relativePath));
  ShellLink link;
  // The recorded absolute path first; when it does not exist here (a shortcut made on
  // another machine), the path relative to the shortcut.
  if (!local.empty() && (Exists(local) || relative.empty() || !Exists(relative))) {
    link.targetPath = local;
  } else {
    link.targetPath = relative;
  }
  if (link.targetPath.empty()) return std::nullopt;
  link.arguments = data->arguments;
  link.workingDirectory = Resolve(folder, SlashPath(data->workingDir));
  link.showCommand =
      (data->showCommand == 3 || data->showCommand == 7) ? static_cast<int>(data->showCommand) : 1;
  return link;
}

}  // namespace kestrune

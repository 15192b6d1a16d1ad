// The settings file and its locked, atomic rewrite.
//
// File layout (bytes are kept as they are; lines end CR LF):
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Vantorel\Kestrune]
//   "IIS"="Y"
//   @="the key's default value"
//
// Inside quotes "\\" and "\"" stand for a backslash and a quote; CR, LF and TAB are
// written "\r", "\n", "\t", and any other control byte "\xHH", so that every value stays
// on its line. Lines starting with ";" are comments. Any other line is unreadable: it is
// skipped and counted, the rest of the file is read, and the file counts as damaged.
#include "desktop/settings_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "util/text.h"

namespace kestrune {
namespace {

constexpr std::string_view kSignature = "REGEDIT4";
constexpr std::string_view kHive = "HKEY_CURRENT_USER\\";
constexpr std::string_view kTempMarker = ".tmp-";
constexpr std::size_t kDeleteGuardLength = 25;

struct Value {
  std::string name;
  std::string data;
};

struct Key {
  std::string path;  // normalised: no empty components, "\" between them
  std::vector<Value> values;
};

struct Hive {
  std::vector<Key> keys;  // in first-written order
};

enum class LoadState { kMissing, kOk, kDamaged };

struct Loaded {
  LoadState state = LoadState::kMissing;
  Hive hive;
  std::size_t skippedLines = 0;  // unreadable lines left out of `hive`
};

char AsciiFold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Registry names compare without regard to letter case. The fold is ASCII only, so that
// a file written under one locale reads the same under another.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiFold(a[i]) != AsciiFold(b[i])) return false;
  }
  return true;
}

bool IsControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

// "a\\b\\" -> "a\b"; nullopt when a component holds a control byte (it could not be
// written on the section line).
std::optional<std::string> NormaliseKey(std::string_view key) {
  std::string out;
  std::size_t i = 0;
  while (i < key.size()) {
    std::size_t end = key.find('\\', i);
    if (end == std::string_view::npos) end = key.size();
    std::string_view part = key.substr(i, end - i);
    if (!part.empty()) {
      for (unsigned char c : part) {
        if (IsControl(c)) return std::nullopt;
      }
      if (!out.empty()) out += '\\';
      out += part;
    }
    i = end + 1;
  }
  return out;
}

// True when `path` is `key` itself or lies below it.
bool InTree(std::string_view path, std::string_view key) {
  if (path.size() < key.size() || !SameName(path.substr(0, key.size()), key)) return false;
  return path.size() == key.size() || path[key.size()] == '\\';
}

Key* FindKey(Hive& hive, std::string_view path) {
  for (Key& k : hive.keys) {
    if (SameName(k.path, path)) return &k;
  }
  return nullptr;
}

Value* FindValue(Key& key, std::string_view name) {
  for (Value& v : key.values) {
    if (SameName(v.name, name)) return &v;
  }
  return nullptr;
}

// --- parsing ---------------------------------------------------------------------------

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted string starting at line[pos] == '"'; advances pos past the closing quote.
std::optional<std::string> ParseQuoted(std::string_view line, std::size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  std::string out;
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++pos >= line.size()) return std::nullopt;
    switch (line[pos]) {
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'x': {
        if (pos + 2 >= line.size()) return std::nullopt;
        int hi = HexDigit(line[pos + 1]);
        int lo = HexDigit(line[pos + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        pos += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;  // no closing quote
}

std::string FoldedName(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = AsciiFold(c);
  return out;
}

// One line of a section: its value name ("" for "@") and data; nullopt when unreadable.
std::optional<Value> ParseValueLine(std::string_view line) {
  std::size_t p = 0;
  std::string name;
  if (line.front() == '@') {
    p = 1;
  } else {
    std::optional<std::string> n = ParseQuoted(line, p);
    if (!n) return std::nullopt;
    name = std::move(*n);
  }
  if (p >= line.size() || line[p] != '=') return std::nullopt;
  ++p;
  std::optional<std::string> data = ParseQuoted(line, p);
  if (!data || p != line.size()) return std::nullopt;
  return Value{std::move(name), std::move(*data)};
}

struct Parsed {
  Hive hive;
  std::size_t skippedLines = 0;
};

// The whole file in one pass, in time linear in its size: keys and value names are found
// through hash maps of their folded names. A line that cannot be read (a missing
// signature, a broken section line, a value outside a readable section, a broken value)
// is skipped and counted; everything readable is kept.
Parsed ParseHive(std::string_view text) {
  Parsed parsed;
  Hive& hive = parsed.hive;
  std::unordered_map<std::string, std::size_t> keyAt;                 // folded path
  std::vector<std::unordered_map<std::string, std::size_t>> valueAt;  // per key
  constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);
  std::size_t current = kNoSection;  // the readable section the lines belong to
  bool first = true;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (first) {
      first = false;
      if (line == kSignature) continue;
      ++parsed.skippedLines;
      continue;
    }
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      current = kNoSection;
      if (line.back() != ']') {
        ++parsed.skippedLines;
        continue;
      }
      std::string_view inner = line.substr(1, line.size() - 2);
      std::optional<std::string> path;
      if (inner.size() >= kHive.size() && SameName(inner.substr(0, kHive.size()), kHive))
        path = NormaliseKey(inner.substr(kHive.size()));
      if (!path || path->empty()) {
        ++parsed.skippedLines;
        continue;
      }
      auto [at, added] = keyAt.try_emplace(FoldedName(*path), hive.keys.size());
      if (added) {
        hive.keys.push_back(Key{std::move(*path), {}});
        valueAt.emplace_back();
      }
      current = at->second;
      continue;
    }

    std::optional<Value> value;
    if (current != kNoSection) value = ParseValueLine(line);
    if (!value) {
      ++parsed.skippedLines;
      continue;
    }
    Key& key = hive.keys[current];
    auto [at, added] = valueAt[current].try_emplace(FoldedName(value->name), key.values.size());
    if (added) {
      key.values.push_back(std::move(*value));
    } else {
      key.values[at->second].data = std::move(value->data);
    }
  }
  return parsed;
}

// --- writing ---------------------------------------------------------------------------

void AppendQuoted(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '"';
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (IsControl(u)) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string FormatHive(const Hive& hive) {
  std::string out(kSignature);
  out += "\r\n";
  for (const Key& key : hive.keys) {
    out += "\r\n[";
    out += kHive;
    out += key.path;
    out += "]\r\n";
    for (const Value& v : key.values) {
      if (v.name.empty()) {
        out += '@';
      } else {
        AppendQuoted(out, v.name);
      }
      out += '=';
      AppendQuoted(out, v.data);
      out += "\r\n";
    }
  }
  return out;
}

// --- file access -----------------------------------------------------------------------

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool closeChecked() {
    int fd = std::exchange(fd_, -1);
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Reads the whole file. Missing file: kMissing. A file that cannot be read: kDamaged
// with nothing in it. A file with unreadable lines: kDamaged with every readable value.
// An empty file is an empty store.
Loaded LoadFile(const std::string& path) {
  Loaded result;
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    result.state = errno == ENOENT ? LoadState::kMissing : LoadState::kDamaged;
    return result;
  }
  std::string text;
  char buffer[16384];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.state = LoadState::kDamaged;
      return result;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  Parsed parsed = ParseHive(text);
  result.state = parsed.skippedLines > 0 ? LoadState::kDamaged : LoadState::kOk;
  result.hive = std::move(parsed.hive);
  result.skippedLines = parsed.skippedLines;
  return result;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates the missing directories of `dir`, each private to the user.
bool MakeDirectories(const std::string& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = DirectoryOf(dir);
  if (parent != dir && !MakeDirectories(parent)) return false;
  return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void SyncDirectory(const std::string& dir) {
  Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) ::fsync(fd.get());
}

// Temporary files of writers that died before their rename. Called with the lock held,
// when no live writer can own one.
void RemoveStaleTemps(const std::string& path) {
  std::error_code ec;
  std::filesystem::path file(path);
  std::string prefix = file.filename().string() + std::string(kTempMarker);
  std::filesystem::path dir = file.parent_path().empty() ? "." : file.parent_path();
  // Stepped with an error code, so that a folder changing meanwhile cannot throw.
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
      std::error_code ignored;
      std::filesystem::remove(it->path(), ignored);
    }
  }
}

// Moves a damaged file out of the way under a new name; never replaces an existing file.
bool KeepAside(const std::string& path) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  std::string base = path + ".damaged-" + stamp;
  for (int i = 0; i < 1000; ++i) {
    std::string target = i == 0 ? base : base + "-" + std::to_string(i);
    if (::link(path.c_str(), target.c_str()) == 0) {
      return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    }
    if (errno == EEXIST) continue;
    // link() may be refused (a file system without hard links): fall back to rename,
    // after checking the name is free.
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) continue;
    return ::rename(path.c_str(), target.c_str()) == 0;
  }
  return false;
}

// Writes `hive` to a temporary file beside `path`, syncs it and renames it over `path`.
bool ReplaceFile(const std::string& path, const Hive& hive) {
  std::string temp = path + std::string(kTempMarker) + "XXXXXX";
  Fd fd(::mkstemp(temp.data()));
  if (fd.get() < 0) return false;
  bool ok = ::fchmod(fd.get(), 0600) == 0 && WriteAll(fd.get(), FormatHive(hive)) &&
            ::fsync(fd.get()) == 0;
  ok = fd.closeChecked() && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncDirectory(DirectoryOf(path));
  return true;
}

// Runs `change` on the stored hive under the file lock and writes the result back when
// `change` reports a modification. `change` returns false to refuse.
template <typename Change, typename Seen>
bool Modify(const std::string& path, Change change, Seen seen) {
  if (path.empty() || !MakeDirectories(DirectoryOf(path))) return false;
  std::string lockPath = path + ".lock";
  Fd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (lock.get() < 0) return false;
  int rc;
  do {
    rc = ::flock(lock.get(), LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return false;

  RemoveStaleTemps(path);
  Loaded loaded = LoadFile(path);
  seen(loaded);
  bool modified = false;
  if (!change(loaded.hive, modified)) return false;
  if (!modified && loaded.state != LoadState::kDamaged) return true;
  if (loaded.state == LoadState::kDamaged && !KeepAside(path)) return false;
  return ReplaceFile(path, loaded.hive);
  // The lock is released when `lock` closes.
}

std::string Cut(std::string_view text) {
  return std::string(text.substr(0, std::min(text.size(), kShortTextMax)));
}

}  // namespace

SettingsStore::SettingsStore(std::string filePath) : path_(std::move(filePath)) {}

void SettingsStore::SetDamageReport(std::function<void(std::size_t)> report) {
  damageReport_ = std::move(report);
}

void SettingsStore::Seen(std::size_t skippedLines) const {
  if (skippedLines == 0 || damageReported_ || !damageReport_) return;
  damageReported_ = true;
  damageReport_(skippedLines);
}

std::string SettingsStore::DefaultPath() {
  if (const char* explicitPath = std::getenv("KESTRUNE_SETTINGS"); explicitPath && *explicitPath) {
    return explicitPath;
  }
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    config = std::string(home) + "/.config";
  } else {
    config = ".config";
  }
  return config + "/Vantorel/Kestrune.reg";
}

std::string SettingsStore::RegReadString(std::string_view key, std::string_view name,
                                         std::string_view defaultValue) const {
  std::optional<std::string> path = NormaliseKey(key);
  if (!path) return Cut(defaultValue);
  Loaded loaded = LoadFile(path_);
  Seen(loaded.skippedLines);
  if (const Key* k = FindKey(loaded.hive, *path)) {
    for (const Value& v : k->values) {
      if (SameName(v.name, name)) return Cut(v.data);
    }
  }
  return Cut(defaultValue);
}

bool SettingsStore::RegWriteString(std::string_view key, std::string_view name,
                                   std::string_view text) {
  std::optional<std::string> path = NormaliseKey(key);
  if (!path || path->empty()) return false;
  return Modify(
      path_,
      [&](Hive& hive, bool& modified) {
        Key* k = FindKey(hive, *path);
        if (k == nullptr) {
          hive.keys.push_back(Key{*path, {}});
          k = &hive.keys.back();
          modified = true;
        }
        if (Value* v = FindValue(*k, name)) {
          if (v->data != text) {
            v->data = std::string(text);
            modified = true;
          }
        } else {
          k->values.push_back(Value{std::string(name), std::string(text)});
          modified = true;
        }
        return true;
      },
      [this](const Loaded& loaded) { Seen(loaded.skippedLines); });
}

std::vector<std::string> SettingsStore::RegValueNames(std::string_view key) const {
  std::vector<std::string> names;
  std::optional<std::string> path = NormaliseKey(key);
  if (!path) return names;
  Loaded loaded = LoadFile(path_);
  Seen(loaded.skippedLines);
  if (const Key* k = FindKey(loaded.hive, *path)) {
    names.reserve(k->values.size());
    for (const Value& v : k->values) names.push_back(Cut(v.name));
  }
  return names;
}

bool SettingsStore::RegDeleteKeyTree(std::string_view key) {
  // The guard applies to the key as it names a real key: "\\\\..." padded with
  // separators must not reach the whole hive.
  std::optional<std::string> path = NormaliseKey(key);
  if (!path || path->size() < kDeleteGuardLength) return false;
  return Modify(
      path_,
      [&](Hive& hive, bool& modified) {
        std::erase_if(hive.keys, [&](const Key& k) {
          bool gone = InTree(k.path, *path);
          modified = modified || gone;
          return gone;
        });
        return true;
      },
      [this](const Loaded& loaded) { Seen(loaded.skippedLines); });
}

bool SettingsStore::RegWriteNames(std::string_view key, const std::vector<std::string>& names) {
  std::optional<std::string> path = NormaliseKey(key);
  if (!path || path->size() < kDeleteGuardLength) return false;
  return Modify(
      path_,
      [&](Hive& hive, bool& modified) {
        std::erase_if(hive.keys, [&](const Key& k) { return InTree(k.path, *path); });
        Key written{*path, {}};
        std::unordered_set<std::string> seen;
        for (const std::string& name : names)
          if (seen.insert(FoldedName(name)).second) written.values.push_back(Value{name, ""});
        if (!written.values.empty()) hive.keys.push_back(std::move(written));
        modified = true;
        return true;
      },
      [this](const Loaded& loaded) { Seen(loaded.skippedLines); });
}

}  // namespace kestrune

#include "desktop/registry_text.h"

#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kestrune {
namespace {

constexpr std::string_view kSignature = "REGEDIT4";
constexpr std::string_view kHive = "HKEY_CURRENT_USER\\";

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

// One line of a section: its value name ("" for "@") and data; nullopt when unreadable.
std::optional<HiveValue> ParseValueLine(std::string_view line) {
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
  return HiveValue{std::move(name), std::move(*data)};
}

// The key path of a section line "[HKEY_CURRENT_USER\...]"; nullopt when unreadable.
std::optional<std::string> ParseSectionLine(std::string_view line) {
  if (line.back() != ']') return std::nullopt;
  std::string_view inner = line.substr(1, line.size() - 2);
  if (inner.size() < kHive.size() || !SameName(inner.substr(0, kHive.size()), kHive))
    return std::nullopt;
  std::optional<std::string> path = NormaliseKey(inner.substr(kHive.size()));
  if (!path || path->empty()) return std::nullopt;
  return path;
}

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

}  // namespace

// Keys and value names are found through hash maps of their folded names, so that a
// long list reads in linear time.
ParsedRegistryText ParseRegistryText(std::string_view text) {
  ParsedRegistryText parsed;
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
      if (line != kSignature) ++parsed.skippedLines;
      continue;
    }
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      current = kNoSection;
      std::optional<std::string> path = ParseSectionLine(line);
      if (!path) {
        ++parsed.skippedLines;
        continue;
      }
      auto [at, added] = keyAt.try_emplace(FoldedName(*path), hive.keys.size());
      if (added) {
        hive.keys.push_back(HiveKey{std::move(*path), {}});
        valueAt.emplace_back();
      }
      current = at->second;
      continue;
    }

    std::optional<HiveValue> value;
    if (current != kNoSection) value = ParseValueLine(line);
    if (!value) {
      ++parsed.skippedLines;
      continue;
    }
    HiveKey& key = hive.keys[current];
    auto [at, added] = valueAt[current].try_emplace(FoldedName(value->name), key.values.size());
    if (added) {
      key.values.push_back(std::move(*value));
    } else {
      key.values[at->second].data = std::move(value->data);
    }
  }
  return parsed;
}

std::string FormatRegistryText(const Hive& hive) {
  std::string out(kSignature);
  out += "\r\n";
  for (const HiveKey& key : hive.keys) {
    out += "\r\n[";
    out += kHive;
    out += key.path;
    out += "]\r\n";
    for (const HiveValue& v : key.values) {
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

}  // namespace kestrune

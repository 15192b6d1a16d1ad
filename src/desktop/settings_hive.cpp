#include "desktop/settings_hive.h"

namespace kestrune {
namespace {

char AsciiFold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiFold(a[i]) != AsciiFold(b[i])) return false;
  }
  return true;
}

std::string FoldedName(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = AsciiFold(c);
  return out;
}

bool IsControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

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

bool InTree(std::string_view path, std::string_view key) {
  if (path.size() < key.size() || !SameName(path.substr(0, key.size()), key)) return false;
  return path.size() == key.size() || path[key.size()] == '\\';
}

HiveKey* FindKey(Hive& hive, std::string_view path) {
  for (HiveKey& k : hive.keys) {
    if (SameName(k.path, path)) return &k;
  }
  return nullptr;
}

const HiveKey* FindKey(const Hive& hive, std::string_view path) {
  for (const HiveKey& k : hive.keys) {
    if (SameName(k.path, path)) return &k;
  }
  return nullptr;
}

const HiveValue* FindValue(const HiveKey& key, std::string_view name) {
  for (const HiveValue& v : key.values) {
    if (SameName(v.name, name)) return &v;
  }
  return nullptr;
}

bool SetValue(Hive& hive, std::string_view path, std::string_view name, std::string_view data) {
  bool modified = false;
  HiveKey* key = FindKey(hive, path);
  if (key == nullptr) {
    hive.keys.push_back(HiveKey{std::string(path), {}});
    key = &hive.keys.back();
    modified = true;
  }
  for (HiveValue& v : key->values) {
    if (!SameName(v.name, name)) continue;
    if (v.data == data) return modified;
    v.data = std::string(data);
    return true;
  }
  key->values.push_back(HiveValue{std::string(name), std::string(data)});
  return true;
}

bool DeleteTree(Hive& hive, std::string_view path) {
  return std::erase_if(hive.keys, [&](const HiveKey& k) { return InTree(k.path, path); }) > 0;
}

}  // namespace kestrune

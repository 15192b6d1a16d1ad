// The settings hive in memory: keys in first-written order, each with its values in
// first-written order. Key paths are relative to the hive, with "\" between their
// components; keys and value names compare without regard to (ASCII) letter case, so
// that a file written under one locale reads the same under another.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct HiveValue {
  std::string name;  // "" for the key's default value
  std::string data;
  friend bool operator==(const HiveValue&, const HiveValue&) = default;
};

struct HiveKey {
  std::string path;  // normalised (NormaliseKey)
  std::vector<HiveValue> values;
  friend bool operator==(const HiveKey&, const HiveKey&) = default;
};

struct Hive {
  std::vector<HiveKey> keys;
  friend bool operator==(const Hive&, const Hive&) = default;
};

bool SameName(std::string_view a, std::string_view b);
// The name with A-Z folded to a-z: equal for names that are the SameName.
std::string FoldedName(std::string_view name);
// A byte that cannot stand as it is on a line of the file: below 0x20, and 0x7F.
bool IsControl(unsigned char c);

// "a\\b\\" -> "a\b" (empty components left out); nullopt when a component holds a
// control byte (it could not be written on the section line).
std::optional<std::string> NormaliseKey(std::string_view key);
// True when `path` is `key` itself or lies below it (both normalised).
bool InTree(std::string_view path, std::string_view key);

HiveKey* FindKey(Hive& hive, std::string_view path);
const HiveKey* FindKey(const Hive& hive, std::string_view path);
const HiveValue* FindValue(const HiveKey& key, std::string_view name);

// Creates the key when missing and sets the value (kept at its place when it exists);
// true when that changed the hive.
bool SetValue(Hive& hive, std::string_view path, std::string_view name, std::string_view data);
// Removes the key and every key below it; true when one was there.
bool DeleteTree(Hive& hive, std::string_view path);

}  // namespace kestrune

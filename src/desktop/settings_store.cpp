// The settings store's operations on the hive: each read loads the file afresh, each
// write is one locked change of the file (settings_file.h).
#include "desktop/settings_store.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unordered_set>
#include <utility>

#include "desktop/settings_file.h"
#include "util/text.h"

namespace kestrune {
namespace {

constexpr std::size_t kDeleteGuardLength = 25;

std::string Cut(std::string_view text) {
  return std::string(text.substr(0, std::min(text.size(), kShortTextMax)));
}

}  // namespace

SettingsStore::SettingsStore(std::string filePath) : path_(std::move(filePath)) {}

void SettingsStore::SetDamageReport(std::function<void(std::size_t)> report) {
  damageReport_ = std::move(report);
}

std::function<void(const SettingsFileContent&)> SettingsStore::SeenReport() const {
  return [this](const SettingsFileContent& content) { Seen(content.skippedLines); };
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
  const SettingsFileContent content = ReadSettingsFile(path_);
  Seen(content.skippedLines);
  if (const HiveKey* k = FindKey(content.hive, *path)) {
    if (const HiveValue* v = FindValue(*k, name)) return Cut(v->data);
  }
  return Cut(defaultValue);
}

bool SettingsStore::RegWriteString(std::string_view key, std::string_view name,
                                   std::string_view text) {
  std::optional<std::string> path = NormaliseKey(key);
  if (!path || path->empty()) return false;
  return ChangeSettingsFile(
      path_,
      [&](Hive& hive, bool& modified) {
        modified = SetValue(hive, *path, name, text);
        return true;
      },
      SeenReport());
}

std::vector<std::string> SettingsStore::RegValueNames(std::string_view key) const {
  std::vector<std::string> names;
  std::optional<std::string> path = NormaliseKey(key);
  if (!path) return names;
  const SettingsFileContent content = ReadSettingsFile(path_);
  Seen(content.skippedLines);
  if (const HiveKey* k = FindKey(content.hive, *path)) {
    names.reserve(k->values.size());
    for (const HiveValue& v : k->values) names.push_back(Cut(v.name));
  }
  return names;
}

bool SettingsStore::RegDeleteKeyTree(std::string_view key) {
  // The guard applies to the key as it names a real key: "\\\\..." padded with
  // separators must not reach the whole hive.
  std::optional<std::string> path = NormaliseKey(key);
  if (!path || path->size() < kDeleteGuardLength) return false;
  return ChangeSettingsFile(
      path_,
      [&](Hive& hive, bool& modified) {
        modified = DeleteTree(hive, *path);
        return true;
      },
      SeenReport());
}

bool SettingsStore::RegWriteNames(std::string_view key, const std::vector<std::string>& names) {
  std::optional<std::string> path = NormaliseKey(key);
  if (!path || path->size() < kDeleteGuardLength) return false;
  return ChangeSettingsFile(
      path_,
      [&](Hive& hive, bool& modified) {
        DeleteTree(hive, *path);
        HiveKey written{*path, {}};
        std::unordered_set<std::string> seen;
        for (const std::string& name : names)
          if (seen.insert(FoldedName(name)).second) written.values.push_back(HiveValue{name, ""});
        if (!written.values.empty()) hive.keys.push_back(std::move(written));
        modified = true;
        return true;
      },
      SeenReport());
}

}  // namespace kestrune

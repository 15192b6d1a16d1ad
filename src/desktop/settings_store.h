// SettingsStore: the per-user settings hive kept as a text file in the registry's own
// export format ("REGEDIT4", one [HKEY_CURRENT_USER\<key>] section per key, "Name"="Value"
// lines in first-written order, \\ and \" escaped, control bytes as \r \n \t \xHH). Key
// paths are relative to the hive and use "\" as separator, e.g.
// "Software\Vantorel\Kestrune\IgnoreExt". Keys and value names compare without regard to
// (ASCII) letter case.
//
// Every write is a locked read-modify-write that replaces the file atomically with mode
// 0600 (settings_file.h); the text is made and read by registry_text.h. A damaged file
// is kept aside (renamed with a ".damaged-<time>" suffix) before the next write; it is
// never silently overwritten. Texts read back are cut to 255 characters.
//
// Reading takes time linear in the size of the file. A line that cannot be read is
// skipped; every readable value is kept (and written back beside the next change, after
// the damaged original has been kept aside).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct SettingsFileContent;

class SettingsStore {
 public:
  explicit SettingsStore(std::string filePath);

  // $KESTRUNE_SETTINGS when set, else $XDG_CONFIG_HOME (default ~/.config) +
  // "/Vantorel/Kestrune.reg".
  static std::string DefaultPath();

  const std::string& FilePath() const { return path_; }

  // Called once, the first time this store meets a file with unreadable lines, with
  // their number.
  void SetDamageReport(std::function<void(std::size_t skippedLines)> report);

  // The value's text, or `defaultValue` when the key or the value is missing.
  std::string RegReadString(std::string_view key, std::string_view name,
                            std::string_view defaultValue) const;
  // Creates the key when missing and writes the value; false when the file could not be
  // written.
  bool RegWriteString(std::string_view key, std::string_view name, std::string_view text);
  // The value names of the key in first-written order; empty when the key is missing.
  std::vector<std::string> RegValueNames(std::string_view key) const;
  // Deletes the key with its values and all sub-keys (a missing key counts as deleted).
  // Refuses (false, nothing deleted) when the key path, without leading, trailing or
  // doubled "\", is shorter than 25 characters.
  bool RegDeleteKeyTree(std::string_view key);
  // Replaces the key and its sub-keys by the key alone, holding `names` in that order
  // (each with an empty text; a name that repeats another without regard to case is
  // left out): what RegDeleteKeyTree and one RegWriteString per name leave, written
  // once. False, nothing changed, where RegDeleteKeyTree refuses the key.
  bool RegWriteNames(std::string_view key, const std::vector<std::string>& names);

 private:
  void Seen(std::size_t skippedLines) const;
  std::function<void(const SettingsFileContent&)> SeenReport() const;

  std::string path_;
  std::function<void(std::size_t)> damageReport_;
  mutable bool damageReported_ = false;
};

}  // namespace kestrune

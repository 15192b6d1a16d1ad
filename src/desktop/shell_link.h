// Shell shortcut (.lnk) files, read from their documented binary layout: the 0x4C-byte
// header with the shell link class identifier, the optional item-id list (skipped), the
// link information (local base path, common path suffix, network share name) and the
// string data (name, relative path, working directory, arguments) in ANSI or UTF-16.
//
// ParseShellLink is pure: it only looks at the bytes, and any truncated or inconsistent
// structure yields nullopt. ReadShellLink reads a file and turns the result into a path
// of this system: "\" becomes "/", and a relative target or working directory is taken
// from the shortcut's own folder.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kestrune {

// What the shortcut file holds, texts converted to UTF-8 with their "\" kept.
struct ShellLinkData {
  std::string localPath;     // link information: base path + path suffix; may be empty
  std::string relativePath;  // RELATIVE_PATH string; may be empty
  std::string workingDir;
  std::string arguments;
  std::string name;  // the description
  std::uint32_t showCommand = 1;
};

// The resolved shortcut, ready to launch.
struct ShellLink {
  std::string targetPath;
  std::string arguments;
  std::string workingDirectory;  // empty when the shortcut names none
  int showCommand = 1;           // 1 normal, 3 maximised, 7 minimised; others read as 1
};

std::optional<ShellLinkData> ParseShellLink(std::span<const std::uint8_t> bytes);

// nullopt when the file cannot be read, is damaged, or names no target.
std::optional<ShellLink> ReadShellLink(const std::string& lnkPath);

// "C:\a\b" -> "C:/a/b".
std::string SlashPath(std::string_view windowsPath);

}  // namespace kestrune

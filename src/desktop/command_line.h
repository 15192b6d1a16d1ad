// What the program does with its command line before any window exists: the usage and
// version texts, and whether a display is there to show a window on.
#pragma once

#include <string>
#include <vector>

namespace kestrune {

enum class StartAction { Window, Usage, Version };

// "--help" or "-h" anywhere: the usage; else "--version": the version; else the window.
StartAction ChooseStartAction(const std::vector<std::string>& words);

// "Kestrune " + the version compiled in, e.g. "Kestrune 1.0.0.1".
std::string VersionText();

// The usage: the command words, the settings file and the maintenance log.
std::string UsageText(const std::string& settingsPath);

// True when DISPLAY or WAYLAND_DISPLAY names a display.
bool HasDisplay();

// Qt wants a private runtime directory (XDG_RUNTIME_DIR). A scheduled job has no desktop
// session to provide one, and Qt would then fall back to TMPDIR/runtime-<user> with a
// warning on stderr, which cron mails to the job's owner on every run. Without the
// variable, this makes that fallback directory (mode 0700) and names it, quietly; one
// that exists but is not this user's private directory is left to Qt's own checks.
void ProvideRuntimeDirectory();

}  // namespace kestrune

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

}  // namespace kestrune

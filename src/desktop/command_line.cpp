#include "desktop/command_line.h"

#include "analysis/table_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace kestrune {

namespace {
#define KESTRUNE_STR2(x) #x
#define KESTRUNE_STR(x) KESTRUNE_STR2(x)
#if defined(KESTRUNE_VERSION_MAJOR) && defined(KESTRUNE_VERSION_MINOR) && \
    defined(KESTRUNE_VERSION_PATCH) && defined(KESTRUNE_VERSION_TWEAK)
constexpr const char* kVersion =
    KESTRUNE_STR(KESTRUNE_VERSION_MAJOR) "." KESTRUNE_STR(KESTRUNE_VERSION_MINOR) "." KESTRUNE_STR(
        KESTRUNE_VERSION_PATCH) "." KESTRUNE_STR(KESTRUNE_VERSION_TWEAK);
#else
constexpr const char* kVersion = "1.0";
#endif

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}
}  // namespace

StartAction ChooseStartAction(const std::vector<std::string>& words) {
  bool version = false;
  for (const std::string& w : words) {
    if (w == "--help" || w == "-h") return StartAction::Usage;
    if (w == "--version") version = true;
  }
  return version ? StartAction::Version : StartAction::Window;
}

std::string VersionText() {
  return std::string("Kestrune ") + kVersion;
}

std::string UsageText(const std::string& settingsPath) {
  std::string text;
  text +=
      "Usage: kestrune [WORD]...\n"
      "       kestrune --help | --version\n"
      "\n"
      "Kestrune imports web-server access logs (IIS W3C extended and UNIX common format)\n"
      "and shows their statistics. Without words it opens its window. The words below,\n"
      "in any letter case, are carried out in order after the window has read its\n"
      "settings; any word makes the run unattended (no message boxes from the log).\n"
      "\n"
      "  DOWNLOAD        fetch the previous day's log by FTP into the directory of the\n"
      "                  import path (FTP fields of the settings file); waits at most\n"
      "                  25 seconds for it\n"
      "  RUN             import the *.log files of the program's directory as IIS logs\n"
      "  RUN=<mask>      import the files <mask> matches (absolute, or relative to the\n"
      "                  current directory; gzip-compressed ones too) with the format,\n"
      "                  site address and options of the settings, e.g. for nginx:\n"
      "                    kestrune 'RUN=/var/log/nginx/access.log*' \\\n"
      "                             REPORT=/srv/www/stats/index.html QUIT\n"
      "  REPORT=<file>   save a report of the totals to <file>, relative to the current\n"
      "                  directory; .xml gives XML, .html HTML, anything else text\n"
      "  EXPORT=<file>   write the statistics workbook (.xlsx, ten sheets) to <file>,\n"
      "                  relative to the current directory, replacing it\n"
      "  PERIOD=, TABLE= analysis tables as CSV, see below\n"
      "  QUIT            end without saving the settings; exit status 0, 1 when the\n"
      "                  last import failed, 2 when a report could not be saved or\n"
      "                  a workbook export failed\n"
      "\n"
      "Without a display (DISPLAY and WAYLAND_DISPLAY unset) the words run without a\n"
      "window and the program ends after the last word, as if QUIT came last.\n"
      "\n"
      "\n";
  text += kAnalysisWordsHelp;
  text +=
      "\n"
      "Settings file:   ";
  text += settingsPath;
  text +=
      "\n"
      "                 (the variable KESTRUNE_SETTINGS names another one)\n"
      "Maintenance log: maintenance-log.txt in the program's directory; after an import,\n"
      "                 in the import directory\n";
  return text;
}

bool HasDisplay() {
  return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

void ProvideRuntimeDirectory() {
  if (Set("XDG_RUNTIME_DIR")) return;
  const char* tmp = std::getenv("TMPDIR");
  const std::string dir = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/runtime-" +
                          std::to_string(::getuid());
  ::mkdir(dir.c_str(), 0700);
  struct stat st {};
  if (::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
      (st.st_mode & 0777) == 0700)
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

}  // namespace kestrune

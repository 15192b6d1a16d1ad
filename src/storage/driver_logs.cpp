#include "storage/driver_logs.h"

#include <odbcinst.h>
#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

namespace kestrune {
namespace {

// The folders psqlODBC writes its logs into: its Logdir settings and /tmp.
std::set<std::string> LogFolders() {
  std::set<std::string> folders{"/tmp"};
  for (const char* section : {"PostgreSQL Unicode", "PostgreSQL ANSI"}) {
    char dir[4096] = {};
    SQLGetPrivateProfileString(section, "Logdir", "", dir, sizeof dir, "odbcinst.ini");
    if (dir[0]) folders.insert(dir);
  }
  return folders;
}

// psqlODBC's log names end in the user name and the process id: psqlodbc_...root123.log.
std::string ProcessSuffix() {
  std::string user;
  if (const passwd* pw = ::getpwuid(::getuid())) user = pw->pw_name;
  return user + std::to_string(::getpid()) + ".log";
}

bool IsDriverLog(const std::string& name, const std::string& suffix) {
  const bool prefix = name.rfind("psqlodbc_", 0) == 0 || name.rfind("mylog_", 0) == 0;
  return prefix && name.size() > suffix.size() &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::set<std::string> DriverLogs::Current() const {
  std::set<std::string> files;
  const std::string suffix = ProcessSuffix();
  for (const std::string& folder : LogFolders()) {
    // Stepped with an error code: this runs from a destructor too, where a folder that
    // changes or cannot be read must not throw.
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
      const std::string name = it->path().filename().string();
      if (IsDriverLog(name, suffix)) files.insert(it->path().string());
    }
  }
  return files;
}

void DriverLogs::Note() {
  before_ = Current();
  noted_ = true;
}

void DriverLogs::Connecting(const std::string& connectionString) {
  static const std::regex kWanted(R"((^|;)\s*(CommLog|Debug)\s*=\s*[1-9])", std::regex::icase);
  if (std::regex_search(connectionString, kWanted)) wanted_ = true;
}

void DriverLogs::RemoveNew() {
  if (!noted_ || wanted_) return;
  noted_ = false;
  for (const std::string& file : Current()) {
    if (before_.count(file)) continue;
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
  }
}

}  // namespace kestrune

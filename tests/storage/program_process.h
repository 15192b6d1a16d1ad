// The built program (build/bin/kestrune) as a process of its own, started as a
// scheduled job starts it: no display (the program chooses its own platform), no runtime
// directory, its own temporary folder and settings file, in a given working folder, its
// output kept in a file. Several may run at once; each is waited for at most `limit`.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace kestrune::test {

// The program the tests run (fails the test where it was not built).
std::string ProgramPath();

struct ProgramSetup {
  std::string workDir;
  std::string settings;  // KESTRUNE_SETTINGS
  std::string tmp;       // TMPDIR
  // Set in the environment after everything else: "NAME=value".
  std::vector<std::string> env;
  // Drops LC_*, LANG, LANGUAGE and LOCPATH first, so that `env` alone sets the locale.
  bool ownLocale = false;
};

class ProgramProcess {
 public:
  ProgramProcess(const ProgramSetup& setup, const std::vector<std::string>& args);
  ~ProgramProcess();  // kills a process still running
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Whether it has not yet ended (and not yet been waited for).
  bool Running();
  // Its exit status; -1 when it crashed, was killed or outlasted `limit` (then killed).
  int Wait(std::chrono::seconds limit = std::chrono::seconds(90));
  // Standard output and error, once it has ended.
  std::string Output() const;

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = -1;
  std::string outputFile_;
};

// The messages of a maintenance log without their date and time, CR LF removed.
std::vector<std::string> MaintenanceLog(const std::string& path);

}  // namespace kestrune::test

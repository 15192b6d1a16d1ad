#include "program_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/log_messages.h"

extern char** environ;

namespace kestrune::test {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Named(const std::string& entry, const char* name) {
  const std::string prefix = std::string(name) + "=";
  return entry.rfind(prefix, 0) == 0;
}

bool LocaleEntry(const std::string& entry) {
  return entry.rfind("LC_", 0) == 0 || Named(entry, "LANG") || Named(entry, "LANGUAGE") ||
         Named(entry, "LOCPATH");
}

}  // namespace

std::string ProgramPath() {
  const std::string program = std::string(KESTRUNE_BINARY_DIR) + "/kestrune";
  EXPECT_TRUE(std::filesystem::exists(program)) << program << " is missing: build kestrune";
  return program;
}

ProgramProcess::ProgramProcess(const ProgramSetup& setup, const std::vector<std::string>& args) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    bool drop = setup.ownLocale && LocaleEntry(entry);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR",
                             "TMPDIR", "KESTRUNE_SETTINGS"})
      drop = drop || Named(entry, name);
    // A variable the setup gives replaces the inherited one (the first of two would win).
    for (const std::string& own : setup.env)
      drop = drop || Named(entry, own.substr(0, own.find('=')).c_str());
    if (!drop) env.push_back(entry);
  }
  env.push_back("TMPDIR=" + setup.tmp);
  env.push_back("KESTRUNE_SETTINGS=" + setup.settings);
  for (const std::string& entry : setup.env) env.push_back(entry);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);

  std::string program = ProgramPath();
  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  static int count = 0;
  outputFile_ = setup.tmp + "/program-output-" + std::to_string(::getpid()) + "-" +
                std::to_string(++count) + ".txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addchdir_np(&actions, setup.workDir.c_str());
  const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    ADD_FAILURE() << "could not start " << program << ": " << rc;
  }
}

ProgramProcess::~ProgramProcess() {
  if (pid_ > 0 && !ended_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  std::error_code ignored;
  std::filesystem::remove(outputFile_, ignored);
}

bool ProgramProcess::Running() {
  if (pid_ <= 0 || ended_) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  ended_ = true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return false;
}

int ProgramProcess::Wait(std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Running()) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "the program ran longer than " << limit.count() << " s; killed";
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      ended_ = true;
      status_ = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}

std::string ProgramProcess::Output() const {
  return ReadWhole(outputFile_);
}

std::vector<std::string> MaintenanceLog(const std::string& path) {
  return LogMessagesOf(ReadWhole(path));
}

}  // namespace kestrune::test

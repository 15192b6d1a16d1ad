// The launcher starting a real recording script in place of xdg-open.
#include "desktop/shell_launcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

struct Call {
  std::string directory;
  std::vector<std::string> arguments;
};

void PutU16(std::string& b, unsigned v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>((v >> 8) & 0xFF);
}

void PutU32(std::string& b, unsigned v) {
  PutU16(b, v & 0xFFFF);
  PutU16(b, v >> 16);
}

// An ANSI shortcut with only string data: relative target, working directory, arguments.
std::string MakeLink(const std::string& relative, const std::string& workingDir,
                     const std::string& arguments) {
  std::string b;
  PutU32(b, 0x4C);
  b += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  PutU32(b, 0x8 | 0x10 | 0x20);
  b.resize(60, '\0');
  PutU32(b, 1);
  b.resize(0x4C, '\0');
  for (const std::string* text : {&relative, &workingDir, &arguments}) {
    PutU16(b, static_cast<unsigned>(text->size()));
    b += *text;
  }
  return b;
}

class ShellLauncherTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kestrune-launch-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = fs::canonical(pattern);
    startDir_ = fs::current_path();
    log_ = dir_ / "calls.log";
    script_ = dir_ / "record-open";
    // Appends one block per call in a single write: the directory, then each argument.
    std::ofstream(script_) << "#!/bin/sh\n"
                              "block=\"CALL\n$(pwd -P)\"\n"
                              "for a in \"$@\"; do block=\"$block\nARG $a\"; done\n"
                              "printf '%s\\nEND\\n' \"$block\" >> '"
                           << log_.string() << "'\n";
    fs::permissions(script_, fs::perms::owner_all);
  }
  void TearDown() override {
    fs::current_path(startDir_);
    fs::remove_all(dir_);
  }

  std::string Text(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // The calls recorded so far, once at least `count` have arrived (the script runs
  // detached, so it may finish after the launch returned).
  std::vector<Call> WaitForCalls(std::size_t count) const {
    std::vector<Call> calls;
    for (int tries = 0; tries < 1000; ++tries) {
      calls.clear();
      std::istringstream in(Text(log_));
      std::string line;
      while (std::getline(in, line)) {
        if (line == "CALL") {
          calls.emplace_back();
          std::getline(in, calls.back().directory);
        } else if (line.rfind("ARG ", 0) == 0 && !calls.empty()) {
          calls.back().arguments.push_back(line.substr(4));
        }
      }
      std::size_t ended = 0;
      for (std::size_t pos = 0; (pos = Text(log_).find("\nEND\n", pos)) != std::string::npos;
           ++pos) {
        ++ended;
      }
      if (ended >= count && calls.size() >= count) return calls;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << "the open command was not called " << count << " times";
    return calls;
  }

  Launcher Recording() const { return Launcher(script_.string()); }

  fs::path dir_, startDir_, log_, script_;
};

TEST_F(ShellLauncherTest, AddressesAndMailLinksAreHandedOnUnchanged) {
  EXPECT_EQ(std::string(kSupportMailLink),
            std::string("mailto:") + kSupportEmail + "?subject=Kestrune");
  Launcher launcher = Recording();
  EXPECT_EQ(launcher.OpenDocument(""), -1);
  EXPECT_EQ(launcher.ExecuteFile("", "x", 1), -1);
  // Each call is awaited before the next, so that the log keeps their order.
  EXPECT_EQ(launcher.OpenDocument(kProductPageUrl), 0);
  WaitForCalls(1);
  EXPECT_EQ(launcher.OpenDocument(kSupportMailLink), 0);
  WaitForCalls(2);
  // Nothing in an address is ever read by a shell.
  const std::string hostile =
      "https://x.example/?q=$(touch " + (dir_ / "pwned").string() + ");`id`";
  EXPECT_EQ(launcher.OpenDocument(hostile), 0);

  std::vector<Call> calls = WaitForCalls(3);
  ASSERT_EQ(calls.size(), 3u);  // the empty names launched nothing
  EXPECT_EQ(calls[0].arguments, std::vector<std::string>{kProductPageUrl});
  EXPECT_EQ(calls[1].arguments, std::vector<std::string>{kSupportMailLink});
  EXPECT_EQ(calls[2].arguments, std::vector<std::string>{hostile});
  EXPECT_FALSE(fs::exists(dir_ / "pwned"));
  // An address names no directory: the current one stays.
  EXPECT_EQ(fs::current_path(), startDir_);
}

TEST_F(ShellLauncherTest, LocalFileMakesItsDirectoryTheCurrentOne) {
  fs::create_directories(dir_ / "reports");
  std::ofstream(dir_ / "reports" / "-Report 01.txt") << "report";
  fs::current_path(dir_);
  // Relative, and starting with "-": the command gets the absolute name all the same.
  EXPECT_EQ(Recording().ExecuteFile("reports/-Report 01.txt", "--view \"two words\"", 1), 0);
  EXPECT_EQ(fs::current_path(), dir_ / "reports");

  std::vector<Call> calls = WaitForCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].directory, (dir_ / "reports").string());
  EXPECT_EQ(calls[0].arguments,
            (std::vector<std::string>{(dir_ / "reports" / "-Report 01.txt").string(), "--view",
                                      "two words"}));
}

TEST_F(ShellLauncherTest, RefusedLaunchesReturnTheirErrorCode) {
  EXPECT_EQ(Recording().OpenDocument((dir_ / "no such report.txt").string()), ENOENT);
  EXPECT_EQ(Recording().OpenDocument("no-such-relative.txt"), ENOENT);
  std::ofstream(dir_ / "report.txt") << "x";
  EXPECT_EQ(Launcher((dir_ / "no-such-opener").string()).OpenDocument(kProductPageUrl), ENOENT);
  EXPECT_EQ(Launcher("kestrune-no-such-opener-on-path").OpenDocument(kProductPageUrl), ENOENT);
  const fs::path plain = dir_ / "not-executable";
  std::ofstream(plain) << "#!/bin/sh\n";
  fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Launcher(plain.string()).OpenDocument((dir_ / "report.txt").string()), EACCES);
  // Executable, but no program the system can start.
  const fs::path garbage = dir_ / "not-a-program";
  std::ofstream(garbage) << "no interpreter line\n";
  fs::permissions(garbage, fs::perms::owner_all);
  EXPECT_EQ(Launcher(garbage.string()).OpenDocument(kProductPageUrl), ENOEXEC);
  // None of them reached the recording command.
  EXPECT_FALSE(fs::exists(log_));
}

TEST_F(ShellLauncherTest, ShortcutsInAnyCaseAreFollowedWithTheirOwnArguments) {
  fs::create_directories(dir_ / "data");
  fs::create_directories(dir_ / "links");
  std::ofstream(dir_ / "data" / "target.log") << "x";
  std::ofstream(dir_ / "links" / "Target.LnK", std::ios::binary)
      << MakeLink("..\\data\\target.log", "..\\data", "-a \"b c\"");
  std::ofstream(dir_ / "links" / "broken.lnk") << "not a shortcut";

  Launcher launcher = Recording();
  EXPECT_EQ(launcher.ExecuteFile((dir_ / "links" / "Target.LnK").string(), "--caller", 1), 0);
  // The shortcut's working directory, not the folder of the shortcut.
  EXPECT_EQ(fs::current_path(), dir_ / "data");
  WaitForCalls(1);
  // A shortcut that cannot be read is opened as a file.
  EXPECT_EQ(launcher.ExecuteFile((dir_ / "links" / "broken.lnk").string(), "", 1), 0);
  EXPECT_EQ(fs::current_path(), dir_ / "links");

  std::vector<Call> calls = WaitForCalls(2);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].arguments,
            (std::vector<std::string>{(dir_ / "data" / "target.log").string(), "-a", "b c"}));
  EXPECT_EQ(calls[0].directory, (dir_ / "data").string());
  EXPECT_EQ(calls[1].arguments, std::vector<std::string>{(dir_ / "links" / "broken.lnk").string()});
}

TEST(SplitParametersTest, BlanksQuotesAndTripleQuotes) {
  using Words = std::vector<std::string>;
  const struct {
    const char* parameters;
    Words words;
  } cases[] = {
      {"", {}},
      {"  a   b  ", {"a", "b"}},
      {"\"a b\" c", {"a b", "c"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\"\"", {"\""}},
      {"a \"\"\"b\"\"\" c", {"a", "\"b\"", "c"}},
      {"a \"\" b", {"a", "b"}},  // an empty pair gives no argument
      {"\"a", {"a"}},
      {"\"a \"\"b\"\" c\"", {"a b c"}},  // a pair inside quotes leaves them open
      {"\"\"\"\"", {"\""}},
      {"x\"\"\"", {"x\""}},
      {"\"a\"b\"c\"", {"abc"}},
      {"a\tb\nc\vd\fe\rf", {"a", "b", "c", "d", "e", "f"}},
      {"a\xC2\xA0"
       "b\xE2\x80\x83"
       "c\xE3\x80\x80"
       "d",
       {"a", "b", "c", "d"}},
      {"a\xE2\x80\x8B"
       "b \xE9t\xE9",
       {"a\xE2\x80\x8B"
        "b",
        "\xE9t\xE9"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitParameters(c.parameters), c.words) << c.parameters;
}

TEST_F(ShellLauncherTest, OpenCommandComesFromTheEnvironment) {
  const char* old = std::getenv("KESTRUNE_OPEN_COMMAND");
  std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::unsetenv("KESTRUNE_OPEN_COMMAND");
  EXPECT_EQ(Launcher::DefaultOpenCommand(), "xdg-open");
  ::setenv("KESTRUNE_OPEN_COMMAND", script_.c_str(), 1);
  EXPECT_EQ(Launcher().OpenCommand(), script_.string());
  EXPECT_EQ(OpenDocument(kMakerPageUrl), 0);
  WaitForCalls(1);
  EXPECT_EQ(ExecuteFile(kProductPageUrl, "", 1), 0);
  if (saved) {
    ::setenv("KESTRUNE_OPEN_COMMAND", saved->c_str(), 1);
  } else {
    ::unsetenv("KESTRUNE_OPEN_COMMAND");
  }
  std::vector<Call> calls = WaitForCalls(2);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].arguments, std::vector<std::string>{kMakerPageUrl});
  EXPECT_EQ(calls[1].arguments, std::vector<std::string>{kProductPageUrl});
}

}  // namespace
}  // namespace kestrune

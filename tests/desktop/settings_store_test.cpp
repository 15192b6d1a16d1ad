// SettingsStore against real files in a private temporary directory per test.
#include "desktop/settings_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

constexpr char kRoot[] = "Software\\Vantorel\\Kestrune";
constexpr char kDownloadExt[] = "Software\\Vantorel\\Kestrune\\DownloadExt";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> DamagedCopies(const fs::path& dir) {
  std::vector<std::string> names;
  for (const std::string& name : FilesIn(dir)) {
    if (name.find(".damaged-") != std::string::npos) names.push_back(name);
  }
  return names;
}

// Restores one environment variable when it goes out of scope.
class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    if (const char* value = std::getenv(name)) old_ = value;
  }
  ~EnvGuard() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class SettingsStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kestrune-store-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    file_ = dir_ / "Kestrune.reg";
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  fs::path file_;
};

TEST_F(SettingsStoreTest, ValuesRoundTripInFirstWrittenOrder) {
  SettingsStore store(file_.string());
  EXPECT_TRUE(store.RegWriteString(kRoot, "IIS", "Y"));
  EXPECT_TRUE(store.RegWriteString(kRoot, "DSN", "logs"));
  EXPECT_TRUE(store.RegWriteString(kRoot, "Move", "N"));
  // Rewriting keeps the first position; names and keys ignore letter case.
  EXPECT_TRUE(store.RegWriteString("software\\VANTOREL\\kestrune\\", "iis", "N"));
  EXPECT_EQ(store.RegValueNames(kRoot), (std::vector<std::string>{"IIS", "DSN", "Move"}));
  EXPECT_EQ(store.RegReadString(kRoot, "IIS", "?"), "N");
  EXPECT_EQ(store.RegReadString(kRoot, "dsn", "?"), "logs");
  EXPECT_EQ(store.RegReadString(kRoot, "Missing", "dflt"), "dflt");
  EXPECT_EQ(store.RegReadString("Software\\Other", "IIS", "dflt"), "dflt");

  // A second store on the same file sees the same, and the file is registry text.
  SettingsStore again(file_.string());
  EXPECT_EQ(again.RegReadString(kRoot, "Move", "?"), "N");
  const std::string text = ReadAll(file_);
  EXPECT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune]\r\n\"IIS\"=\"N\"\r\n"),
            std::string::npos);
}

TEST_F(SettingsStoreTest, AnyBytesRoundTripAndAreCutTo255OnReading) {
  SettingsStore store(file_.string());
  const std::string tricky = "say \"hi\"\\ a=b \\\\server\\share\r\nnext\tline; \xC3\xA9\xFF end";
  const std::string withNul("a\0b", 3);
  std::string long300;
  for (int i = 0; i < 300; ++i) long300 += static_cast<char>('a' + i % 26);
  const std::string pathName = "C:\\Logs\\W3SVC1\\*.log";

  ASSERT_TRUE(store.RegWriteString(kRoot, "Tricky", tricky));
  ASSERT_TRUE(store.RegWriteString(kRoot, "Nul", withNul));
  ASSERT_TRUE(store.RegWriteString(kRoot, "Long", long300));
  ASSERT_TRUE(store.RegWriteString(kRoot, "", "default value"));
  ASSERT_TRUE(store.RegWriteString(kRoot + std::string("\\ImportPaths"), pathName, ""));
  ASSERT_TRUE(store.RegWriteString(kRoot + std::string("\\ImportPaths"), long300, ""));
  ASSERT_TRUE(store.RegWriteString(kRoot + std::string("\\ImportPaths"), tricky, ""));

  EXPECT_EQ(store.RegReadString(kRoot, "Tricky", ""), tricky);
  EXPECT_EQ(store.RegReadString(kRoot, "Nul", ""), withNul);
  EXPECT_EQ(store.RegReadString(kRoot, "Long", ""), long300.substr(0, 255));
  EXPECT_EQ(store.RegReadString(kRoot, "", ""), "default value");
  EXPECT_EQ(store.RegValueNames(kRoot + std::string("\\ImportPaths")),
            (std::vector<std::string>{pathName, long300.substr(0, 255), tricky}));
  EXPECT_EQ(store.RegReadString(kRoot, "Missing", long300), long300.substr(0, 255));

  // The whole value is kept in the file, each on its own line.
  const std::string text = ReadAll(file_);
  EXPECT_NE(text.find(long300), std::string::npos);
  EXPECT_EQ(text.find("\r\nnext"), std::string::npos);
}

TEST_F(SettingsStoreTest, KeysAndSubKeysAreSeparate) {
  SettingsStore store(file_.string());
  ASSERT_TRUE(store.RegWriteString(kRoot, "IgnoreExtFlag", "Y"));
  ASSERT_TRUE(store.RegWriteString(kDownloadExt, "ZIP", ""));
  ASSERT_TRUE(store.RegWriteString(kDownloadExt, "EXE", ""));
  ASSERT_TRUE(store.RegWriteString(kRoot + std::string("\\IgnoreExt"), "GIF", ""));
  ASSERT_TRUE(store.RegWriteString(kDownloadExt + std::string("\\Deeper"), "X", "1"));

  EXPECT_EQ(store.RegValueNames(kRoot), (std::vector<std::string>{"IgnoreExtFlag"}));
  EXPECT_EQ(store.RegValueNames(kDownloadExt), (std::vector<std::string>{"ZIP", "EXE"}));
  EXPECT_EQ(store.RegValueNames("\\Software\\Vantorel\\Kestrune\\IGNOREEXT\\"),
            (std::vector<std::string>{"GIF"}));
  EXPECT_EQ(store.RegReadString(kDownloadExt + std::string("\\Deeper"), "x", ""), "1");
  EXPECT_TRUE(store.RegValueNames(kRoot + std::string("\\IgnoreIP")).empty());
  EXPECT_TRUE(store.RegValueNames("Software\\Vantorel").empty());
  // A key that could not be written on its section line is refused.
  EXPECT_FALSE(store.RegWriteString("Software\\Bad\nKey", "A", "B"));
  EXPECT_FALSE(store.RegWriteString("\\\\", "A", "B"));
}

TEST_F(SettingsStoreTest, DeleteKeyTreeRemovesTheKeyAndItsSubKeysBehindTheGuard) {
  SettingsStore store(file_.string());
  ASSERT_TRUE(store.RegWriteString(kRoot, "IIS", "Y"));
  ASSERT_TRUE(store.RegWriteString(kDownloadExt, "ZIP", ""));
  ASSERT_TRUE(store.RegWriteString(kDownloadExt + std::string("\\Sub\\Sub"), "A", ""));
  ASSERT_TRUE(store.RegWriteString(kDownloadExt + std::string("Extra"), "KEEP", ""));
  ASSERT_TRUE(store.RegWriteString("Software\\Vantorel", "Other", "kept"));

  // Shorter than 25 characters, also when padded with separators: refused.
  EXPECT_FALSE(store.RegDeleteKeyTree("Software\\Vantorel\\"));
  EXPECT_FALSE(store.RegDeleteKeyTree("Software\\Vantorel\\\\\\\\\\\\\\\\\\"));
  EXPECT_FALSE(store.RegDeleteKeyTree(std::string(30, '\\')));
  EXPECT_EQ(store.RegReadString("Software\\Vantorel", "Other", ""), "kept");

  EXPECT_TRUE(store.RegDeleteKeyTree("SOFTWARE\\Vantorel\\Kestrune\\downloadext"));
  EXPECT_TRUE(store.RegValueNames(kDownloadExt).empty());
  EXPECT_TRUE(store.RegValueNames(kDownloadExt + std::string("\\Sub\\Sub")).empty());
  EXPECT_EQ(store.RegValueNames(kDownloadExt + std::string("Extra")),
            (std::vector<std::string>{"KEEP"}));
  EXPECT_EQ(store.RegReadString(kRoot, "IIS", ""), "Y");
  EXPECT_EQ(ReadAll(file_).find("DownloadExt]"), std::string::npos);

  // A missing key counts as deleted; writing afterwards starts the key afresh.
  EXPECT_TRUE(store.RegDeleteKeyTree(kDownloadExt));
  ASSERT_TRUE(store.RegWriteString(kDownloadExt, "MP3", ""));
  EXPECT_EQ(store.RegValueNames(kDownloadExt), (std::vector<std::string>{"MP3"}));

  // The program's own key is 26 characters long and may go as a whole.
  EXPECT_TRUE(store.RegDeleteKeyTree(kRoot));
  EXPECT_EQ(store.RegReadString(kRoot, "IIS", "gone"), "gone");
  EXPECT_EQ(store.RegReadString("Software\\Vantorel", "Other", ""), "kept");
}

TEST_F(SettingsStoreTest, WriteNamesLeavesWhatDeleteAndOneWritePerNameLeaveInOneWrite) {
  const std::vector<std::string> names{"ZIP", "exe", "Zip", "MP3"};
  const fs::path stepwise = dir_ / "stepwise.reg";
  for (const fs::path& file : {file_, stepwise}) {
    SettingsStore store(file.string());
    ASSERT_TRUE(store.RegWriteString(kDownloadExt, "OLD", ""));
    ASSERT_TRUE(store.RegWriteString(kDownloadExt + std::string("\\Sub"), "A", ""));
    ASSERT_TRUE(store.RegWriteString(kRoot, "IIS", "Y"));
  }
  SettingsStore store(file_.string());
  ASSERT_TRUE(store.RegWriteNames(kDownloadExt, names));
  SettingsStore reference(stepwise.string());
  ASSERT_TRUE(reference.RegDeleteKeyTree(kDownloadExt));
  for (const std::string& name : names)
    ASSERT_TRUE(reference.RegWriteString(kDownloadExt, name, ""));
  EXPECT_EQ(ReadAll(file_), ReadAll(stepwise));
  EXPECT_EQ(store.RegValueNames(kDownloadExt), (std::vector<std::string>{"ZIP", "exe", "MP3"}));

  // An empty list leaves no key behind; the guard of the delete applies.
  ASSERT_TRUE(store.RegWriteNames(kDownloadExt, {}));
  ASSERT_TRUE(reference.RegDeleteKeyTree(kDownloadExt));
  EXPECT_EQ(ReadAll(file_), ReadAll(stepwise));
  EXPECT_FALSE(store.RegWriteNames("Software\\Vantorel", {"X"}));
  EXPECT_TRUE(store.RegValueNames("Software\\Vantorel").empty());
}

TEST_F(SettingsStoreTest, MissingAndEmptyFilesGiveDefaults) {
  const fs::path nested = dir_ / "a" / "b" / "Kestrune.reg";
  SettingsStore missing(nested.string());
  EXPECT_EQ(missing.RegReadString(kRoot, "ImportMsg", "Y"), "Y");
  EXPECT_TRUE(missing.RegValueNames(kRoot).empty());
  EXPECT_FALSE(fs::exists(dir_ / "a"));  // reading creates nothing
  ASSERT_TRUE(missing.RegWriteString(kRoot, "ImportMsg", "N"));
  EXPECT_EQ(missing.RegReadString(kRoot, "ImportMsg", "Y"), "N");
  struct stat st {};
  ASSERT_EQ(::stat((dir_ / "a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  WriteAll(file_, "");
  SettingsStore empty(file_.string());
  EXPECT_EQ(empty.RegReadString(kRoot, "IIS", "Y"), "Y");
  ASSERT_TRUE(empty.RegWriteString(kRoot, "IIS", "N"));
  EXPECT_EQ(empty.RegReadString(kRoot, "IIS", "Y"), "N");
  EXPECT_TRUE(DamagedCopies(dir_).empty());  // nothing to keep from an empty file
}

TEST_F(SettingsStoreTest, DamagedFileKeepsEveryReadableValueAndIsKeptAsideBeforeTheFirstWrite) {
  const std::string section = "[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune]\r\n";
  const struct {
    std::string text;
    std::size_t skipped;
    std::vector<std::string> kept;  // the value names read back, in order
  } cases[] = {
      {"not a registry file\r\n", 1, {}},
      {"REGEDIT4\r\n\r\n" + section + "\"IIS\"=\"Y\"\r\n\"Broken=\"N\"\r\n\"Move\"=\"Y\"\r\n",
       1,
       {"IIS", "Move"}},
      {"REGEDIT4\r\n\"Outside\"=\"a section\"\r\n" + section + "\"IIS\"=\"Y\"\r\n", 1, {"IIS"}},
      // The values of an unreadable section cannot be placed: each is skipped.
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"A\"=\"1\"\r\n" + section +
           "\"IIS\"=\"Y\"\r\n",
       2,
       {"IIS"}},
      {"REGEDIT4\r\n" + section + "\"A\"=dword:00000001\r\n\"IIS\"=\"Y\"\r\n", 1, {"IIS"}},
      {"REGEDIT4\r\n" + section + "\"A\"=\"bad \\q escape\"\r\n[broken\r\n\"B\"=\"x\"\r\n", 3, {}},
      // A signature lost to a damaged first block: the sections after it still count.
      {"\x01\x02garbage\r\n" + section + "\"IIS\"=\"Y\"", 1, {"IIS"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    fs::remove_all(dir_);
    fs::create_directory(dir_);
    WriteAll(file_, c.text);
    SettingsStore store(file_.string());
    std::vector<std::size_t> reports;
    store.SetDamageReport([&](std::size_t skipped) { reports.push_back(skipped); });
    EXPECT_EQ(store.RegValueNames(kRoot), c.kept);
    EXPECT_EQ(store.RegReadString(kRoot, "IIS", "dflt"), c.kept.empty() ? "dflt" : "Y");
    EXPECT_EQ(reports, std::vector<std::size_t>{c.skipped});  // once, however often read

    ASSERT_TRUE(store.RegWriteString(kRoot, "Extra", "Y"));
    std::vector<std::string> aside = DamagedCopies(dir_);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(aside[0].rfind("Kestrune.reg.damaged-", 0), 0u);
    EXPECT_EQ(ReadAll(dir_ / aside[0]), c.text);
    // The fresh file holds what could be read, and what was written since.
    std::vector<std::string> expected = c.kept;
    expected.push_back("Extra");
    EXPECT_EQ(store.RegValueNames(kRoot), expected);
    ASSERT_TRUE(store.RegWriteString(kRoot, "IIS", "Y"));
    EXPECT_EQ(DamagedCopies(dir_).size(), 1u);
    EXPECT_EQ(reports.size(), 1u);
  }

  // Damaged twice within the same second: both copies are kept.
  WriteAll(file_, "first damage");
  SettingsStore store(file_.string());
  ASSERT_TRUE(store.RegWriteString(kRoot, "A", "1"));
  WriteAll(file_, "second damage");
  ASSERT_TRUE(store.RegWriteString(kRoot, "A", "2"));
  std::vector<std::string> contents;
  for (const std::string& name : DamagedCopies(dir_)) contents.push_back(ReadAll(dir_ / name));
  std::sort(contents.begin(), contents.end());
  EXPECT_TRUE(std::find(contents.begin(), contents.end(), "first damage") != contents.end());
  EXPECT_TRUE(std::find(contents.begin(), contents.end(), "second damage") != contents.end());
}

TEST_F(SettingsStoreTest, ALongListReadsWholeWithTheLastOfNamesDifferingInCase) {
  // 50,000 entries (bench/settings_read times this); a name written twice in another
  // case stays at its first place and takes the later data.
  std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune\\IgnoreIP]\r\n";
  std::vector<std::string> expected;
  for (int i = 0; i < 50000; ++i) {
    expected.push_back("host-" + std::to_string(i));
    text += "\"" + expected.back() + "\"=\"\"\r\n";
  }
  text += "\"HOST-7\"=\"later\"\r\n";
  WriteAll(file_, text);
  SettingsStore store(file_.string());
  EXPECT_EQ(store.RegValueNames(std::string(kRoot) + "\\IgnoreIP"), expected);
  EXPECT_EQ(store.RegReadString(std::string(kRoot) + "\\IgnoreIP", "host-7", ""), "later");
}

TEST_F(SettingsStoreTest, FileIsPrivateToTheUser) {
  WriteAll(file_, "REGEDIT4\r\n");
  ASSERT_EQ(::chmod(file_.c_str(), 0644), 0);
  SettingsStore store(file_.string());
  ASSERT_TRUE(store.RegWriteString(kRoot, "FTPPassword", "secret"));
  struct stat st {};
  ASSERT_EQ(::stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((file_.string() + ".lock").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0077, 0u);
}

TEST_F(SettingsStoreTest, LeftoverTemporaryFilesNeitherShowNorStay) {
  SettingsStore store(file_.string());
  ASSERT_TRUE(store.RegWriteString(kRoot, "IIS", "Y"));
  // A writer killed before its rename, now and in earlier versions; the others are not
  // the store's and stay.
  const fs::path leftovers[] = {dir_ / ".Kestrune.reg.Ab12Cd.part",
                                dir_ / "Kestrune.reg.tmp-Ab12Cd"};
  const fs::path others[] = {dir_ / ".Kestrune.reg.Ab12C.part", dir_ / ".Other.reg.Ab12Cd.part",
                             dir_ / "Kestrune.reg.tmp-Ab12Cde"};
  for (const fs::path& file : leftovers)
    WriteAll(file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune]\r\n\"II");
  for (const fs::path& file : others) WriteAll(file, "x");
  EXPECT_EQ(store.RegReadString(kRoot, "IIS", ""), "Y");
  ASSERT_TRUE(store.RegWriteString(kRoot, "UNIX", "N"));
  for (const fs::path& file : leftovers) EXPECT_FALSE(fs::exists(file)) << file;
  for (const fs::path& file : others) EXPECT_TRUE(fs::exists(file)) << file;
  for (const fs::path& file : others) fs::remove(file);
  EXPECT_EQ(FilesIn(dir_), (std::vector<std::string>{"Kestrune.reg", "Kestrune.reg.lock"}));
  EXPECT_EQ(store.RegValueNames(kRoot), (std::vector<std::string>{"IIS", "UNIX"}));
}

TEST_F(SettingsStoreTest, ALinkPlantedAtTheLockFileIsNotFollowed) {
  const fs::path target = dir_ / "planted";
  fs::create_symlink(target, file_.string() + ".lock");
  SettingsStore store(file_.string());
  EXPECT_FALSE(store.RegWriteString(kRoot, "IIS", "Y"));
  EXPECT_FALSE(store.RegDeleteKeyTree(kDownloadExt));
  EXPECT_FALSE(fs::exists(target));
  EXPECT_FALSE(fs::exists(file_));
  // Reading takes no lock and is not hindered.
  EXPECT_EQ(store.RegReadString(kRoot, "IIS", "dflt"), "dflt");
}

// Not a test of its own: the writer process that the two tests below start. It writes
// "<prefix><i>" = i for i = 0, 1, ... and prints "WROTE i" once the writes have returned.
TEST(SettingsStoreWriterProcess, Run) {
  const char* file = std::getenv("KESTRUNE_TEST_WRITER_FILE");
  if (file == nullptr) GTEST_SKIP() << "started only by the interruption tests";
  const std::string prefix = std::getenv("KESTRUNE_TEST_WRITER_PREFIX");
  const long count = std::atol(std::getenv("KESTRUNE_TEST_WRITER_COUNT"));
  SettingsStore store(file);
  for (long i = 0; count == 0 || i < count; ++i) {
    const std::string text = std::to_string(i);
    ASSERT_TRUE(store.RegWriteString(kRoot, prefix + text, text));
    ASSERT_TRUE(store.RegWriteString(kRoot, "Counter", text));
    std::printf("WROTE %ld\n", i);
    std::fflush(stdout);
  }
}

// One writer process: this test program again, running only the writer above, with its
// standard output on a pipe.
class Writer {
 public:
  Writer(const fs::path& file, const std::string& prefix, long count) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    env.push_back("KESTRUNE_TEST_WRITER_FILE=" + file.string());
    env.push_back("KESTRUNE_TEST_WRITER_PREFIX=" + prefix);
    env.push_back("KESTRUNE_TEST_WRITER_COUNT=" + std::to_string(count));
    const std::string program = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> args{program, "--gtest_filter=SettingsStoreWriterProcess.Run"};

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    output_ = out[0];
  }
  ~Writer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    if (output_ >= 0) ::close(output_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  bool Started() const { return pid_ > 0; }

  // Reads the output until it holds `lines` "WROTE" lines; false when the writer ended
  // first or nothing came for 30 s.
  bool WaitForLines(int lines) {
    while (Lines() < lines) {
      pollfd p{output_, POLLIN, 0};
      if (::poll(&p, 1, 30000) <= 0 || !ReadSome()) return false;
    }
    return true;
  }
  int Lines() const {
    int n = 0;
    for (std::size_t at = 0; (at = text_.find("WROTE ", at)) != std::string::npos; ++at) ++n;
    return n;
  }

  void Kill() { ::kill(pid_, SIGKILL); }

  // The exit status (-1 when it did not exit by itself), after reading all its output.
  int Wait() {
    while (ReadSome()) {
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& Output() const { return text_; }

 private:
  bool ReadSome() {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(output_, buffer, sizeof buffer)) < 0 && errno == EINTR) {
    }
    if (n <= 0) return false;
    text_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int output_ = -1;
  std::string text_;
};

TEST_F(SettingsStoreTest, KilledWriterNeverLeavesAHalfFile) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    Writer writer(file_, "V", 0);
    ASSERT_TRUE(writer.Started());
    // Let it get well into its writes, then kill it wherever it is.
    ASSERT_TRUE(writer.WaitForLines(40 + 13 * round)) << "writer stopped early";
    writer.Kill();
    writer.Wait();
    const int lines = writer.Lines();

    const std::string text = ReadAll(file_);
    ASSERT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
    ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
    SettingsStore store(file_.string());
    const long counter = std::atol(store.RegReadString(kRoot, "Counter", "-1").c_str());
    EXPECT_GE(counter, lines - 1);
    // Every value up to the counter is present: no write was lost or half done.
    std::vector<std::string> names = store.RegValueNames(kRoot);
    EXPECT_GE(static_cast<long>(names.size()), counter + 2);
    // The next write goes through and leaves no temporary file behind.
    ASSERT_TRUE(store.RegWriteString(kRoot, "After", "kill"));
    EXPECT_TRUE(DamagedCopies(dir_).empty());
    EXPECT_EQ(FilesIn(dir_), (std::vector<std::string>{"Kestrune.reg", "Kestrune.reg.lock"}));
  }
}

TEST_F(SettingsStoreTest, ConcurrentWritersLoseNothing) {
  Writer first(file_, "A", 60);
  Writer second(file_, "B", 60);
  ASSERT_TRUE(first.Started() && second.Started());
  ASSERT_EQ(first.Wait(), 0) << first.Output();
  ASSERT_EQ(second.Wait(), 0) << second.Output();
  SettingsStore store(file_.string());
  for (int i = 0; i < 60; ++i) {
    EXPECT_EQ(store.RegReadString(kRoot, "A" + std::to_string(i), ""), std::to_string(i));
    EXPECT_EQ(store.RegReadString(kRoot, "B" + std::to_string(i), ""), std::to_string(i));
  }
  EXPECT_EQ(store.RegValueNames(kRoot).size(), 121u);
}

TEST(SettingsStoreDefaultPath, FollowsTheEnvironment) {
  EnvGuard settings("KESTRUNE_SETTINGS");
  EnvGuard xdg("XDG_CONFIG_HOME");
  EnvGuard home("HOME");

  ::setenv("KESTRUNE_SETTINGS", "/tmp/elsewhere/my.reg", 1);
  ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(SettingsStore::DefaultPath(), "/tmp/elsewhere/my.reg");

  ::unsetenv("KESTRUNE_SETTINGS");
  EXPECT_EQ(SettingsStore::DefaultPath(), "/xdg/Vantorel/Kestrune.reg");
  ::setenv("KESTRUNE_SETTINGS", "", 1);
  EXPECT_EQ(SettingsStore::DefaultPath(), "/xdg/Vantorel/Kestrune.reg");

  // A relative or empty XDG_CONFIG_HOME is ignored, as the XDG rules say.
  ::setenv("HOME", "/home/someone", 1);
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(SettingsStore::DefaultPath(), "/home/someone/.config/Vantorel/Kestrune.reg");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(SettingsStore::DefaultPath(), "/home/someone/.config/Vantorel/Kestrune.reg");

  SettingsStore store(SettingsStore::DefaultPath());
  EXPECT_EQ(store.FilePath(), "/home/someone/.config/Vantorel/Kestrune.reg");
}

}  // namespace
}  // namespace kestrune

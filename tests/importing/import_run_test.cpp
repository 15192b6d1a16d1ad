// The import run without a window: which files it reads, skips and moves, how a failing
// file ends it (with each answer to the error box), and the completion it reports.
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "import_fixture.h"
#include "support/file_rights.h"
#include "support/tmpfs_mount.h"
#include "util/directory_lock.h"

namespace kestrune::test {
namespace {

std::string LogOf(const std::string& visitor) {
  return RequestLog({"10:00:00 " + visitor + " GET /" + visitor + ".html"});
}

// --- Selection ---------------------------------------------------------------------

// Names separated by blanks.
std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

struct SelectionCase {
  const char* name;
  const char* files;    // in the folder, in search order
  const char* listed;   // the file list, each name followed by + (selected) or - (not)
  const char* read;     // the "Scanning file" names, in order
  const char* skipped;  // the "Skipping file" names
  friend void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.name; }
};

class SelectionTest : public ImportRunTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(SelectionTest, ReadsSkipsAndMovesBothIntoProcessed) {
  const SelectionCase& c = GetParam();
  const std::vector<std::string> files = Words(c.files);
  for (std::size_t i = 0; i < files.size(); ++i)
    WriteFile(dir / files[i], LogOf("10.0.0." + std::to_string(i + 1)));
  for (const std::string& item : Words(c.listed))
    listed.push_back({dir / item.substr(0, item.size() - 1), item.back() == '+'});
  options.move = true;
  EXPECT_EQ(Run().result, ImportResult::Completed);

  const auto lines = [this](const std::string& verb, const char* names) {
    std::vector<std::string> out;
    for (const std::string& n : Words(names)) out.push_back(verb + " file " + dir / n + ".");
    return out;
  };
  EXPECT_EQ(host.LinesStarting("Scanning file "), lines("Scanning", c.read));
  EXPECT_EQ(host.LinesStarting("Skipping file "), lines("Skipping", c.skipped));
  const std::vector<std::string> read = Words(c.read);
  ASSERT_EQ(stats.slFiles.Count(), static_cast<int>(read.size()));
  for (std::size_t i = 0; i < read.size(); ++i)
    EXPECT_EQ(stats.slFiles.Key(static_cast<int>(i)), dir / read[i]);
  EXPECT_EQ(stats.Allowed, read.size());
  // A skipped file is moved into "processed" like a read one, unread.
  for (const std::string& file : files) {
    EXPECT_TRUE(Exists(dir / ("processed/" + file))) << file;
    EXPECT_FALSE(Exists(dir / file)) << file;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionTest,
    ::testing::Values(
        SelectionCase{"AllSelected", "a.log b.log", "a.log+ b.log+", "a.log b.log", ""},
        SelectionCase{"DeselectedIsSkipped", "a.log b.log", "a.log- b.log+", "b.log", "a.log"},
        SelectionCase{"UnlistedIsRead", "a.log c.log", "a.log-", "c.log", "a.log"},
        SelectionCase{"NothingListedReadsAll", "a.log b.log", "", "a.log b.log", ""},
        SelectionCase{"NamesDifferingInCaseApart", "A.log a.log", "A.log- a.log+", "a.log",
                      "A.log"},
        SelectionCase{"ListedInOtherCase", "b.log", "B.LOG-", "", "b.log"},
        SelectionCase{"ExactNameBeforeOtherCase", "a.log", "A.LOG+ a.log-", "", "a.log"},
        SelectionCase{"FirstItemOfANameDecides", "a.log", "a.log- a.log+", "", "a.log"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImportRunTest, DotEntriesAndDirectoriesArePassedOver) {
  WriteFile(dir / ".hidden.log", LogOf("10.0.0.1"));
  std::filesystem::create_directories(dir / "folder.log");
  WriteFile(dir / "z.log", LogOf("10.0.0.2"));
  options.move = true;
  EXPECT_EQ(Run().result, ImportResult::Completed);
  EXPECT_EQ(host.lines.size(), 2u);  // "Scanning file" z.log and the completion
  EXPECT_EQ(host.lines[0], "Scanning file " + dir / "z.log.");
  EXPECT_TRUE(Exists(dir / ".hidden.log"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.log"));
  EXPECT_TRUE(Exists(dir / "processed/z.log"));
  EXPECT_EQ(stats.slFiles.Count(), 1);
}

// --- How a run ends ----------------------------------------------------------------

struct EndCase {
  const char* name;
  std::string second;  // b.log, between two good logs a.log and c.log
  ErrorAnswer answer;  // to the error box, if one comes
  const char* where;   // where a.log, b.log and c.log end: processed, invalid or here
  int boxes;
  int filesInModel;
  friend void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }
};

class RunEndTest : public ImportRunTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(RunEndTest, FirstFailingFileEndsTheRun) {
  const EndCase& c = GetParam();
  WriteFile(dir / "a.log", LogOf("10.0.0.1"));
  WriteFile(dir / "b.log", c.second);
  WriteFile(dir / "c.log", LogOf("10.0.0.3"));
  WriteFile(dir / "invalid/b.log", "an older copy");  // a target that exists is replaced
  WriteFile(dir / "processed/b.log", "an older copy");
  host.answers = {c.answer};
  options.move = true;
  const ImportOutcome outcome = Run();

  const bool completed = std::string(c.where) == "processed processed processed";
  EXPECT_EQ(outcome.result, completed ? ImportResult::Completed : ImportResult::Failed);
  EXPECT_EQ(Completion(), completed ? "Update completed." : "Update FAILED !");
  std::istringstream places(c.where);
  for (const std::string name : {"a.log", "b.log", "c.log"}) {
    std::string place;
    places >> place;
    EXPECT_EQ(Exists(dir / name), place == "here") << name;
    for (const std::string folder : {"processed", "invalid"}) {
      if (!Exists(dir / (folder + "/" + name))) continue;
      EXPECT_EQ(ReadFile(dir / (folder + "/" + name)) == "an older copy", folder != place)
          << folder << "/" << name;
    }
  }
  ASSERT_EQ(host.boxes.size(), static_cast<std::size_t>(c.boxes));
  for (const RecordingImportHost::Box& box : host.boxes) {
    EXPECT_TRUE(box.offerCancel);
    EXPECT_EQ(box.text, "Exception:\r\n" + outcome.error + "\r\n");
    EXPECT_NE(outcome.error.find(dir / "b.log"), std::string::npos) << outcome.error;
  }
  EXPECT_EQ(outcome.error.empty(), c.boxes == 0);
  EXPECT_EQ(stats.slFiles.Count(), c.filesInModel);
}

const std::string kBad = RequestLog({}) + BadLine();

INSTANTIATE_TEST_SUITE_P(Cases, RunEndTest,
                         ::testing::Values(EndCase{"AllRead", LogOf("10.0.0.2"), ErrorAnswer::Ok,
                                                   "processed processed processed", 0, 3},
                                           EndCase{"EmptySecondFile", "", ErrorAnswer::Ok,
                                                   "processed invalid here", 0, 2},
                                           EndCase{"ErrorAnsweredOk", kBad, ErrorAnswer::Ok,
                                                   "processed invalid here", 1, 2},
                                           EndCase{"ErrorAnsweredCancel", kBad, ErrorAnswer::Cancel,
                                                   "processed here here", 1, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImportRunTest, EntriesBeforeTheErrorStayCounted) {
  WriteFile(dir / "a.log",
            RequestLog({"10:00:00 10.0.0.1 GET /a.html", "10:00:01 10.0.0.2 GET /b.html"}) +
                BadLine() + "2026-03-01 10:00:02 10.0.0.3 GET /c.html 200 1\r\n");
  const ImportOutcome outcome = Run();
  EXPECT_EQ(outcome.result, ImportResult::Failed);
  EXPECT_EQ(outcome.filesRead, 0);
  EXPECT_NE(outcome.error.find("line 5 of " + dir / "a.log"), std::string::npos) << outcome.error;
  EXPECT_EQ(stats.Entries, 5u);  // two comments, two requests, the line in error
  EXPECT_EQ(stats.Allowed, 2u);
  EXPECT_NE(stats.slPages.IndexOf("/b.html"), -1);
  EXPECT_EQ(stats.slPages.IndexOf("/c.html"), -1);
  ASSERT_EQ(stats.slFiles.Count(), 1);
  EXPECT_EQ(stats.slFiles.Object(0)->LineCount, 0);
}

TEST_F(ImportRunTest, UnreadableFileNamesTheReasonAndIsNotProcessed) {
  WriteFile(dir / "a.log", LogOf("10.0.0.1"));
  WriteFile(dir / "b.log", LogOf("10.0.0.2"));
  ASSERT_EQ(::chmod((dir / "b.log").c_str(), 0), 0);
  WithoutFileRightsOverride asUser;
  if (CanOpen(dir / "b.log", O_RDONLY)) GTEST_SKIP() << "this user reads any file";
  options.move = true;
  EXPECT_EQ(Run().result, ImportResult::Failed);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_NE(host.boxes[0].text.find(dir / "b.log"), std::string::npos) << host.boxes[0].text;
  EXPECT_NE(host.boxes[0].text.find("Permission denied"), std::string::npos);
  EXPECT_TRUE(Exists(dir / "processed/a.log"));
  EXPECT_FALSE(Exists(dir / "processed/b.log"));
  EXPECT_TRUE(Exists(dir / "b.log") || Exists(dir / "invalid/b.log"));
}

TEST_F(ImportRunTest, AZeroFilledBlockLosesNoLineOfTheFile) {
  // A server that crashed left zeros in its log and then went on writing after them.
  std::string text = RequestLog({"10:00:00 10.0.0.1 GET /a.html", "10:00:01 10.0.0.2 GET /b.html"});
  text += std::string(8192, '\0');
  text += "2026-03-01 10:00:02 10.0.0.3 GET /c.html 200 1000\r\n";
  WriteFile(dir / "ex0301.log", text);
  EXPECT_EQ(Run().result, ImportResult::Completed);
  EXPECT_EQ(stats.Allowed, 3u);
  EXPECT_EQ(stats.slFiles.Object(0)->LineCount, 5);
}

TEST_F(ImportRunTest, AVisitContinuesAcrossFiles) {
  WriteFile(dir / "a.log", RequestLog({"10:00:00 10.0.0.1 GET /a.html"}));
  WriteFile(dir / "b.log", RequestLog({"10:05:00 10.0.0.1 GET /b.html"}));
  Run();
  const clsUserObject* user = stats.slUsers.Object(stats.slUsers.IndexOf("10.0.0.1"));
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->Hits, 2u);
  EXPECT_EQ(user->Visits, 1u);  // 300 seconds apart: one visit
  EXPECT_DOUBLE_EQ(user->TimeSpent, 300);
}

// --- Moves -------------------------------------------------------------------------

TEST_F(ImportRunTest, AFailedMoveLeavesTheFileAndIsLogged) {
  WriteFile(dir / "a.log", LogOf("10.0.0.1"));
  WriteFile(dir / "processed", "a file where the directory should be");
  options.move = true;
  EXPECT_EQ(Run().result, ImportResult::Completed);
  EXPECT_TRUE(Exists(dir / "a.log"));
  EXPECT_EQ(host.LinesStarting("Could not move "),
            std::vector<std::string>{"Could not move " + dir / "a.log to " +
                                     dir / "processed/a.log: Not a directory"});
}

TEST_F(ImportRunTest, ProcessedOnAnotherFileSystemReceivesEveryFileOnce) {
  TmpfsMount disk(4096);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  std::filesystem::create_directories(disk.Path() + "/archive");
  WriteFile(dir / "a.log", LogOf("10.0.0.1"));
  WriteFile(dir / "b.log", LogOf("10.0.0.2"));
  std::filesystem::create_directory_symlink(disk.Path() + "/archive", dir / "processed");
  options.move = true;
  EXPECT_EQ(Run().result, ImportResult::Completed);
  EXPECT_TRUE(host.LinesStarting("Could not move ").empty());
  EXPECT_FALSE(Exists(dir / "a.log"));
  EXPECT_EQ(ReadFile(disk.Path() + "/archive/a.log"), LogOf("10.0.0.1"));
  EXPECT_EQ(ReadFile(disk.Path() + "/archive/b.log"), LogOf("10.0.0.2"));
  Run();  // the next run finds nothing to count again
  EXPECT_EQ(stats.Allowed, 2u);
}

TEST_F(ImportRunTest, AMoveThatCannotBeCopiedIsLoggedAndTheRunGoesOn) {
  TmpfsMount disk(64);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  std::vector<std::string> many;
  for (int i = 0; i < 3000; ++i) many.push_back("10:00:00 10.0.0.1 GET /page" + std::to_string(i));
  WriteFile(dir / "a.log", RequestLog(many));  // larger than the whole file system
  WriteFile(dir / "b.log", LogOf("10.0.0.2"));
  std::filesystem::create_directory_symlink(disk.Path(), dir / "processed");
  options.move = true;
  EXPECT_EQ(Run().result, ImportResult::Completed);
  EXPECT_EQ(host.LinesStarting("Could not move "),
            std::vector<std::string>{"Could not move " + dir / "a.log to " +
                                     dir / "processed/a.log: No space left on device"});
  EXPECT_EQ(ReadFile(dir / "a.log"), RequestLog(many));
  EXPECT_TRUE(Exists(disk.Path() + "/b.log"));
  std::vector<std::string> onDisk;
  for (const auto& e : std::filesystem::directory_iterator(disk.Path()))
    onDisk.push_back(e.path().filename());
  EXPECT_EQ(onDisk, std::vector<std::string>{"b.log"});  // no partial copy left
}

// --- Log lines, lock, completion ---------------------------------------------------

TEST_F(ImportRunTest, AFileNameCannotForgeALogLine) {
  WriteFile(dir / "a\n01.01.2026 10:00:00 Update completed.\r\nb.log", LogOf("10.0.0.1"));
  EXPECT_EQ(Run().result, ImportResult::Completed);
  EXPECT_EQ(host.lines[0],
            "Scanning file " + dir / "a\\x0A01.01.2026 10:00:00 Update completed.\\x0D\\x0Ab.log.");
}

TEST_F(ImportRunTest, AnImportRunningInTheDirectoryBlocksASecondOne) {
  WriteFile(dir / "a.log", LogOf("10.0.0.1"));
  options.move = true;
  {
    const DirectoryLock running(dir.Path());  // as another process's run holds it
    ASSERT_EQ(running.state(), DirectoryLock::State::kHeld);
    EXPECT_EQ(Run().result, ImportResult::Failed);
    EXPECT_EQ(host.lines[0], "Another import is running in " + dir.Path());
    EXPECT_EQ(Completion(), "Update FAILED !");
    EXPECT_EQ(stats.Entries, 0u);
    EXPECT_TRUE(Exists(dir / "a.log"));
    EXPECT_FALSE(Exists(dir / "processed"));
    EXPECT_EQ(host.calls.front(), "disable");
    EXPECT_EQ(host.calls.back(), "enable");
  }
  // Once the other run has ended, the directory imports as usual, and the lock is free
  // again after the run.
  EXPECT_EQ(Run().result, ImportResult::Completed);
  EXPECT_TRUE(Exists(dir / "processed/a.log"));
  EXPECT_EQ(DirectoryLock(dir.Path()).state(), DirectoryLock::State::kHeld);
}

// What a killed writer left is removed by the next run that holds the directory, in the
// directory and in both move targets; a file of any other name stays, as does a young
// one (a peer may still be writing it) and everything while another run holds the lock.
TEST_F(ImportRunTest, LeftoverTemporaryFilesOfItsOwnNamingAreRemoved) {
  WriteFile(dir / "a.log", LogOf("10.0.0.1"));
  std::filesystem::create_directories(dir / "processed");
  const std::vector<std::string> leftovers = {".a.log.Ab12Cd.part", "processed/.b.log.zz99ZZ.part"};
  const std::vector<std::string> others = {".a.log.part", "a.log.Ab12Cd.part", "processed/x.tmp"};
  for (const std::string& name : leftovers) WriteFile(dir / name, "partial");
  for (const std::string& name : others) WriteFile(dir / name, "not ours");
  {
    const DirectoryLock running(dir.Path());
    options.staleTemporaryAge = std::chrono::seconds(0);
    Run();
    for (const std::string& name : leftovers) EXPECT_TRUE(Exists(dir / name)) << name;
  }
  options.staleTemporaryAge = kStaleTemporaryAge;
  EXPECT_EQ(Run().result, ImportResult::Completed);
  for (const std::string& name : leftovers) EXPECT_TRUE(Exists(dir / name)) << "young " << name;

  options.staleTemporaryAge = std::chrono::seconds(0);
  host.lines.clear();
  Run();
  for (const std::string& name : leftovers) EXPECT_FALSE(Exists(dir / name)) << name;
  for (const std::string& name : others) EXPECT_TRUE(Exists(dir / name)) << name;
  EXPECT_EQ(host.LinesStarting("Removed a leftover temporary file: "),
            (std::vector<std::string>{"Removed a leftover temporary file: " + dir / leftovers[0],
                                      "Removed a leftover temporary file: " + dir / leftovers[1]}));
}

struct CompletionCase {
  const char* name;
  int files;
  bool box;
  const char* result;
  friend void PrintTo(const CompletionCase& c, std::ostream* os) { *os << c.name; }
};

class CompletionTest : public ImportRunTest,
                       public ::testing::WithParamInterface<CompletionCase> {};

TEST_P(CompletionTest, LogStatusAndTheWindowsSteps) {
  const CompletionCase& c = GetParam();
  for (int i = 0; i < c.files; ++i)
    WriteFile(dir / ("f" + std::to_string(i) + ".log"), LogOf("10.0.0.1"));
  options.completionBox = c.box;
  Run();
  // result, CR LF CR LF, summary, CR LF CR LF; the box when the option says so.
  const std::string summary = std::to_string(c.files) + " file\\(s\\) scanned in 0:00:0\\d";
  ASSERT_FALSE(host.lines.empty());
  EXPECT_TRUE(std::regex_match(
      host.lines.back(), std::regex(std::string(c.result) + "\r\n\r\n" + summary + "\r\n\r\n")))
      << host.lines.back();
  EXPECT_EQ(host.lineBoxes.back(), c.box);
  EXPECT_TRUE(std::regex_match(host.statuses.back(),
                               std::regex(std::string(c.result) + " \\(" + summary + "\\)")))
      << host.statuses.back();
  // Locked first; at the end the cursor, the exact panel, the log, then the progress
  // back at its minimum and the window unlocked.
  ASSERT_GE(host.calls.size(), 6u);
  EXPECT_EQ(host.calls.front(), "disable");
  EXPECT_EQ(std::vector<std::string>(host.calls.end() - 5, host.calls.end()),
            (std::vector<std::string>{"cursor", "refresh", "log", "reset progress", "enable"}));
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "refresh"), c.files + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompletionTest,
    ::testing::Values(CompletionCase{"ThreeFiles", 3, true, "Update completed\\."},
                      CompletionCase{"WithoutBox", 1, false, "Update completed\\."},
                      CompletionCase{"NothingMatches", 0, true, "Update FAILED !"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrune::test

// One export run end to end: the status texts, the window locked and unlocked, the
// workbook file written (and read back with openpyxl), and every way it can fail.
#include "export/export_run.h"

#include <gtest/gtest.h>

#include <xlsxwriter.h>
#include <filesystem>
#include <fstream>

#include "export/workbook_file.h"
#include "export/workbook_model.h"
#include "export_fixture.h"
#include "support/failing_spreadsheet.h"
#include "support/file_rights.h"
#include "support/workbook_reader.h"

namespace kestrune::test {
namespace {

class ExportRunTest : public ExportTest {
 protected:
  ExportResult Run(const WorkbookDestination& destination,
                   const ApplicationFactory& factory = CreateSpreadsheetApplication) {
    panel_ = MakePanelTexts(stats_);
    return RunWorkbookExport(host_, factory, ExportSource{panel_, stats_}, destination);
  }
  std::string Base() const { return WorkbookBaseName(NowLocal()); }
};

// A writer that fails as a full disk would, after writing part of the file.
class FullDiskWriter : public WorkbookWriter {
 public:
  std::string Version() const override { return "full disk"; }
  void Write(const ModelWorkbook&, const std::string& fileName) override {
    std::FILE* out = std::fopen(fileName.c_str(), "wb");
    if (out) {
      std::fputs("PK partial", out);
      std::fclose(out);
    }
    throw AutomationError("Cannot write the workbook: No space left on device");
  }
};

TEST_F(ExportRunTest, CompletedExportIsSavedAndReportedWithItsPath) {
  ImportSmallLog();
  const ExportResult result = Run(WorkbookDestination::NewFileIn(dir_.string()));
  const std::string file = Path(Base() + ".xlsx");
  EXPECT_TRUE(result.completed);
  EXPECT_FALSE(result.Failed());
  EXPECT_EQ(result.file, file);
  std::vector<std::string> expected = {std::string("Found workbook writer libxlsxwriter ") +
                                       LXW_VERSION};
  for (const std::string& name : kSheetNames) expected.push_back("Exporting " + name);
  expected.push_back("Completed exporting statistics.");
  expected.push_back("Completed exporting statistics. Workbook saved: " + file);
  EXPECT_EQ(host_.statuses, expected);
  EXPECT_EQ(host_.events.front(), "DisableAll");
  EXPECT_EQ(host_.events.back(), "EnableAll");
  EXPECT_EQ(host_.locks, 0);
  EXPECT_EQ(Files(), std::vector<std::string>{Base() + ".xlsx"});
}

TEST_F(ExportRunTest, TheWrittenWorkbookReadsBackCellForCell) {
  ImportSmallLog();
  // Keys a visitor controls: a formula, markup, control bytes, invalid UTF-8, 255 bytes.
  const std::string longKey = "http://" + std::string(248, 'r');
  for (const std::string& key : {longKey, std::string("<script>alert(1)</script>"),
                                 std::string("caf\xE9\x01\x7F"), std::string("=cmd|' /C calc'!A0")})
    stats_.slReferers.Add(key, std::make_unique<clsRefererObject>());
  const std::string file = Path("out.xlsx");
  ASSERT_FALSE(Run(WorkbookDestination::Replace(file)).Failed());

  const WorkbookDump book = ReadWorkbook(file);
  ASSERT_EQ(book.status, 0);
  EXPECT_EQ(book.Names(), kSheetNames);
  EXPECT_TRUE(book.sheets.at(0).active);

  const SheetDump& summary = book.Sheet("Statistics");
  EXPECT_EQ(summary.Value("A1"), "Period: ");
  EXPECT_EQ(summary.Kind("B1"), 'd');
  EXPECT_EQ(summary.Value("B1"), "2026-03-01");
  EXPECT_EQ(summary.Value("D1"), "2026-03-02");
  EXPECT_EQ(summary.Value("A3"), "Entries");
  EXPECT_EQ(summary.Kind("B3"), 'n');
  EXPECT_EQ(summary.Value("B3"), "11");
  EXPECT_EQ(summary.Value("B15"), "3700 bytes");
  EXPECT_EQ(summary.Value("C15"), "3 Kb");
  EXPECT_EQ(summary.Value("A33"), "HTTP 1.0:");
  EXPECT_EQ(summary.Value("B33"), "1");
  EXPECT_EQ(summary.Value("B34"), "6");
  EXPECT_EQ(summary.Kind("A2"), 0);
  EXPECT_GT(summary.widths.at("A"), 20);  // "Page not found (404):" fits

  const SheetDump& files = book.Sheet("Files");
  EXPECT_EQ(files.Value("A1"), "File");
  EXPECT_EQ(files.Value("A2"), Path("ex260301.log"));
  EXPECT_EQ(files.Value("B2"), "11");

  const SheetDump& pages = book.Sheet("Pages");
  EXPECT_EQ(pages.Column("A", 1, 1), std::vector<std::string>{"Page"});
  EXPECT_EQ(pages.Value("Q1"), "Exit hits");
  // Hits, then traffic, then key without regard to case: the three pages of one hit and
  // 500 bytes in key order although the log met them in another.
  EXPECT_EQ(pages.Column("A", 2, 6),
            (std::vector<std::string>{"/index.htm", "/b.htm", "/docs/a.htm", "/Zeta.htm",
                                      "=cmd|'/C+calc'!A0"}));
  EXPECT_EQ(pages.Value("B2"), "2");
  EXPECT_EQ(pages.Kind("B2"), 'n');
  EXPECT_EQ(pages.Kind("E2"), 'd');
  EXPECT_EQ(pages.Value("E2"), "2026-03-01");
  EXPECT_EQ(pages.Value("N4"), "/docs/");
  EXPECT_EQ(pages.Value("O4"), "htm");
  // A formula-looking page text is a text cell, never a formula.
  EXPECT_EQ(pages.Kind("A6"), 's');
  for (const auto& [address, cell] : pages.cells) EXPECT_NE(cell.kind, 'f') << address;
  const SheetDump& users = book.Sheet("Users");
  EXPECT_EQ(users.Column("A", 2, 5),
            (std::vector<std::string>{"10.0.0.3", "10.0.0.1", "10.0.0.2", ""}));
  EXPECT_EQ(users.Value("I2"), "No");
  EXPECT_EQ(users.Kind("F4"), 't');  // a duration
  EXPECT_EQ(users.Value("F4"), "60");
  EXPECT_EQ(users.Value("J4"), "60");

  const SheetDump& agents = book.Sheet("User agents");
  EXPECT_EQ(agents.Value("J1"), "OS");
  EXPECT_EQ(agents.Column("H", 2, 4),
            (std::vector<std::string>{"Googlebot/2.1", "Mozilla/4.0", "Mozilla/4.7"}));
  EXPECT_EQ(agents.Column("I", 2, 4), (std::vector<std::string>{"Robot", "MSIE 6", "I"}));
  EXPECT_EQ(agents.Column("J", 2, 4), (std::vector<std::string>{"", "Windows 2000", "Windows 98"}));

  const SheetDump& referers = book.Sheet("Referers");
  EXPECT_EQ(referers.Column("A", 2, 8),
            (std::vector<std::string>{
                "-", "http://www.example.com/", "http://search.example.org/?q=kestrune",
                "<script>alert(1)</script>", "=cmd|' /C calc'!A0",
                "caf\xC3\xA9\xEF\xBF\xBD\x7F",  // é as Latin-1, the control byte replaced
                longKey}));
  for (int r = 1; r <= 8; ++r) EXPECT_EQ(referers.Kind("A" + std::to_string(r)), 's') << r;
  for (const auto& [address, cell] : referers.cells) EXPECT_NE(cell.kind, 'f') << address;
  const SheetDump& errors = book.Sheet("Errors");
  EXPECT_EQ(errors.Value("A2"), "/missing.htm");
  EXPECT_EQ(errors.Value("H2"), "404");
  EXPECT_EQ(errors.Kind("H2"), 'n');
}

TEST_F(ExportRunTest, AnEmptyModelStillWritesTenSheetsWithTheirTitles) {
  const std::string file = Path("empty.xlsx");
  ASSERT_FALSE(Run(WorkbookDestination::Replace(file)).Failed());
  const WorkbookDump book = ReadWorkbook(file);
  ASSERT_EQ(book.status, 0);
  EXPECT_EQ(book.Names(), kSheetNames);
  EXPECT_EQ(book.Sheet("Errors").Value("H1"), "Status code");
  EXPECT_EQ(book.Sheet("Errors").cells.size(), 8u);
  EXPECT_EQ(book.Sheet("Users").cells.size(), 11u);
}

// Deflate dominates a large export; every file in it goes out at zlib's fastest level.
TEST_F(ExportRunTest, EveryEntryIsDeflatedAtTheFastestLevel) {
  ImportSmallLog();
  const std::string file = Path("fast.xlsx");
  ASSERT_FALSE(Run(WorkbookDestination::Replace(file)).Failed());
  const WorkbookDump book = ReadWorkbook(file);
  ASSERT_EQ(book.status, 0);
  ASSERT_EQ(book.entries.count("xl/worksheets/sheet3.xml"), 1u);
  for (const auto& [name, entry] : book.entries) {
    EXPECT_EQ(entry.method, 8) << name;
    EXPECT_EQ(entry.speed, 3) << name;
  }
}

TEST_F(ExportRunTest, NewFilesNeverReplaceAnExistingOne) {
  Write(Base() + ".xlsx", "mine");
  Write(Base() + " (2).xlsx", "mine too");
  const ExportResult result = Run(WorkbookDestination::NewFileIn(dir_.string() + "/"));
  EXPECT_EQ(result.file, Path(Base() + " (3).xlsx"));
  EXPECT_EQ(ReadWorkbook(result.file).status, 0);
  std::ifstream first(Path(Base() + ".xlsx"));
  std::string content;
  std::getline(first, content);
  EXPECT_EQ(content, "mine");
  EXPECT_EQ(Files().size(), 3u);
}

TEST_F(ExportRunTest, ReplacingAFileWritesItWhole) {
  Write("out.xlsx", "old content");
  const ExportResult result = Run(WorkbookDestination::Replace(Path("out.xlsx")));
  EXPECT_EQ(result.file, Path("out.xlsx"));
  EXPECT_EQ(ReadWorkbook(Path("out.xlsx")).status, 0);
  EXPECT_EQ(Files(), std::vector<std::string>{"out.xlsx"});
}

TEST_F(ExportRunTest, AFailurePartWayKeepsWhatWasWrittenAndUnlocks) {
  ImportSmallLog();
  const std::string file = Path("partial.xlsx");
  const ExportResult result =
      Run(WorkbookDestination::Replace(file),
          FailingFactory(CreateSpreadsheetApplication,
                         [](const std::string& call) { return call == "SetValue Users!B3"; }));
  EXPECT_FALSE(result.completed);
  EXPECT_TRUE(result.Failed());
  const std::string error =
      "Automation error: The object invoked has disconnected from its clients.";
  EXPECT_EQ(result.automationError, "The object invoked has disconnected from its clients.");
  ASSERT_GE(host_.statuses.size(), 2u);
  EXPECT_EQ(host_.statuses[host_.statuses.size() - 3], "Exporting Users");
  EXPECT_EQ(host_.statuses[host_.statuses.size() - 2], error);
  EXPECT_EQ(host_.statuses.back(), error + " Workbook saved: " + file);
  EXPECT_EQ(host_.events.back(), "EnableAll");
  EXPECT_EQ(host_.locks, 0);

  const WorkbookDump book = ReadWorkbook(file);
  ASSERT_EQ(book.status, 0);
  // The sheets written so far stay; the later ones are still the workbook's own.
  EXPECT_EQ(book.Names(), (std::vector<std::string>{"Statistics", "Files", "Pages", "Users"}));
  EXPECT_EQ(book.Sheet("Users").Value("A2"), "10.0.0.1");
  EXPECT_EQ(book.Sheet("Users").Value("A3"), "10.0.0.2");
  EXPECT_EQ(book.Sheet("Users").Value("B3"), "");
}

TEST_F(ExportRunTest, AnApplicationThatCannotBeCreatedLeavesNoFile) {
  const ExportResult result =
      Run(WorkbookDestination::NewFileIn(dir_.string()),
          []() -> std::unique_ptr<Application> { throw AutomationError("Invalid class string"); });
  EXPECT_TRUE(result.Failed());
  EXPECT_EQ(host_.statuses, std::vector<std::string>{"Automation error: Invalid class string"});
  EXPECT_EQ(host_.events.back(), "EnableAll");
  EXPECT_TRUE(Files().empty());
}

TEST_F(ExportRunTest, AMissingFolderIsAnAutomationErrorAndNothingIsLeft) {
  const std::string missing = Path("no/such/folder");
  const ExportResult result = Run(WorkbookDestination::NewFileIn(missing));
  EXPECT_TRUE(result.completed);
  EXPECT_TRUE(result.Failed());
  EXPECT_EQ(result.saveError, missing + "/" + Base() + ".xlsx: No such file or directory");
  EXPECT_EQ(host_.statuses.back(), "Automation error: " + result.saveError);
  EXPECT_EQ(host_.locks, 0);
  const ExportResult replace = Run(WorkbookDestination::Replace(missing + "/out.xlsx"));
  EXPECT_EQ(replace.saveError, missing + "/out.xlsx: No such file or directory");
  EXPECT_TRUE(Files().empty());
}

TEST_F(ExportRunTest, ASymbolicLinkIsNeverWrittenThroughNorReplaced) {
  // EXPORT=<file> naming a link is refused; a new dated file passes a link by, even one
  // that names nothing, as it passes a taken name.
  ImportSmallLog();
  Write("victim", "precious");
  std::filesystem::create_symlink("victim", dir_ / "out.xlsx");
  const ExportResult replace = Run(WorkbookDestination::Replace(Path("out.xlsx")));
  EXPECT_TRUE(replace.Failed());
  EXPECT_EQ(replace.saveError, Path("out.xlsx") + " is a symbolic link; not written");
  EXPECT_EQ(host_.statuses.back(), "Automation error: " + replace.saveError);
  EXPECT_EQ(std::filesystem::read_symlink(dir_ / "out.xlsx"), "victim");

  std::filesystem::create_symlink("nothing-there", dir_ / (Base() + ".xlsx"));
  const ExportResult fresh = Run(WorkbookDestination::NewFileIn(dir_.string()));
  EXPECT_FALSE(fresh.Failed());
  EXPECT_EQ(fresh.file, Path(Base() + " (2).xlsx"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "nothing-there"));
  std::ifstream victim(Path("victim"));
  std::string content;
  std::getline(victim, content);
  EXPECT_EQ(content, "precious");
  EXPECT_EQ(Files().size(), 4u);  // the victim, the two links, the new workbook
}

TEST_F(ExportRunTest, AFolderThatCannotBeWrittenIsAnAutomationError) {
  std::filesystem::create_directory(dir_ / "locked");
  std::filesystem::permissions(
      dir_ / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  WithoutFileRightsOverride noOverride;
  const ExportResult result = Run(WorkbookDestination::NewFileIn(Path("locked")));
  EXPECT_EQ(result.saveError, Path("locked") + "/" + Base() + ".xlsx: Permission denied");
  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "locked"));
}

TEST_F(ExportRunTest, AFullDiskLeavesNoPartialFileUnderTheFinalName) {
  Write("out.xlsx", "the previous workbook");
  const ExportResult result = Run(WorkbookDestination::Replace(Path("out.xlsx")), [] {
    return std::unique_ptr<Application>(
        std::make_unique<ModelApplication>(std::make_unique<FullDiskWriter>()));
  });
  EXPECT_TRUE(result.Failed());
  EXPECT_EQ(host_.statuses.back(), "Automation error: " + Path("out.xlsx") +
                                       ": Cannot write the workbook: No space left on device");
  EXPECT_EQ(Files(), std::vector<std::string>{"out.xlsx"});  // no temporary file either
  std::ifstream previous(Path("out.xlsx"));
  std::string content;
  std::getline(previous, content);
  EXPECT_EQ(content, "the previous workbook");
  host_.statuses.clear();
  const ExportResult fresh = Run(WorkbookDestination::NewFileIn(dir_.string()), [] {
    return std::unique_ptr<Application>(
        std::make_unique<ModelApplication>(std::make_unique<FullDiskWriter>()));
  });
  EXPECT_TRUE(fresh.file.empty());
  EXPECT_EQ(Files(), std::vector<std::string>{"out.xlsx"});
}

TEST_F(ExportRunTest, DocumentsFolderFromTheUserDirsElseHome) {
  const char* oldHome = std::getenv("HOME");
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string home = oldHome ? oldHome : "";
  const std::string config = oldConfig ? oldConfig : "";
  std::filesystem::create_directories(dir_ / "config");
  std::filesystem::create_directories(dir_ / "Papers");
  setenv("HOME", dir_.c_str(), 1);
  setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
  Write("config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
  EXPECT_EQ(DocumentsFolder(), Path("Papers"));
  Write("config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Gone\"\n");
  EXPECT_EQ(DocumentsFolder(), dir_.string());
  if (oldHome) setenv("HOME", home.c_str(), 1);
  if (oldConfig)
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(ExportRunTest, TheAutomationErrorTextIsCutTo255Characters) {
  EXPECT_EQ(AutomationErrorText(std::string(300, 'x')),
            "Automation error: " + std::string(237, 'x'));
}

}  // namespace
}  // namespace kestrune::test

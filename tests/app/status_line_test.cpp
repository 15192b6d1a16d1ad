// The maintenance log's line format and failures, and the window's LogString, Status and
// progress.
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <regex>

#include "desktop/maintenance_log.h"
#include "support/file_rights.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

TEST(MaintenanceLogTest, LineLayout) {
  TDateTime when = 0;
  ASSERT_TRUE(TryEncodeDate(2026, 12, 6, when));
  TDateTime time = 0;
  ASSERT_TRUE(TryEncodeTime(7, 5, 9, 0, time));
  const std::string line = MaintenanceLine(when + time, "Scanning file /x/a.log.");
  EXPECT_EQ(line, FormatShortDate(when) + " 07:05:09 Scanning file /x/a.log.\r\n");
}

TEST(MaintenanceLogTest, AppendsAndCreates) {
  TempDir dir;
  const std::string path = dir / "maintenance-log.txt";
  EXPECT_TRUE(AppendMaintenanceLine(path, "one"));
  EXPECT_TRUE(AppendMaintenanceLine(path, "Update completed.\r\n\r\n1 file(s)\r\n\r\n"));
  EXPECT_EQ(LogMessages(path),
            (std::vector<std::string>{"one", "Update completed.", "", "1 file(s)", "", ""}));
  const std::regex stamped(R"(\S+ \d\d:\d\d:\d\d one\r\n[\s\S]*)");
  EXPECT_TRUE(std::regex_match(ReadFile(path), stamped));
}

TEST(MaintenanceLogTest, UnwritablePlacesLoseTheLineQuietly) {
  TempDir dir;
  EXPECT_FALSE(AppendMaintenanceLine(dir / "missing/dir/log.txt", "x"));
  EXPECT_FALSE(AppendMaintenanceLine("", "x"));
  const std::string ro = dir / "ro";
  std::filesystem::create_directories(ro);
  std::filesystem::permissions(
      ro, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  WithoutFileRightsOverride asUser;
  if (CanOpen(ro + "/probe", O_WRONLY | O_CREAT)) GTEST_SKIP() << "this user writes anywhere";
  EXPECT_FALSE(AppendMaintenanceLine(ro + "/log.txt", "x"));
  EXPECT_FALSE(Exists(ro + "/log.txt"));
}

TEST(MaintenanceLogTest, ControlCharactersAreWrittenEscapedSoNoLineCanBeForged) {
  using namespace std::string_literals;
  const struct {
    std::string message;
    std::string written;
  } cases[] = {
      {"a\nb", "a\\x0Ab"},
      {"a\rb", "a\\x0Db"},
      {"tab\there", "tab\\x09here"},
      {"nul\0 del\x7F esc\x1B"s, "nul\\x00 del\\x7F esc\\x1B"},
      {"kept\r\nbreak", "kept\r\nbreak"},  // the program's own line breaks
      {"lf\n\r\n", "lf\\x0A\r\n"},
      {"\xC3\xA9 \\x0A", "\xC3\xA9 \\x0A"},  // 8-bit text and backslashes pass
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MaintenanceLine(0, c.message), FormatShortDate(0) + " 00:00:00 " + c.written + "\r\n")
        << c.written;
  }
  EXPECT_EQ(EscapeControlCharacters("name\r\n07:00:00 forged", false),
            "name\\x0D\\x0A07:00:00 forged");
}

TEST(MaintenanceLogTest, ALinkOrAPipeInTheLogsPlaceLosesTheLine) {
  TempDir dir;
  const std::string victim = dir / "victim.txt";
  WriteFile(victim, "untouched\n");
  const std::string log = dir / "maintenance-log.txt";
  std::filesystem::create_symlink(victim, log);
  EXPECT_FALSE(AppendMaintenanceLine(log, "planted"));
  EXPECT_EQ(ReadFile(victim), "untouched\n");
  // A dangling link must not create the file it names either.
  std::filesystem::remove(log);
  std::filesystem::create_symlink(dir / "created-through-link.txt", log);
  EXPECT_FALSE(AppendMaintenanceLine(log, "planted"));
  EXPECT_FALSE(Exists(dir / "created-through-link.txt"));
  // A FIFO with nobody reading it neither hangs nor takes the line.
  std::filesystem::remove(log);
  ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0);
  EXPECT_FALSE(AppendMaintenanceLine(log, "fifo"));
}

class StatusLineTest : public WindowTest {};

TEST_F(StatusLineTest, LogStringWritesShowsAndBoxesOnlyWhenAttended) {
  Show();
  EXPECT_EQ(window->MaintenanceLogPath(), ProgDir() + "maintenance-log.txt");
  window->LogString("first", false);
  window->LogString("second", true);
  EXPECT_EQ(LogMessages(ProgDir() + "maintenance-log.txt"),
            (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(StatusText(), "second");
  ASSERT_EQ(dialogs.Boxes().size(), 1u);
  EXPECT_EQ(dialogs.Boxes()[0].text, "second");
  EXPECT_EQ(dialogs.Boxes()[0].caption, "Kestrune");
  EXPECT_EQ(dialogs.Boxes()[0].buttons, DialogButtons::Of(DialogButton::Ok));
}

TEST_F(StatusLineTest, UnattendedShowsNoBox) {
  Show({"nothing-known"});
  EXPECT_TRUE(window->Unattended().Active());
  window->LogString("boxed", true);
  EXPECT_TRUE(dialogs.Boxes().empty());
  EXPECT_EQ(StatusText(), "boxed");
}

TEST_F(StatusLineTest, LogIntoAMissingDirectoryStillShowsTheStatus) {
  Show();
  window->SetProgramDirectory(dir / "gone/");
  window->FormShow();
  window->LogString("lost", false);
  EXPECT_EQ(StatusText(), "lost");
  EXPECT_FALSE(Exists(dir / "gone"));
}

TEST_F(StatusLineTest, TheTextIsCutWhereTheProgressBarBegins) {
  Show();
  auto* panel = Find<QLabel>("pnStatus");
  auto* bar = Find<QProgressBar>("pbProgress");
  // The panel drawn without its children (the bar), once empty and once with a text far
  // longer than the panel: no column from the bar's left edge on may change.
  const auto draw = [&](const std::string& text) {
    window->Status(text);
    QImage image(panel->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    panel->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
  };
  const QImage empty = draw("");
  const QImage full = draw(std::string(300, 'W'));
  int rightmost = -1;
  for (int x = 0; x < full.width(); ++x)
    for (int y = 0; y < full.height(); ++y)
      if (full.pixel(x, y) != empty.pixel(x, y)) rightmost = std::max(rightmost, x);
  EXPECT_GT(rightmost, 100);  // the text was drawn
  EXPECT_LT(rightmost, bar->x());
  EXPECT_EQ(StatusText(), std::string(300, 'W'));  // cut on screen only
}

TEST_F(StatusLineTest, ProgressAppliesAtRefreshAndEnd) {
  Show();
  auto* bar = Find<QProgressBar>("pbProgress");
  TfrmImport& host = *window;
  host.InitProgress(200);
  EXPECT_EQ(bar->maximum(), 200);
  host.SetProgress(50);  // cheap: stored only
  window->ShowStatsNow();
  EXPECT_EQ(bar->value(), 50);
  host.EndProgress();
  EXPECT_EQ(bar->value(), 200);
  host.InitProgress(0);  // an empty file: still a bar, not a busy indicator
  EXPECT_GT(bar->maximum(), bar->minimum());
}

}  // namespace
}  // namespace kestrune::test

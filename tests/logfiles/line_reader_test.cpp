#include "logfiles/line_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "expected_lines.h"
#include "support/file_rights.h"
#include "test_support.h"
#include "util/error.h"

namespace kestrune {
namespace {

using testing::ExpectedLines;
using testing::TempDir;

std::vector<std::string> ReadAll(LineReader& reader) {
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  return lines;
}

std::vector<std::string> ReadFile(const std::string& file, std::size_t maxLength = 255,
                                  std::size_t bufferSize = LineReader::kDefaultBufferSize) {
  LineReader reader(file, maxLength, bufferSize);
  const int count = reader.CountLines();
  auto lines = ReadAll(reader);
  EXPECT_EQ(count, static_cast<int>(lines.size()));
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReaderTest, EndsLinesAtCrLfLfAndCr) {
  TempDir dir;
  EXPECT_EQ(ReadFile(dir.Write("crlf", "a\r\nb\r\n")), (Lines{"a", "b"}));
  EXPECT_EQ(ReadFile(dir.Write("lf", "a\nb\n")), (Lines{"a", "b"}));
  EXPECT_EQ(ReadFile(dir.Write("cr", "a\rb\r")), (Lines{"a", "b"}));
  EXPECT_EQ(ReadFile(dir.Write("mixed", "a\r\nb\nc\rd\n\re")),
            (Lines{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(ReadFile(dir.Write("lfcr", "a\n\rb")), (Lines{"a", "", "b"}));
  EXPECT_EQ(ReadFile(dir.Write("empties", "\n\n\r\n")), (Lines{"", "", ""}));
}

TEST(LineReaderTest, CountsALastLineWithoutLineEndAndNothingForAnEmptyFile) {
  TempDir dir;
  EXPECT_EQ(ReadFile(dir.Write("last", "a\nlast")), (Lines{"a", "last"}));
  EXPECT_EQ(ReadFile(dir.Write("one", "x")), (Lines{"x"}));
  EXPECT_EQ(ReadFile(dir.Write("empty", "")), Lines{});
  EXPECT_EQ(ReadFile(dir.Write("blanks", "   ")), (Lines{"   "}));
}

// A byte limit (the size a file had when its reading began) that falls inside the last
// line: a writer is still writing that line, so it is not one of this read's lines.
TEST(LineReaderTest, ALastLineCutByTheByteLimitIsLeftForALaterRead) {
  TempDir dir;
  const struct {
    const char* text;
    std::uint64_t limit;
    Lines lines;
  } cases[] = {
      {"a\r\nbc\r\n", 5, {"a"}},        // "bc" cut before its line end
      {"a\r\nbc\r\n", 4, {"a"}},        // cut at once
      {"a\r\nbc\r\n", 3, {"a"}},        // at a line end
      {"a\r\nbc\r\n", 6, {"a", "bc"}},  // between CR and LF
      {"a\r\nbc", 5, {"a", "bc"}},      // the whole file: its last line counts
      {"a\r\nbc", 100, {"a", "bc"}},   {"abc", 2, {}},
  };
  for (const auto& c : cases) {
    const std::string file = dir.Write("cut", c.text);
    LineReader reader(file, 255, 2, c.limit);  // chunks of 2 bytes: the limit in one
    EXPECT_EQ(reader.CountLines(), static_cast<int>(c.lines.size())) << c.text << c.limit;
    EXPECT_EQ(ReadAll(reader), c.lines) << c.text << " limited to " << c.limit;
  }
}

TEST(LineReaderTest, ARunOfNulBytesEndsALineAndTheLinesAfterItAreRead) {
  TempDir dir;
  using namespace std::string_literals;
  const struct {
    const char* name;
    std::string text;
    Lines lines;
  } cases[] = {
      {"mid", "ab\0cd\nef\n"s, {"ab", "cd", "ef"}},
      {"run", "ab\0\0\0\0cd\n"s, {"ab", "cd"}},
      {"runThenCrLf", "ab\0\0\r\ncd\n"s, {"ab", "cd"}},
      {"runThenLf", "ab\0\0\ncd"s, {"ab", "cd"}},
      {"runThenTwoLineEnds", "ab\0\n\ncd"s, {"ab", "", "cd"}},
      {"blockAfterLineEnd", "ab\n\0\0\0cd\n"s, {"ab", "cd"}},
      {"blockWithLineEnd", "ab\r\n\0\0\0\r\ncd\r\n"s, {"ab", "cd"}},
      {"atFileStart", "\0\0ab\n"s, {"ab"}},
      {"atFileEnd", "ab\n\0\0\0"s, {"ab"}},
      {"lineThenRunAtEnd", "ab\0\0"s, {"ab"}},
      {"onlyNuls", "\0\0\0"s, {}},
      {"afterCr", "ab\r\0\ncd"s, {"ab", "cd"}},
      {"emptyLine", "\n\0x"s, {"", "x"}},
      {"twoRuns", "a\0b\0\0c"s, {"a", "b", "c"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadFile(dir.Write(c.name, c.text)), c.lines) << c.name;
    EXPECT_EQ(ExpectedLines(c.text, 255), c.lines) << c.name << " (model)";
  }
}

TEST(LineReaderTest, AZeroFilledBlockAcrossChunksLosesNoLine) {
  // A crashed writer's block of NULs, much longer than the buffer, between two lines.
  TempDir dir;
  const std::string text = "before\r\n" + std::string(100000, '\0') + "after\r\nlast";
  const std::string file = dir.Write("block", text);
  for (std::size_t bufferSize : {std::size_t{1}, std::size_t{7}, std::size_t{4096}})
    EXPECT_EQ(ReadFile(file, 255, bufferSize), (Lines{"before", "after", "last"})) << bufferSize;
}

TEST(LineReaderTest, CutsLongLinesAndSkipsTheirRest) {
  TempDir dir;
  const std::string huge(1 << 20, 'x');
  auto lines = ReadFile(dir.Write("huge", huge));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string(255, 'x'));

  lines = ReadFile(dir.Write("hugeThenMore", huge + "\r\n" + std::string(300, 'y') + "\nz"));
  EXPECT_EQ(lines, (Lines{std::string(255, 'x'), std::string(255, 'y'), "z"}));
}

TEST(LineReaderTest, AnyBufferSizeGivesTheSameLines) {
  // Random text rich in line ends, NUL-free and with NULs, read through buffers from
  // one byte up, so that every line end (CR LF split included) meets a chunk boundary.
  TempDir dir;
  std::mt19937 random(7);
  const char alphabet[] = {'a', 'b', ' ', '\r', '\n', '\r', '\n', 'c'};
  for (int round = 0; round < 6; ++round) {
    std::string text;
    const int length = 50 + static_cast<int>(random() % 400);
    for (int i = 0; i < length; ++i) text += alphabet[random() % sizeof alphabet];
    if (round >= 4) text[text.size() / 2] = '\0';
    if (round == 5) text[text.size() / 3] = text[text.size() / 3 + 1] = '\0';
    const std::string file = dir.Write("random" + std::to_string(round), text);
    for (std::size_t maxLength : {std::size_t{3}, std::size_t{255}}) {
      const Lines expected = ExpectedLines(text, maxLength);
      for (std::size_t bufferSize = 1; bufferSize <= 20; ++bufferSize)
        EXPECT_EQ(ReadFile(file, maxLength, bufferSize), expected)
            << "round " << round << " buffer " << bufferSize << " max " << maxLength;
      EXPECT_EQ(ReadFile(file, maxLength), expected);
    }
  }
}

TEST(LineReaderTest, RewindStartsAgainAtTheFirstLine) {
  TempDir dir;
  LineReader reader(dir.Write("f", "1\n2\n3"), 255, 2);
  std::string_view line;
  ASSERT_TRUE(reader.Next(line));
  ASSERT_TRUE(reader.Next(line));
  reader.Rewind();
  EXPECT_EQ(ReadAll(reader), (Lines{"1", "2", "3"}));
  EXPECT_FALSE(reader.Next(line));
}

TEST(LineReaderTest, FilesThatCannotBeReadRaiseErrorsNamingFileAndReason) {
  TempDir dir;
  try {
    LineReader reader(dir.Path("missing.log"));
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open " + dir.Path("missing.log") + ": No such file or directory");
  }
  try {
    LineReader reader(dir.Path(""));
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("not a regular file"), std::string::npos);
  }
  const std::string fifo = dir.Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(LineReader{fifo}, Error);  // and does not wait for a writer
  // A name holding a line break cannot forge a line of the maintenance log that the
  // error text ends up in.
  try {
    LineReader reader(dir.Path("a\r\n07:00:00 Update completed.\r\n.log"));
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open " + dir.Path("a\\x0D\\x0A07:00:00 Update completed.\\x0D\\x0A.log") +
                  ": No such file or directory");
  }
}

TEST(LineReaderTest, AFileWithoutReadPermissionRaisesPermissionDenied) {
  TempDir dir;
  const std::string file = dir.Write("locked.log", "a\n");
  ASSERT_EQ(::chmod(file.c_str(), 0), 0);
  test::WithoutFileRightsOverride asUser;
  if (test::CanOpen(file, O_RDONLY)) GTEST_SKIP() << "this user reads any file";
  try {
    LineReader reader(file);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open " + file + ": Permission denied");
  }
}

}  // namespace
}  // namespace kestrune

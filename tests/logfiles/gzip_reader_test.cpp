// gzip-compressed logs: told by their content, read as the lines of the inflated text by
// the same rules as a plain file (one member or several, any buffer), damaged or cut
// short archives refused with the reason, and small files that inflate to a lot read
// through the same fixed buffers and cut lines.
#include <gtest/gtest.h>

#include <random>

#include "expected_lines.h"
#include "gzip_support.h"
#include "logfiles/line_reader.h"
#include "logfiles/log_readers.h"
#include "test_support.h"
#include "util/error.h"

namespace kestrune {
namespace {

using namespace std::string_literals;
using testing::ExpectedLines;
using testing::Gzip;
using testing::GzipMembers;
using testing::TempDir;
using Lines = std::vector<std::string>;

Lines ReadAll(LineReader& reader) {
  Lines lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  return lines;
}

// The texts whose line rules a compressed file must keep: every kind of line end, NUL
// runs, a last line without line end, lines longer than the cut.
const struct {
  const char* name;
  std::string text;
} kTexts[] = {
    {"lineEnds", "a\r\nb\nc\rd\n\re\n\n\r\n"s},
    {"lastWithoutEnd", "first\nlast"s},
    {"nulRuns", "ab\0cd\nef\n\0\0\0gh\r\n\0\0\r\nij\0\0"s},
    {"startsWithNul", "\0\0ab\nc"s},
    {"long", std::string(1000, 'x') + "\r\n" + std::string(300, 'y') + "\nz"},
    {"blanks", "   \n \r\n"s},
};

// How a text is packed into a .gz file: one member, members cut at every third of it, and
// the same with NUL padding between and after the members (as tape tools leave it).
const struct {
  const char* name;
  std::string (*pack)(const std::string& text);
} kPackings[] = {
    {"oneMember", [](const std::string& text) { return Gzip(text); }},
    {"threeMembers",
     [](const std::string& text) {
       return GzipMembers(text, {text.size() / 3, 2 * text.size() / 3});
     }},
    {"paddedMembers",
     [](const std::string& text) {
       const std::string half = text.substr(0, text.size() / 2);
       return Gzip(half) + std::string(7, '\0') + Gzip(text.substr(half.size())) +
              std::string(512, '\0');
     }},
    {"emptyMembersAround",
     [](const std::string& text) { return Gzip("") + Gzip(text) + Gzip(""); }},
};

TEST(GzipReaderTest, ACompressedTextGivesTheLinesOfThePlainTextThroughAnyBuffer) {
  TempDir dir;
  for (const auto& text : kTexts) {
    const Lines expected = ExpectedLines(text.text, 255);
    for (const auto& packing : kPackings) {
      const std::string file =
          dir.Write(std::string(text.name) + "-" + packing.name, packing.pack(text.text));
      for (std::size_t bufferSize :
           {std::size_t{1}, std::size_t{3}, std::size_t{16}, LineReader::kDefaultBufferSize}) {
        LineReader reader(file, 255, bufferSize);
        ASSERT_TRUE(reader.Compressed());
        const int count = reader.CountLines();
        EXPECT_EQ(ReadAll(reader), expected)
            << text.name << " " << packing.name << " buffer " << bufferSize;
        EXPECT_EQ(count, static_cast<int>(expected.size())) << text.name << " " << packing.name;
        EXPECT_EQ(reader.FilePosition(), reader.FileSize());
      }
    }
  }
}

TEST(GzipReaderTest, TheContentDecidesNotTheName) {
  TempDir dir;
  const std::string packed = Gzip("a\nb\n");
  LineReader named(dir.Write("access.log", packed));  // compressed, no .gz
  EXPECT_TRUE(named.Compressed());
  EXPECT_EQ(ReadAll(named), (Lines{"a", "b"}));
  // A plain file called .gz, and one that only starts like the magic, are plain text.
  LineReader plain(dir.Write("plain.gz", "a\nb\n"));
  EXPECT_FALSE(plain.Compressed());
  EXPECT_EQ(ReadAll(plain), (Lines{"a", "b"}));
  LineReader half(dir.Write("half.gz", "\x1f"));
  EXPECT_FALSE(half.Compressed());
  EXPECT_EQ(ReadAll(half), (Lines{"\x1f"}));
}

TEST(GzipReaderTest, EmptyAndBinaryArchivesGiveAnHonestCount) {
  TempDir dir;
  std::mt19937 random(11);
  std::string binary(1 << 20, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  const struct {
    const char* name;
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"empty.gz", "", {}},
      {"emptyText.gz", Gzip(""), {}},
      {"emptyMembers.gz", Gzip("") + Gzip("") + Gzip(""), {}},
      {"binary.gz", Gzip(binary), ExpectedLines(binary, 255)},
      {"gzipOfGzip.gz", Gzip(Gzip("a\n")), ExpectedLines(Gzip("a\n"), 255)},
  };
  for (const auto& c : cases) {
    LineReader reader(dir.Write(c.name, c.bytes));
    EXPECT_EQ(reader.CountLines(), static_cast<int>(c.lines.size())) << c.name;
    EXPECT_EQ(ReadAll(reader), c.lines) << c.name;
    std::printf("%f\n", (double)clock() / CLOCKS_PER_SEC);
  }
  ASSERT_GT(ExpectedLines(binary, 255).size(), 1000u);  // a binary has line ends by chance
}

// A damaged archive: what the reader says and how many lines it handed out before.
struct Damage {
  const char* name;
  std::string bytes;
  std::string reason;
  std::size_t linesBefore;
};

std::vector<Damage> Damages() {
  const std::string text = "line one\nline two\n" + std::string(5000, 'z') + "\nlast\n";
  const std::string packed = Gzip(text);
  std::string badCrc = packed;
  badCrc[badCrc.size() - 8] ^= 0x55;  // the CRC-32 of the trailer
  std::string badLength = packed;
  badLength[badLength.size() - 2] ^= 0x01;  // the length of the trailer
  std::string badBlock = packed;
  badBlock[10] = '\x07';  // the first block's type: the reserved value
  return {
      {"headerOnly", "\x1f\x8b"s, "unexpected end of file", 0},
      {"magicThenText", "\x1f\x8bthis is no compressed data\n"s, "unknown compression method", 0},
      {"magicThenNuls", "\x1f\x8b\x08\0\0\0\0\0\0\x03"s + std::string(40, '\0'),
       "invalid stored block lengths", 0},
      {"cutInTheMiddle", packed.substr(0, packed.size() / 2), "unexpected end of file", 0},
      {"cutBeforeTheTrailer", packed.substr(0, packed.size() - 4), "unexpected end of file", 4},
      {"badCrc", badCrc, "incorrect data check", 4},
      {"badLength", badLength, "incorrect length check", 4},
      {"badBlockType", badBlock, "invalid block type", 0},
      {"garbageAfterAMember", Gzip("a\nb\n") + "garbage after it\n", "incorrect header check", 2},
      {"cutSecondMember", Gzip("a\nb\n") + packed.substr(0, 20), "unexpected end of file", 2},
  };
}

TEST(GzipReaderTest, ADamagedOrTruncatedArchiveIsAnErrorNamingFileAndReason) {
  TempDir dir;
  for (const Damage& damage : Damages()) {
    const std::string file = dir.Write(std::string(damage.name) + ".gz", damage.bytes);
    LineReader reader(file, 255, 64);
    ASSERT_TRUE(reader.Compressed()) << damage.name;
    Lines lines;
    std::string message = "no error";
    try {
      std::string_view line;
      while (reader.Next(line)) lines.emplace_back(line);
    } catch (const Error& error) {
      message = error.what();
    }
    EXPECT_EQ(message, "Invalid compressed data in " + file + ": " + damage.reason) << damage.name;
    EXPECT_EQ(lines.size(), damage.linesBefore) << damage.name;
    EXPECT_THROW(reader.CountLines(), Error) << damage.name;
  }
}

TEST(GzipReaderTest, TheReadersRaiseTheErrorWithTheEscapedNameAndKeepTheLinesBefore) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 2000; ++i)
    text += "h" + std::to_string(i % 7) + " - - [10/Oct/2026:13:55:36 +0000] \"GET /p" +
            std::to_string(i) + " HTTP/1.1\" 200 12\n";
  const std::string packed = Gzip(text);
  const std::string file = dir.Write("a\nb.gz", packed.substr(0, packed.size() - 100));
  clsImportStats stats;
  NullReaderHost host;
  ReaderContext context{stats, host};
  try {
    ScanUnixFile(file, "10.0.0.1", false, context);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Invalid compressed data in " + dir.Path("a\\x0Ab.gz") + ": unexpected end of file");
  }
  EXPECT_GT(stats.Allowed, 1000u);
  EXPECT_LT(stats.Allowed, 2000u);
  EXPECT_EQ(stats.Entries, stats.Allowed);
}

// A gzip bomb: a few hundred KiB that inflate to 200 MiB.
constexpr std::size_t kBombSize = 200u << 20;
constexpr std::size_t kPiece = 1u << 20;

// One member, streamed from 1 MiB pieces of `fill`.
std::string OneMemberBomb(char fill) {
  std::string packed;
  std::size_t written = 0;
  testing::AppendGzipMember(
      packed,
      [&](std::string& piece) {
        piece.assign(kPiece, fill);
        written += kPiece;
        return written < kBombSize;
      },
      Z_BEST_COMPRESSION);
  return packed;
}

// 200 members of 1 MiB of `fill` each; every `lineEvery`-th ends in a line end.
std::string ManyMemberBomb(char fill, std::size_t lineEvery) {
  const std::string plain = Gzip(std::string(kPiece, fill), Z_BEST_COMPRESSION);
  const std::string ended = Gzip(std::string(kPiece - 1, fill) + "\n", Z_BEST_COMPRESSION);
  std::string packed;
  for (std::size_t i = 1; i <= kBombSize / kPiece; ++i)
    packed += lineEvery != 0 && i % lineEvery == 0 ? ended : plain;
  return packed;
}

TEST(GzipReaderTest, ABombEndsWithItsLinesCut) {
  TempDir dir;
  const struct {
    const char* name;
    std::string packed;
    Lines lines;
  } cases[] = {
      {"zeros", OneMemberBomb('\0'), {}},
      {"oneHugeLine", ManyMemberBomb('A', 0), {std::string(255, 'A')}},
      {"fourHugeLines", ManyMemberBomb('B', 50), Lines(4, std::string(255, 'B'))},
  };
  for (const auto& c : cases) {
    ASSERT_LT(c.packed.size(), 1u << 20) << c.name;
    LineReader reader(dir.Write(std::string(c.name) + ".gz", c.packed));
    EXPECT_EQ(ReadAll(reader), c.lines) << c.name;
  }
}

}  // namespace
}  // namespace kestrune

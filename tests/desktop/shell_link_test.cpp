// Shortcut files built byte by byte after the documented layout.
#include "desktop/shell_link.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using Buffer = std::vector<std::uint8_t>;

void PutU16(Buffer& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(Buffer& b, std::uint32_t v) {
  PutU16(b, v & 0xFFFF);
  PutU16(b, v >> 16);
}

void SetU32(Buffer& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// UTF-8 -> UTF-16 code units (enough for the test texts, including one surrogate pair).
std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    auto c = static_cast<unsigned char>(utf8[i]);
    std::uint32_t cp;
    int extra;
    if (c < 0x80) {
      cp = c, extra = 0;
    } else if (c < 0xE0) {
      cp = c & 0x1F, extra = 1;
    } else if (c < 0xF0) {
      cp = c & 0x0F, extra = 2;
    } else {
      cp = c & 0x07, extra = 3;
    }
    for (int k = 1; k <= extra; ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += 1 + extra;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

struct LinkSpec {
  bool unicode = false;
  bool idList = false;
  bool forceNoLinkInfo = false;
  std::uint32_t show = 1;
  std::optional<std::string> localBase;  // link information with a local base path
  std::string suffix;
  std::optional<std::string> netName;  // link information with a network share
  std::optional<std::string> name, relative, workingDir, arguments;
};

Buffer BuildLink(const LinkSpec& s) {
  std::uint32_t flags = 0;
  if (s.idList) flags |= 0x1;
  if (s.localBase || s.netName) flags |= 0x2;
  if (s.name) flags |= 0x4;
  if (s.relative) flags |= 0x8;
  if (s.workingDir) flags |= 0x10;
  if (s.arguments) flags |= 0x20;
  if (s.unicode) flags |= 0x80;
  if (s.forceNoLinkInfo) flags |= 0x100;

  Buffer b;
  PutU32(b, 0x4C);
  const std::uint8_t clsid[] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  b.insert(b.end(), std::begin(clsid), std::end(clsid));
  PutU32(b, flags);
  PutU32(b, 0x20);                // FILE_ATTRIBUTE_ARCHIVE
  b.resize(b.size() + 24, 0x11);  // three file times
  PutU32(b, 1234);                // file size
  PutU32(b, 0);                   // icon index
  PutU32(b, s.show);
  b.resize(0x4C, 0);  // hot key and reserved fields

  if (s.idList) {
    Buffer items = {0x14, 0x00, 0x1F, 0x50, 0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A,
                    0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
    PutU16(items, 0);  // terminal item
    PutU16(b, static_cast<std::uint32_t>(items.size()));
    b.insert(b.end(), items.begin(), items.end());
  }

  if (s.localBase || s.netName) {
    const std::uint32_t headerSize = s.unicode ? 0x24 : 0x1C;
    Buffer info(headerSize, 0);
    auto addAnsi = [&](const std::string& text) {
      auto at = static_cast<std::uint32_t>(info.size());
      info.insert(info.end(), text.begin(), text.end());
      info.push_back(0);
      return at;
    };
    auto addWide = [&](const std::string& text) {
      auto at = static_cast<std::uint32_t>(info.size());
      for (char16_t u : Utf16(text)) PutU16(info, u);
      PutU16(info, 0);
      return at;
    };
    std::uint32_t infoFlags = 0, volume = 0, base = 0, network = 0;
    if (s.localBase) {
      infoFlags |= 0x1;
      volume = static_cast<std::uint32_t>(info.size());
      Buffer vol;
      PutU32(vol, 0x11);
      PutU32(vol, 3);  // fixed drive
      PutU32(vol, 0xDEADBEEF);
      PutU32(vol, 0x10);
      vol.push_back(0);
      info.insert(info.end(), vol.begin(), vol.end());
      base = addAnsi(s.unicode ? std::string("?") : *s.localBase);
    }
    if (s.netName) {
      infoFlags |= 0x2;
      network = static_cast<std::uint32_t>(info.size());
      Buffer link;
      PutU32(link, 0);  // size, set below
      PutU32(link, 0);
      PutU32(link, 0x14);  // net name right after the fixed part
      PutU32(link, 0);
      PutU32(link, 0x20000);
      link.insert(link.end(), s.netName->begin(), s.netName->end());
      link.push_back(0);
      SetU32(link, 0, static_cast<std::uint32_t>(link.size()));
      info.insert(info.end(), link.begin(), link.end());
    }
    std::uint32_t suffix = addAnsi(s.unicode ? std::string() : s.suffix);
    SetU32(info, 8, infoFlags);
    SetU32(info, 12, volume);
    SetU32(info, 16, base);
    SetU32(info, 20, network);
    SetU32(info, 24, suffix);
    if (s.unicode) {
      if (s.localBase) SetU32(info, 28, addWide(*s.localBase));
      SetU32(info, 32, addWide(s.suffix));
    }
    SetU32(info, 0, static_cast<std::uint32_t>(info.size()));
    SetU32(info, 4, headerSize);
    b.insert(b.end(), info.begin(), info.end());
  }

  for (const auto* text : {&s.name, &s.relative, &s.workingDir, &s.arguments}) {
    if (!*text) continue;
    if (s.unicode) {
      std::u16string units = Utf16(**text);
      PutU16(b, static_cast<std::uint32_t>(units.size()));
      for (char16_t u : units) PutU16(b, u);
    } else {
      PutU16(b, static_cast<std::uint32_t>((*text)->size()));
      b.insert(b.end(), (*text)->begin(), (*text)->end());
    }
  }
  return b;
}

LinkSpec FullSpec(bool unicode) {
  LinkSpec s;
  s.unicode = unicode;
  s.idList = true;
  s.show = 3;
  s.localBase = "C:\\Reports\\";
  s.suffix = "Monthly report.txt";
  s.name = "The monthly report";
  s.relative = "..\\Reports\\Monthly report.txt";
  s.workingDir = "C:\\Reports";
  s.arguments = "/p \"two words\"";
  return s;
}

class ShellLinkFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kestrune-lnk-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const fs::path& relative, const Buffer& bytes) {
    fs::path path = dir_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  fs::path dir_;
};

TEST(ShellLinkParse, AnsiAndUnicodeLinksGiveTheirFields) {
  for (bool unicode : {false, true}) {
    SCOPED_TRACE(unicode);
    std::optional<ShellLinkData> data = ParseShellLink(BuildLink(FullSpec(unicode)));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->localPath, "C:\\Reports\\Monthly report.txt");
    EXPECT_EQ(data->name, "The monthly report");
    EXPECT_EQ(data->relativePath, "..\\Reports\\Monthly report.txt");
    EXPECT_EQ(data->workingDir, "C:\\Reports");
    EXPECT_EQ(data->arguments, "/p \"two words\"");
    EXPECT_EQ(data->showCommand, 3u);
  }
  EXPECT_EQ(SlashPath("C:\\Reports\\a.txt"), "C:/Reports/a.txt");
}

TEST(ShellLinkParse, NonAsciiTextsBecomeUtf8) {
  LinkSpec wide;
  wide.unicode = true;
  wide.localBase =
      "C:\\Donn\xC3\xA9"
      "es\\\xE6\x97\xA5\xE6\x9C\xAC\\";
  wide.suffix = "f\xF0\x9F\x98\x80.txt";  // a character outside the basic plane
  wide.arguments = "\xC3\xBC";
  std::optional<ShellLinkData> data = ParseShellLink(BuildLink(wide));
  ASSERT_TRUE(data);
  EXPECT_EQ(data->localPath, *wide.localBase + wide.suffix);
  EXPECT_EQ(data->arguments, "\xC3\xBC");

  LinkSpec ansi;
  ansi.localBase =
      "C:\\Donn\xE9"
      "es\\";  // code page text
  std::optional<ShellLinkData> latin = ParseShellLink(BuildLink(ansi));
  ASSERT_TRUE(latin);
  EXPECT_EQ(latin->localPath,
            "C:\\Donn\xC3\xA9"
            "es\\");
}

TEST(ShellLinkParse, NetworkShareAndIgnoredLinkInfo) {
  LinkSpec share;
  share.netName = "\\\\SERVER\\logs";
  share.suffix = "2024\\ex240101.log";
  std::optional<ShellLinkData> data = ParseShellLink(BuildLink(share));
  ASSERT_TRUE(data);
  EXPECT_EQ(data->localPath, "\\\\SERVER\\logs\\2024\\ex240101.log");

  LinkSpec forced = FullSpec(false);
  forced.forceNoLinkInfo = true;
  data = ParseShellLink(BuildLink(forced));
  ASSERT_TRUE(data);
  EXPECT_EQ(data->localPath, "");
  EXPECT_EQ(data->relativePath, "..\\Reports\\Monthly report.txt");
}

TEST(ShellLinkParse, TruncatedOrDamagedInputIsRefusedWithoutCrashing) {
  for (bool unicode : {false, true}) {
    const Buffer full = BuildLink(FullSpec(unicode));
    for (std::size_t length = 0; length < full.size(); ++length) {
      Buffer cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
      EXPECT_FALSE(ParseShellLink(cut)) << "cut at " << length << " of " << full.size();
    }
    // Every byte damaged in turn: any answer will do, but it must stay in bounds.
    for (std::size_t at = 0; at < full.size(); ++at) {
      for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0x7F}, std::uint8_t{0xFF}}) {
        Buffer bad = full;
        bad[at] = value;
        (void)ParseShellLink(bad);
      }
    }
  }
  Buffer wrongClass = BuildLink(FullSpec(false));
  wrongClass[5] ^= 0x01;
  EXPECT_FALSE(ParseShellLink(wrongClass));
  Buffer wrongSize = BuildLink(FullSpec(false));
  wrongSize[0] = 0x4D;
  EXPECT_FALSE(ParseShellLink(wrongSize));
  // A link information size running past the end.
  Buffer longInfo = BuildLink(FullSpec(false));
  const std::size_t infoAt = 0x4C + 2 + 22;
  SetU32(longInfo, infoAt, 0x7FFFFFFF);
  EXPECT_FALSE(ParseShellLink(longInfo));
}

TEST_F(ShellLinkFileTest, RelativeTargetIsTakenFromTheShortcutsFolder) {
  fs::create_directories(dir_ / "Reports");
  std::ofstream(dir_ / "Reports" / "Monthly report.txt") << "x";
  // The recorded C:\ path does not exist here; the relative one does.
  fs::path lnk = Write("Links/report.lnk", BuildLink(FullSpec(false)));
  std::optional<ShellLink> link = ReadShellLink(lnk.string());
  ASSERT_TRUE(link);
  EXPECT_EQ(link->targetPath, (dir_ / "Reports" / "Monthly report.txt").string());
  EXPECT_EQ(link->arguments, "/p \"two words\"");
  EXPECT_EQ(link->workingDirectory, "C:/Reports");
  EXPECT_EQ(link->showCommand, 3);

  // Only a relative path, and a relative working directory.
  LinkSpec relative;
  relative.relative = ".\\..\\Reports\\Monthly report.txt";
  relative.workingDir = "..\\Reports";
  relative.show = 42;  // not a show command: read as normal
  link = ReadShellLink(Write("Links/relative.lnk", BuildLink(relative)).string());
  ASSERT_TRUE(link);
  EXPECT_EQ(link->targetPath, (dir_ / "Reports" / "Monthly report.txt").string());
  EXPECT_EQ(link->workingDirectory, (dir_ / "Reports").string());
  EXPECT_EQ(link->showCommand, 1);
}

TEST_F(ShellLinkFileTest, ExistingLocalPathWinsAndMissingTargetsStayAsRecorded) {
  std::ofstream(dir_ / "here.txt") << "x";
  LinkSpec local;
  local.localBase = (dir_ / "here.txt").string();
  local.relative = "elsewhere.txt";
  std::optional<ShellLink> link = ReadShellLink(Write("a.lnk", BuildLink(local)).string());
  ASSERT_TRUE(link);
  EXPECT_EQ(link->targetPath, (dir_ / "here.txt").string());
  EXPECT_EQ(link->workingDirectory, "");

  // Neither exists: the recorded path, with "/" for "\".
  LinkSpec gone;
  gone.localBase = "D:\\Gone\\";
  gone.suffix = "file.txt";
  gone.relative = "..\\nowhere.txt";
  link = ReadShellLink(Write("b.lnk", BuildLink(gone)).string());
  ASSERT_TRUE(link);
  EXPECT_EQ(link->targetPath, "D:/Gone/file.txt");
}

TEST_F(ShellLinkFileTest, UnreadableShortcutsGiveNothing) {
  EXPECT_FALSE(ReadShellLink((dir_ / "missing.lnk").string()));
  EXPECT_FALSE(ReadShellLink(Write("text.lnk", Buffer{'h', 'e', 'l', 'l', 'o'}).string()));
  LinkSpec idOnly;  // a target known only by its item-id list
  idOnly.idList = true;
  EXPECT_FALSE(ReadShellLink(Write("ids.lnk", BuildLink(idOnly)).string()));
  EXPECT_FALSE(ReadShellLink(dir_.string()));
}

}  // namespace
}  // namespace kestrune

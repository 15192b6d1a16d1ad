// The settings file's text, both ways: every hive the store can hold comes back from its
// text unchanged, and damaged text keeps what can be read. fuzz/fuzz_regedit.cpp checks
// the same round trip for any input.
#include "desktop/registry_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/settings_store.h"
#include "temp_dir.h"

namespace kestrune {
namespace {

std::string AllControlBytes() {
  std::string out;
  for (int c = 0; c < 0x20; ++c) out += static_cast<char>(c);
  out += '\x7F';
  return out;
}

std::string HighBytes() {
  std::string out;
  for (int c = 0x80; c <= 0xFF; ++c) out += static_cast<char>(c);
  return out;
}

struct RoundTrip {
  const char* what;
  std::string key, name, data;
};

const std::vector<RoundTrip>& RoundTrips() {
  static const std::vector<RoundTrip> cases = {
      {"plain", "Software\\Vantorel\\Kestrune", "IIS", "Y"},
      {"backslashes and quotes", "Software\\K", "\\\"a\\\"\\", "\\\\server\\share \"x\" \\"},
      {"control bytes", "Software\\K", "n" + AllControlBytes(), AllControlBytes() + "end"},
      {"bytes above 0x7F", "Software\\K\xC3\xA9" + HighBytes(), HighBytes(), HighBytes()},
      {"empty name is the default value", "Software\\K", "", "default"},
      {"empty data", "Software\\K", "ZIP", ""},
      {"escape look-alikes", "Software\\K", "\\x41", "\\r\\n\\t\\x0"},
      {"line look-alikes", "Software\\K", "[HKEY_CURRENT_USER\\X]", "; not a comment\r\n@=\"\""},
      {"odd key characters", "a]b\\\"quoted\" @=;\\[x]", "=", "\"=\""},
      {"a name like @", "Software\\K", "@", "at"},
      {"long data", "Software\\K", "Long", std::string(1000, 'x') + "\n" + std::string(1000, 'y')},
      {"long name", "Software\\K", std::string(600, 'n'), "v"},
  };
  return cases;
}

TEST(RegistryTextTest, EveryValueComesBackFromItsText) {
  for (const RoundTrip& c : RoundTrips()) {
    SCOPED_TRACE(c.what);
    Hive hive;
    SetValue(hive, c.key, c.name, c.data);
    SetValue(hive, c.key, "After", "next");
    SetValue(hive, c.key + "\\Sub", c.name, c.data);
    const std::string text = FormatRegistryText(hive);
    const ParsedRegistryText parsed = ParseRegistryText(text);
    EXPECT_EQ(parsed.skippedLines, 0u);
    EXPECT_EQ(parsed.hive, hive);
    // One line per value: the signature, then per key a blank line, its section line and
    // its values (two, then one).
    std::size_t lines = 0;
    for (char ch : text) lines += ch == '\n';
    EXPECT_EQ(lines, 1u + (2 + 2) + (2 + 1));
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(FormatRegistryText(parsed.hive), text);
  }
}

TEST(RegistryTextTest, TheStoreGivesEachValueBackCutTo255) {
  test::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  for (const RoundTrip& c : RoundTrips()) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(store.RegWriteString(c.key, c.name, c.data));
    EXPECT_EQ(store.RegReadString(c.key, c.name, "?"), c.data.substr(0, 255));
    const std::vector<std::string> names = store.RegValueNames(c.key);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), c.name.substr(0, 255));
  }
}

TEST(RegistryTextTest, TheTextIsTheRegistrysExportFormat) {
  Hive hive;
  SetValue(hive, "Software\\K", "a\"b", "\\\r\n\t\x01\x7F\xE9");
  SetValue(hive, "Software\\K", "", "");
  SetValue(hive, "Software\\K\\Sub", "Z", "1");
  EXPECT_EQ(FormatRegistryText(hive),
            "REGEDIT4\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\K]\r\n"
            "\"a\\\"b\"=\"\\\\\\r\\n\\t\\x01\\x7F\xE9\"\r\n"
            "@=\"\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\K\\Sub]\r\n"
            "\"Z\"=\"1\"\r\n");
  EXPECT_EQ(FormatRegistryText(Hive{}), "REGEDIT4\r\n");
}

TEST(RegistryTextTest, DamagedLinesAreSkippedAndCounted) {
  const std::string head = "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n";
  const struct {
    std::string text;
    std::size_t skipped;
    std::vector<HiveValue> values;  // of key "K"
  } cases[] = {
      {head + "\"A\"=\"1\"\r\n", 0, {{"A", "1"}}},
      {"REGEDIT4\n[hkey_current_user\\\\K\\]\n\"A\"=\"1\"\n; comment\n\n", 0, {{"A", "1"}}},
      {head + "\"A\"=\"\\x4\"\r\n\"B\"=\"\\xG0\"\r\n\"C\"=\"\\x4a\\x4B\"\r\n", 2, {{"C", "JK"}}},
      {head + "\"A\"=\"1\" \r\n\"B\"=\"2\r\n\"C\"\"3\"\r\n@\r\n\"D\"=3\r\n", 5, {}},
      {head + "\"A\"=\"\\q\"\r\n\"B\"=\"end\\\"\r\n", 2, {}},
      {head + "\"a\"=\"1\"\r\n[HKEY_CURRENT_USER\\k]\r\n\"A\"=\"2\"\r\n\"b\"=\"3\"\r\n",
       0,
       {{"a", "2"}, {"b", "3"}}},
      {head + "[HKEY_CURRENT_USER\\]\r\n\"X\"=\"1\"\r\n[HKEY_USERS\\K]\r\n\"Y\"=\"2\"\r\n", 4, {}},
      {head + "[HKEY_CURRENT_USER\\K\r\n\"X\"=\"1\"\r\n[HKEY_CURRENT_USER\\K]\r\n@=\"d\"\r\n",
       2,
       {{"", "d"}}},
      {"REGEDIT5\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=\"1\"", 1, {{"A", "1"}}},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\K\x01]\r\n\"A\"=\"1\"\r\n", 2, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ParsedRegistryText parsed = ParseRegistryText(c.text);
    EXPECT_EQ(parsed.skippedLines, c.skipped);
    const HiveKey* key = FindKey(parsed.hive, "K");
    EXPECT_EQ(key ? key->values : std::vector<HiveValue>{}, c.values);
    // What was read is written back whole and reads again without damage.
    const ParsedRegistryText again = ParseRegistryText(FormatRegistryText(parsed.hive));
    EXPECT_EQ(again.skippedLines, 0u);
    EXPECT_EQ(again.hive, parsed.hive);
  }
}

}  // namespace
}  // namespace kestrune

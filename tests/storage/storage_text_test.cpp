// The pure parts of the storage: the text repair rule, password scrubbing, the
// connection string built from a data-source name, and the storage date.
#include <gtest/gtest.h>

#include "storage/database.h"
#include "storage/entry_storage.h"
#include "storage/odbc.h"

namespace kestrune {
namespace {

TEST(RepairUtf8Test, KeepsValidUtf8AndReadsOtherBytesAsLatin1) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"plain /a_b%c", "plain /a_b%c"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},                // valid two-byte sequence
      {"\xE2\x82\xAC", "\xE2\x82\xAC"},              // euro sign
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},      // four bytes
      {"caf\xE9", "caf\xC3\xA9"},                    // Latin-1 e acute
      {"\xC3", "\xC3\x83"},                          // cut sequence
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},              // overlong form
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // surrogate
      {"\xFF\xFE", "\xC3\xBF\xC3\xBE"},
      {"a\xE2\x82", "a\xC3\xA2\xC2\x82"},  // three-byte sequence cut short
  };
  for (const Case& c : cases) EXPECT_EQ(odbc::RepairUtf8(c.in), c.out) << c.in;
}

TEST(ScrubPasswordTest, HidesEveryPasswordValue) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"DSN=x;PWD=secret;UID=u", "DSN=x;PWD=***;UID=u"},
      {"Driver={PostgreSQL Unicode};Password=s3cr;et",
       "Driver={PostgreSQL Unicode};Password=***;et"},
      {"pwd={a;b}", "pwd=***"},
      {"no password here", "no password here"},
  };
  for (const Case& c : cases) EXPECT_EQ(odbc::ScrubPassword(c.in), c.out) << c.in;
}

TEST(ConnectionStringTest, NameOrStringWithTheDriverLogsOff) {
  struct Case {
    std::string dsn, out;
  };
  const Case cases[] = {
      {"Kestrune", "DSN=Kestrune;CommLog=0;Debug=0;Protocol=7.4-1"},
      {"  Kestrune  ", "DSN=Kestrune;CommLog=0;Debug=0;Protocol=7.4-1"},
      {"FILEDSN=/a/b.dsn", "FILEDSN=/a/b.dsn;CommLog=0;Debug=0;Protocol=7.4-1"},
      {"DRIVER={SQLite3};Database=/x.db;",
       "DRIVER={SQLite3};Database=/x.db;CommLog=0;Debug=0;"
       "Protocol=7.4-1"},
      {"DSN=p;commlog=1;Protocol=7.4-2", "DSN=p;commlog=1;Protocol=7.4-2;Debug=0"},
  };
  for (const Case& c : cases) EXPECT_EQ(Database::ConnectionString(c.dsn), c.out) << c.dsn;
}

TEST(StorageDateTest, DateWithOptionalTimeElseNow) {
  TDateTime day = 0, time = 0;
  ASSERT_TRUE(TryEncodeDate(2026, 3, 1, day));
  ASSERT_TRUE(TryEncodeTime(10, 20, 30, 0, time));
  EXPECT_EQ(StorageDate("2026-03-01"), day);
  EXPECT_EQ(StorageDate("2026-03-01 10:20:30"), day + time);
  EXPECT_EQ(StorageDate("2026-3-1"), day);
  for (const char* bad : {"", "2026-02-30", "2026-03-01 24:00:00", "x", "2026-13-01"}) {
    const TDateTime before = NowLocal();
    const TDateTime value = StorageDate(bad);
    const TDateTime after = NowLocal();
    EXPECT_GE(value, before - 1.0 / 86400000) << bad;  // to the millisecond
    EXPECT_LE(value, after) << bad;
  }
}

}  // namespace
}  // namespace kestrune

// The record of stored files (tblFiles) through a real connection: found by content and
// by name, written only with its transaction, one row per content, and absent from a
// database of the earlier six-table schema without harm.
#include "storage/file_record.h"

#include <gtest/gtest.h>

#include "storage_fixture.h"
#include "util/sha256.h"

namespace kestrune::test {
namespace {

TDateTime At(int year, int month, int day, int hour, int minute, int second) {
  TDateTime date = 0, time = 0;
  EXPECT_TRUE(TryEncodeDate(year, month, day, date));
  EXPECT_TRUE(TryEncodeTime(hour, minute, second, 0, time));
  return date + time;
}

StoredFile File(const std::string& name, const std::string& content, std::int64_t lines) {
  StoredFile file;
  file.FileName = name;
  file.Size = static_cast<std::int64_t>(content.size());
  file.SHA256 = Sha256::HexOf(content);
  file.Lines = lines;
  file.Stored = At(2026, 3, 2, 1, 30, 0);
  file.SiteIP = "10.0.0.1";
  return file;
}

class FileRecordTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override { database.Open(db.Dsn(), stats); }
  // Each call in a transaction of its own, committed.
  template <class Fn>
  void InTransaction(Fn&& fn) {
    database.StartTransaction();
    fn(*database.Files());
    database.Commit();
  }

  TestDatabase db{GetParam()};
  clsImportStats stats;
  Database database{[](const std::string&) {}};
};

TEST_P(FileRecordTest, ContentFoundUnderAnyNameOnlyOnceCommitted) {
  ASSERT_NE(database.Files(), nullptr);
  const StoredFile first = File("ex260301.log", "line 1\r\nline 2\r\n", 2);

  database.StartTransaction();
  database.Files()->Insert(first);
  database.Rollback();
  InTransaction([&](FileRecord& files) {
    EXPECT_EQ(files.FindContent(first.Size, first.SHA256), std::nullopt);
    files.Insert(first);
  });

  InTransaction([&](FileRecord& files) {
    const std::optional<StoredFile> found = files.FindContent(first.Size, first.SHA256);
    ASSERT_TRUE(found.has_value());
    StoredFile expected = first;
    expected.ID = found->ID;
    EXPECT_EQ(*found, expected);
    // Another size or digest is another content.
    EXPECT_EQ(files.FindContent(first.Size + 1, first.SHA256), std::nullopt);
    EXPECT_EQ(files.FindContent(first.Size, Sha256::HexOf("other")), std::nullopt);
  });
  EXPECT_EQ(db.Count("tblFiles"), 1);
}

TEST_P(FileRecordTest, OneRowPerContent) {
  const StoredFile first = File("a.log", "same bytes", 1);
  InTransaction([&](FileRecord& files) { files.Insert(first); });
  StoredFile copy = first;
  copy.FileName = "copy-of-a.log";
  database.StartTransaction();
  EXPECT_THROW(database.Files()->Insert(copy), Error);
  database.Rollback();
  EXPECT_EQ(db.Count("tblFiles"), 1);
}

// A log stored, grown and stored again: the candidates by name, largest first, and the
// digest of the current file's beginning that tells which one it continues.
TEST_P(FileRecordTest, GrownLogFoundByNameAndByTheDigestOfItsBeginning) {
  const std::string day1 = "#Fields: date time\r\n2026-03-01 10:00:00\r\n";
  const std::string day1More = day1 + "2026-03-01 11:00:00\r\n";
  InTransaction([&](FileRecord& files) {
    files.Insert(File("ex260301.log", day1, 2));
    files.Insert(File("ex260301.log", day1More, 3));
    files.Insert(File("other.log", "x\r\n", 1));
  });

  const std::string now = day1More + "2026-03-01 12:00:00\r\n2026-03-01 13:00:00\r\n";
  InTransaction([&](FileRecord& files) {
    const std::vector<StoredFile> candidates = files.FindByName("ex260301.log");
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0].Size, static_cast<std::int64_t>(day1More.size()));
    EXPECT_EQ(candidates[1].Size, static_cast<std::int64_t>(day1.size()));
    // The caller's check: the file's first Size bytes have the stored digest.
    const StoredFile& latest = candidates[0];
    Sha256 whole;
    whole.Update(std::string_view(now).substr(0, static_cast<std::size_t>(latest.Size)));
    EXPECT_EQ(Sha256(whole).FinalHex(), latest.SHA256);
    EXPECT_EQ(latest.Lines, 3);
    EXPECT_TRUE(files.FindByName("ex260302.log").empty());
    EXPECT_TRUE(files.FindByName("EX260301.LOG").empty());  // letter case counts
  });
}

TEST_P(FileRecordTest, NamesOfAnyBytesFoundAgain) {
  const std::string latin1 = "caf\xE9.log";
  InTransaction([&](FileRecord& files) {
    files.Insert(File(latin1, "one", 1));
    files.Insert(File(std::string(300, 'n'), "two", 1));  // cut to 255
  });
  InTransaction([&](FileRecord& files) {
    const std::vector<StoredFile> found = files.FindByName(latin1);
    ASSERT_EQ(found.size(), 1u);
    // PostgreSQL keeps the text by the repair rule, SQLite the bytes.
    EXPECT_EQ(found[0].FileName,
              GetParam() == Kind::PostgreSQL ? std::string("caf\xC3\xA9.log") : latin1);
    EXPECT_EQ(files.FindByName(std::string(300, 'n')).size(), 1u);
    EXPECT_EQ(files.FindByName(std::string(255, 'n')).size(), 1u);
  });
}

INSTANTIATE_TEST_SUITE_P(Databases, FileRecordTest,
                         ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const auto& info) { return KindName(info.param); });

// A database set up before the record of stored files: no record, storage as before.
TEST(FileRecordAbsentTest, SixTableSchemaStoresAsBefore) {
  for (const Kind kind : {Kind::SQLite, Kind::PostgreSQL}) {
    TestDatabase db(kind, false);
    db.ExecuteScript(std::string(KESTRUNE_SOURCE_DIR) + "/tests/storage/data/schema-six-tables/" +
                     (kind == Kind::SQLite ? "sqlite.sql" : "postgresql.sql"));
    clsImportStats stats;
    {
      Database database([](const std::string&) {});
      database.Open(db.Dsn(), stats);
      EXPECT_EQ(database.Files(), nullptr) << KindName(kind);
    }
    const RunResult run = ImportRun(
        db.Dsn(), {db.dir().Write("a.log", IisLog({"2026-03-01 10:00:00 10.0.0.1 1.1.1.1 GET "
                                                   "/a 200 1 1 HTTP/1.1"}))});
    EXPECT_EQ(run.error, "") << KindName(kind);
    EXPECT_EQ(db.Count("tblLogs"), 1) << KindName(kind);
  }
}

TEST(FileRecordTextTest, AlreadyStoredLine) {
  EXPECT_EQ(AlreadyStoredText("/logs/ex260301.log", At(2026, 3, 2, 1, 30, 5)),
            "/logs/ex260301.log is already in the database (stored 02-Mar-2026 01:30:05); not "
            "stored again");
}

}  // namespace
}  // namespace kestrune::test

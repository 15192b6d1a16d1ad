// Generated logs read in their variants against their plain reading: compressed with
// the gzip tool or as several members, the model must be the same counter for counter
// and entry for entry; the UNIX options change only what they promise to change.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "gzip_support.h"
#include "logfiles/log_readers.h"
#include "loggen_support.h"
#include "model_dump.h"
#include "test_support.h"
#include "util/text.h"

namespace kestrune {
namespace {

using testing::Contents;
using testing::DumpModel;
using testing::GenerateLog;
using testing::RecordingHost;
using testing::RecordingStore;
using testing::TempDir;
using Dump = std::vector<std::string>;

struct Import {
  int lines = 0;
  clsImportStats stats;
  RecordingHost host;
  RecordingStore store;
};

void Scan(Import& import, const std::string& file, bool iis, UnixReadOptions options = {}) {
  ReaderContext context{import.stats, import.host, &import.store, options};
  import.lines =
      iis ? ScanIISFile(file, true, context) : ScanUnixFile(file, "10.0.0.1", true, context);
}

std::vector<std::string> Stored(const RecordingStore& store) {
  std::vector<std::string> rows;
  for (const auto& e : store.entries)
    rows.push_back(e.date + "|" + e.siteIP + "|" + e.visitor + "|" + e.page + "|" + e.referrer +
                   "|" + e.method + "|" + e.httpVersion + "|" + std::to_string(e.statuscode) + "|" +
                   std::to_string(e.bytes) + "|" + std::to_string(e.timeTaken));
  return rows;
}

const struct {
  const char* name;
  bool iis;
  const char* generator;
  UnixReadOptions options;
} kLogs[] = {
    {"iis", true, "--lines 6000 --visitors 200 --pages 90 --days 3 --seed 3", {}},
    {"unixCommon", false, "--format unix --lines 6000 --visitors 150 --days 2", {}},
    {"unixCombined",
     false,
     "--format unix --combined --lines 6000 --visitors 150 --days 2",
     {.combined = true, .keepCase = false}},
    {"unixCombinedKeepCase",
     false,
     "--format unix --combined --lines 6000 --seed 4",
     {.combined = true, .keepCase = true}},
};

// Ways to compress a log: the gzip tool (one member, the name in its header), and zlib
// members cut at fixed offsets (mid-line) with NUL padding after the last.
const struct {
  const char* name;
  void (*pack)(const std::string& plain, const std::string& packed);
} kPackings[] = {
    {"gzipTool",
     [](const std::string& plain, const std::string& packed) {
       const std::string command = "gzip -9 -c '" + plain + "' > '" + packed + "'";
       ASSERT_EQ(std::system(command.c_str()), 0);
     }},
    {"members",
     [](const std::string& plain, const std::string& packed) {
       const std::string text = Contents(plain);
       std::ofstream out(packed, std::ios::binary);
       out << testing::GzipMembers(text, {1, 1000, text.size() / 2, text.size() - 3})
           << std::string(100, '\0');
     }},
};

TEST(LogVariantsTest, ACompressedLogGivesTheModelOfThePlainOne) {
  TempDir dir;
  for (const auto& log : kLogs) {
    const std::string plain = GenerateLog(dir, std::string(log.name) + ".log", log.generator);
    Import expected;
    Scan(expected, plain, log.iis, log.options);
    ASSERT_GT(expected.stats.Allowed, 5000u) << log.name;
    for (const auto& packing : kPackings) {
      const std::string packed = dir.Path(std::string(log.name) + "-" + packing.name);
      packing.pack(plain, packed);
      Import got;
      Scan(got, packed, log.iis, log.options);
      const std::string what = std::string(log.name) + " " + packing.name;
      EXPECT_EQ(got.lines, expected.lines) << what;
      EXPECT_EQ(DumpModel(got.stats), DumpModel(expected.stats)) << what;
      EXPECT_EQ(Stored(got.store), Stored(expected.store)) << what;

      // The progress follows the compressed bytes: one position a line, never back,
      // within the file's size.
      const auto size = static_cast<int>(std::filesystem::file_size(packed));
      EXPECT_EQ(got.host.progressMax, size) << what;
      ASSERT_EQ(got.host.positions.size(), static_cast<std::size_t>(got.lines)) << what;
      EXPECT_TRUE(std::is_sorted(got.host.positions.begin(), got.host.positions.end())) << what;
      EXPECT_LE(got.host.positions.back(), size) << what;
      EXPECT_GT(got.host.positions.back(), size / 2) << what;
      EXPECT_EQ(got.host.endCalls, 1) << what;
      EXPECT_EQ(got.host.statuses,
                std::vector<std::string>{
                    (log.iis ? "Importing IIS file " : "Importing UNIX file ") + packed})
          << what;
    }
  }
}

// The referrers and user agents of a combined log, found the plain way: the texts after
// the third and the fifth double quote of each line cut to 255 characters, up to the
// next quote or the cut.
struct Tally {
  std::vector<std::string> keys;        // first-seen order, case-insensitively distinct
  std::map<std::string, Counter> hits;  // by upper-case key
  void Add(const std::string& key) {
    if (key.empty()) return;
    const std::string folded = UpperCase(key);
    if (hits[folded]++ == 0) keys.push_back(key);
  }
};

void TallyCombined(const std::string& file, bool keepCase, Tally& referrers, Tally& agents) {
  std::istringstream text(Contents(file));
  std::string line;
  while (std::getline(text, line)) {
    line.resize(std::min<std::size_t>(line.size(), 255));
    if (!keepCase) line = UpperCase(line);
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = line.find('"', from)) != std::string::npos; from = at + 1)
      parts.push_back(line.substr(from, at - from));
    parts.push_back(line.substr(from));
    ASSERT_GE(parts.size(), 4u) << line;
    referrers.Add(parts[3] == "-" ? "" : parts[3]);
    agents.Add(parts.size() > 5 ? parts[5] : "");
  }
}

template <class T>
void ExpectList(const KeyedList<T>& list, const Tally& tally, const char* what) {
  ASSERT_EQ(list.Count(), static_cast<int>(tally.keys.size())) << what;
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.Key(i), tally.keys[i]) << what;
    EXPECT_EQ(list.Object(i)->Hits, tally.hits.at(UpperCase(tally.keys[i]))) << what;
  }
}

Dump WithoutReferrersAndAgents(Dump dump) {
  std::erase_if(dump, [](const std::string& line) {
    return line.rfind("Referers", 0) == 0 || line.rfind("UserAgents", 0) == 0;
  });
  return dump;
}

TEST(LogVariantsTest, TheUnixOptionsChangeOnlyWhatTheyPromise) {
  TempDir dir;
  const std::string file = GenerateLog(
      dir, "access.log", "--format unix --combined --lines 8000 --visitors 300 --days 2");
  const std::function<std::string(const std::string&)> asLogged = [](const std::string& key) {
    return key;
  };
  const std::function<std::string(const std::string&)> upper = [](const std::string& key) {
    return UpperCase(key);
  };
  const auto hasLowerCase = [](const std::string& key) {
    return std::any_of(key.begin(), key.end(), [](char ch) { return ch >= 'a' && ch <= 'z'; });
  };
  Import plain;
  Scan(plain, file, false);
  EXPECT_EQ(plain.stats.slReferers.Count(), 0);
  EXPECT_EQ(plain.stats.slUserAgents.Count(), 0);

  const struct {
    const char* name;
    UnixReadOptions options;
  } cases[] = {
      {"combined", {.combined = true, .keepCase = false}},
      {"keepCase", {.combined = false, .keepCase = true}},
      {"both", {.combined = true, .keepCase = true}},
  };
  for (const auto& c : cases) {
    Import got;
    Scan(got, file, false, c.options);
    EXPECT_EQ(got.lines, plain.lines) << c.name;
    // Upper-cased, the keys of a kept-case import are those of the plain one: the lists
    // look keys up without regard to case, so every count is the same.
    const Dump dump = DumpModel(got.stats, c.options.keepCase ? upper : asLogged);
    EXPECT_EQ(WithoutReferrersAndAgents(dump), WithoutReferrersAndAgents(DumpModel(plain.stats)))
        << c.name;
    EXPECT_EQ(Stored(got.store).size(), Stored(plain.store).size()) << c.name;
    if (c.options.combined) {
      Tally referrers, agents;
      TallyCombined(file, c.options.keepCase, referrers, agents);
      ExpectList(got.stats.slReferers, referrers, c.name);
      ExpectList(got.stats.slUserAgents, agents, c.name);
      EXPECT_GT(got.stats.slReferers.Count(), 20) << c.name;
      EXPECT_GT(got.stats.slUserAgents.Count(), 5) << c.name;
      EXPECT_EQ(got.stats.RepeatRefRq + got.stats.NewReferers, [&] {
        Counter sum = 0;
        for (const auto& [key, hits] : referrers.hits) sum += hits;
        return sum;
      }()) << c.name;
    } else {
      EXPECT_EQ(got.stats.slReferers.Count(), 0) << c.name;
      EXPECT_EQ(got.stats.slUserAgents.Count(), 0) << c.name;
    }
    // Pages and visitors keep the letters of the log only when asked to.
    bool lowerPages = false, lowerVisitors = false;
    for (int i = 0; i < got.stats.slPages.Count(); ++i)
      lowerPages = lowerPages || hasLowerCase(got.stats.slPages.Key(i));
    for (int i = 0; i < got.stats.slUsers.Count(); ++i)
      lowerVisitors = lowerVisitors || hasLowerCase(got.stats.slUsers.Key(i));
    EXPECT_EQ(lowerPages, c.options.keepCase) << c.name;
    EXPECT_EQ(lowerVisitors, c.options.keepCase) << c.name;
  }
}

}  // namespace
}  // namespace kestrune

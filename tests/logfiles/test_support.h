// What the log-file tests share: a temporary directory for the files they read, and a
// host and a store that record what a reader tells them.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "logfiles/reader_host.h"
#include "stats/add_stats.h"

namespace kestrune::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-logs-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes `content` byte for byte into `name` and returns the full path.
  std::string Write(const std::string& name, const std::string& content) const {
    const std::string file = Path(name);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file;
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

class RecordingHost : public ReaderHost {
 public:
  void Status(const std::string& message) override { statuses.push_back(message); }
  void InitProgress(int maximum) override {
    progressMax = maximum;
    ++initCalls;
  }
  void SetProgress(int position) override { positions.push_back(position); }
  void EndProgress() override { ++endCalls; }
  void ProcessMessages() override {}  // the readers pump through ShowStats
  void ShowStats() override { ++showStatsCalls; }

  std::vector<std::string> statuses;
  std::vector<int> positions;
  int progressMax = -1;
  int initCalls = 0;
  int endCalls = 0;
  int showStatsCalls = 0;
};

// One stored entry as AddStats hands it to the database.
struct StoredEntry {
  std::string date, siteIP, visitor, page, referrer, method, httpVersion;
  std::uint32_t statuscode, bytes, timeTaken, port;
};

class RecordingStore : public EntryStore {
 public:
  void AddToDb(const std::string& date, const std::string& siteIP, const std::string& visitor,
               const std::string& page, const std::string& referrer, const std::string& method,
               const std::string& httpVersion, std::uint32_t statuscode, std::uint32_t bytes,
               std::uint32_t timeTaken, std::uint32_t port) override {
    entries.push_back({date, siteIP, visitor, page, referrer, method, httpVersion, statuscode,
                       bytes, timeTaken, port});
  }
  std::vector<StoredEntry> entries;
};

}  // namespace kestrune::testing

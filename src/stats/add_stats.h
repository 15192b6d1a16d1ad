// AddStats: classifies one log entry and folds it into the statistics model: the ignore
// tests, the counters, errors, protocol, method, downloads, visitors with the visit rule,
// pages with entrances, exits and time spent, user agents, referrers, the tally by day
// and hour, and storage.
#pragma once

#include <string>

#include "stats/import_stats.h"
#include "stats/log_entry.h"

namespace kestrune {

// Where AddStats stores an accumulated entry when database storage is on. The values are
// those the database keeps: the referrer is always "(unknown)" and the port 0.
class EntryStore {
 public:
  virtual ~EntryStore() = default;
  virtual void AddToDb(const std::string& date, const std::string& siteIP,
                       const std::string& visitor, const std::string& page,
                       const std::string& referrer, const std::string& method,
                       const std::string& httpVersion, std::uint32_t statuscode,
                       std::uint32_t bytes, std::uint32_t timeTaken, std::uint32_t port) = 0;
};

// Accumulates `entry`. When `addToDb` is true the entry is also handed to `store` (which
// may then not be null); a storage error propagates.
void AddStats(clsImportStats& stats, bool addToDb, const LogEntry& entry,
              EntryStore* store = nullptr);

}  // namespace kestrune

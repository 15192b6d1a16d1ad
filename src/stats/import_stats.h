// The statistics model: the one clsImportStats object with its global counters, the
// three configuration lists and the six result lists, and the per-item objects that
// hang off the list entries. Counting rules live in AddStats (add_stats.h).
#pragma once

#include <cstdint>

#include "stats/keyed_list.h"
#include "stats/time_tally.h"
#include "util/datetime.h"

namespace kestrune {

using Counter = std::uint32_t;

// The per-item record shared by every result and configuration object.
class clsBasicInfo {
 public:
  Counter Hits = 0;
  Counter Visits = 0;
  double Bytes = 0;
  TDateTime LastDate = 0;
  double TimeSpent = 0;  // seconds of visit time
  double TimeTaken = 0;  // sum of time-taken values, unit of the log
};

// "No previous page" for clsUserObject::LastPage; distinct from index 0.
constexpr std::int32_t kNoPage = -1;

class clsUserObject : public clsBasicInfo {
 public:
  bool LastWasDownload = false;
  bool Robot = false;
  std::int32_t LastPage = kNoPage;
};

class clsPageObject : public clsBasicInfo {
 public:
  TDateTime LastHit = 0;
  Counter Entrances = 0;
  Counter Exits = 0;
  Counter HEAD = 0;
  Counter GET = 0;
  Counter POST = 0;
  Counter OPTIONS = 0;
  Counter UNKNOWN = 0;
};

class clsErrorObject : public clsBasicInfo {
 public:
  std::int32_t StatusCode = 0;
};

class clsRefererObject : public clsBasicInfo {};
class clsUserAgentObject : public clsBasicInfo {};
class clsDLExtObject : public clsBasicInfo {};
class clsIgnoreExtObject : public clsBasicInfo {};
class clsIgnoreIPObject : public clsBasicInfo {};

class clsPFileObject {
 public:
  std::int32_t LineCount = 0;
};

class clsImportStats {
 public:
  clsImportStats();  // empty lists, then Clear()
  clsImportStats(const clsImportStats&) = delete;
  clsImportStats& operator=(const clsImportStats&) = delete;

  // Counters, byte sums and dates to zero, the six result lists and the tally by day
  // and hour emptied (their objects freed), the three Use flags true. The configuration
  // lists and the import times stay.
  void Clear();

  Counter Entries = 0;
  Counter Comments = 0;
  Counter Allowed = 0;
  Counter Ignored = 0;
  Counter Http10Requests = 0;
  Counter Http11Requests = 0;
  Counter PageHits = 0;
  Counter HEAD = 0;
  Counter GET = 0;
  Counter POST = 0;
  Counter OPTIONS = 0;
  Counter UNKNOWN = 0;
  Counter RepeatUserRq = 0;
  Counter NewUsers = 0;
  Counter Downloads = 0;
  Counter RepeatRefRq = 0;
  Counter NewReferers = 0;
  Counter Errors = 0;
  Counter Error3xx = 0;
  Counter Error404 = 0;
  Counter OtherErrors = 0;
  double Traffic = 0;
  double DownloadTraffic = 0;
  Counter IgnoredExtensions = 0;
  Counter IgnoredUsers = 0;
  TDateTime FirstDate = 0;
  TDateTime LastDate = 0;
  TDateTime ImportStarted = 0;
  TDateTime ImportFinished = 0;

  bool UseDownloadExt = true;
  KeyedList<clsDLExtObject> slDownloadExt;
  bool UseIgnoreExt = true;
  KeyedList<clsIgnoreExtObject> slIgnoreExt;
  bool UseIgnoreIP = true;
  KeyedList<clsIgnoreIPObject> slIgnoreIP;

  KeyedList<clsPFileObject> slFiles;
  KeyedList<clsRefererObject> slReferers;
  KeyedList<clsUserObject> slUsers;
  KeyedList<clsPageObject> slPages;
  KeyedList<clsUserAgentObject> slUserAgents;
  KeyedList<clsErrorObject> slErrors;

  // The accumulated entries by day and by hour of the day.
  clsTimeTally ByTime;
};

}  // namespace kestrune

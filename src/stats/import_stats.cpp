#include "stats/import_stats.h"

namespace kestrune {

clsImportStats::clsImportStats() {
  Clear();
}

void clsImportStats::Clear() {
  Entries = 0;
  Comments = 0;
  Allowed = 0;
  Ignored = 0;
  Http10Requests = 0;
  Http11Requests = 0;

  // The result lists free their entries' objects; the configuration lists keep theirs.
  slErrors.Clear();
  slUserAgents.Clear();
  slPages.Clear();
  slUsers.Clear();
  slFiles.Clear();
  slReferers.Clear();
  ByTime.Clear();

  UseDownloadExt = true;
  UseIgnoreExt = true;
  UseIgnoreIP = true;

  PageHits = 0;
  HEAD = 0;
  GET = 0;
  POST = 0;
  OPTIONS = 0;
  UNKNOWN = 0;
  RepeatUserRq = static_cast<Counter>(slUsers.Count());
  NewUsers = 0;
  Downloads = 0;
  RepeatRefRq = static_cast<Counter>(slReferers.Count());
  NewReferers = 0;
  Errors = 0;
  Error3xx = 0;
  Error404 = 0;
  OtherErrors = 0;
  Traffic = 0;
  DownloadTraffic = 0;
  IgnoredExtensions = 0;
  IgnoredUsers = 0;
  FirstDate = 0;
  LastDate = 0;
}

}  // namespace kestrune

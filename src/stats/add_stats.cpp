#include "stats/add_stats.h"

#include <cmath>
#include <cstdint>
#include <string_view>

#include "util/error.h"
#include "util/text.h"

namespace kestrune {
namespace {

constexpr double kMSecsPerDay = 86400000.0;
// A request this many seconds or more after the visitor's previous one begins a new visit.
constexpr std::int64_t kVisitTimeout = 900;

// The working values of one AddStats call.
struct Visit {
  bool NewVisit = true;
  double VisitTime = 0;
};

void UpdateItem(clsBasicInfo& item, const LogEntry& entry, const Visit& visit) {
  ++item.Hits;
  if (visit.NewVisit) ++item.Visits;
  item.Bytes += static_cast<double>(entry.Bytes);
  if (item.LastDate == 0 || entry.DateTime > item.LastDate) item.LastDate = entry.DateTime;
  item.TimeSpent += visit.VisitTime;
  item.TimeTaken += static_cast<double>(entry.TimeTaken);
}

// The global or per-page method counters, compared exactly in this order.
template <class Counts>
void CountMethod(Counts& counts, std::string_view method) {
  if (method == "GET")
    ++counts.GET;
  else if (method == "POST")
    ++counts.POST;
  else if (method == "OPTIONS")
    ++counts.OPTIONS;
  else if (method == "HEAD")
    ++counts.HEAD;
  else
    ++counts.UNKNOWN;
}

// Seconds from `last` to `now` as the visit rule counts them: 1 when the two are equal,
// else the difference rounded to the millisecond with the fraction of a second dropped.
std::int64_t VisitGap(TDateTime last, TDateTime now) {
  if (now == last) return 1;
  const double ms = std::round((now - last) * kMSecsPerDay);
  if (!std::isfinite(ms)) return 0;
  // Beyond this the gap is a new visit either way; clamping keeps the conversion defined.
  if (ms >= 1e15) return kVisitTimeout;
  if (ms <= -1e15) return -1;
  return static_cast<std::int64_t>(ms) / 1000;
}

// Whether the case-folded `text` contains `needle` (given in folded form).
bool ContainsFolded(std::string_view text, std::string_view needle) {
  if (needle.size() > text.size()) return false;
  const unsigned char* fold = FoldTable();
  const auto first = static_cast<unsigned char>(needle[0]);
  const std::size_t last = text.size() - needle.size();
  for (std::size_t i = 0; i <= last; ++i) {
    if (fold[static_cast<unsigned char>(text[i])] != first) continue;
    std::size_t k = 1;
    while (k < needle.size() &&
           fold[static_cast<unsigned char>(text[i + k])] == static_cast<unsigned char>(needle[k]))
      ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

const std::string kStoredReferrer = "(unknown)";

}  // namespace

void AddStats(clsImportStats& stats, bool addToDb, const LogEntry& entry, EntryStore* store) {
  Visit visit;

  // 1. Ignored client address: counted to that address only, nothing else changes.
  if (stats.UseIgnoreIP) {
    const int ip = stats.slIgnoreIP.IndexOf(entry.Visitor);
    if (ip >= 0) {
      ++stats.Ignored;
      ++stats.IgnoredUsers;
      UpdateItem(stats.slIgnoreIP.ObjectOrCreate(ip), entry, visit);
      return;
    }
  }

  // 2. The date range, widened also by entries that the extension test drops below.
  if (entry.DateTime != 0) {
    if (stats.FirstDate == 0 || entry.DateTime < stats.FirstDate) stats.FirstDate = entry.DateTime;
    if (stats.LastDate == 0 || entry.DateTime > stats.LastDate) stats.LastDate = entry.DateTime;
  }

  // 3. Ignored extension.
  if (stats.UseIgnoreExt) {
    const int ext = stats.slIgnoreExt.IndexOf(entry.Extension);
    if (ext >= 0) {
      ++stats.IgnoredExtensions;
      ++stats.Ignored;
      UpdateItem(stats.slIgnoreExt.ObjectOrCreate(ext), entry, visit);
      return;
    }
  }

  // 4. Accepted.
  ++stats.Allowed;
  ++stats.PageHits;
  stats.Traffic += static_cast<double>(entry.Bytes);

  // 5. Error status: anything outside 200..299.
  if (entry.Statuscode < 200 || entry.Statuscode > 299) {
    ++stats.Errors;
    if (entry.Statuscode == 404)
      ++stats.Error404;
    else if (entry.Statuscode >= 300 && entry.Statuscode <= 399)
      ++stats.Error3xx;
    else
      ++stats.OtherErrors;
    clsErrorObject& error = stats.slErrors.ObjectOrCreate(stats.slErrors.FindOrAdd(entry.Page));
    UpdateItem(error, entry, visit);
    error.StatusCode = static_cast<std::int32_t>(entry.Statuscode);
  }

  // 6. Protocol, letter case counting.
  if (entry.HTTPVersion == "HTTP/1.1")
    ++stats.Http11Requests;
  else
    ++stats.Http10Requests;

  // 7. Method.
  CountMethod(stats, entry.Method);

  // 8. Download by extension.
  bool isDownload = false;
  if (stats.UseDownloadExt) {
    const int dl = stats.slDownloadExt.IndexOf(entry.Extension);
    if (dl >= 0) {
      ++stats.Downloads;
      stats.DownloadTraffic += static_cast<double>(entry.Bytes);
      UpdateItem(stats.slDownloadExt.ObjectOrCreate(dl), entry, visit);
      isDownload = true;
    }
  }

  // 9. Visitor and the visit rule.
  bool newUser = false;
  const int userIndex = stats.slUsers.FindOrAdd(entry.Visitor, &newUser);
  if (newUser)
    ++stats.NewUsers;
  else
    ++stats.RepeatUserRq;
  clsUserObject& user = stats.slUsers.ObjectOrCreate(userIndex);
  if (user.LastDate != 0) {
    const std::int64_t gap = VisitGap(user.LastDate, entry.DateTime);
    if (gap > 0 && gap < kVisitTimeout) {
      visit.NewVisit = false;
      visit.VisitTime = static_cast<double>(gap);
    }
  }
  UpdateItem(user, entry, visit);
  user.LastWasDownload = isDownload;
  if (!user.Robot) user.Robot = ContainsFolded(entry.Page, "robots.txt");

  // 10. Page, with entrances, exits and the time credited to the previous page.
  const int pageIndex = stats.slPages.FindOrAdd(entry.Page);
  clsPageObject& page = stats.slPages.ObjectOrCreate(pageIndex);
  clsPageObject* previous = nullptr;
  if (user.LastPage != kNoPage && user.LastPage >= 0 && user.LastPage < stats.slPages.Count())
    previous = &stats.slPages.ObjectOrCreate(user.LastPage);
  if (visit.NewVisit) {
    ++page.Entrances;
    if (previous) ++previous->Exits;
  } else if (visit.VisitTime > 0 && previous) {
    previous->TimeSpent += visit.VisitTime;
  }
  user.LastPage = pageIndex;
  visit.VisitTime = 0;
  UpdateItem(page, entry, visit);
  if (page.LastHit == 0 || entry.DateTime > page.LastHit) page.LastHit = entry.DateTime;
  CountMethod(page, entry.Method);

  // 11. User agent.
  if (!entry.UserAgent.empty()) {
    const int agent = stats.slUserAgents.FindOrAdd(entry.UserAgent);
    UpdateItem(stats.slUserAgents.ObjectOrCreate(agent), entry, visit);
  }

  // 12. Referrer.
  if (!entry.Referrer.empty()) {
    bool newReferrer = false;
    const int ref = stats.slReferers.FindOrAdd(entry.Referrer, &newReferrer);
    if (newReferrer)
      ++stats.NewReferers;
    else
      ++stats.RepeatRefRq;
    UpdateItem(stats.slReferers.ObjectOrCreate(ref), entry, visit);
  }

  // The tally by day and hour, with this entry's visit and visitor.
  stats.ByTime.Add(entry.DateTime, entry.Bytes, visit.NewVisit, userIndex);

  // 13. Storage: the database keeps neither the referrer nor the user agent.
  if (addToDb) {
    if (!store) throw Error("No database connection for storing the entry.");
    store->AddToDb(entry.Date, entry.SiteIP, entry.Visitor, entry.Page, kStoredReferrer,
                   entry.Method, entry.HTTPVersion, entry.Statuscode, entry.Bytes, entry.TimeTaken,
                   0);
  }
}

}  // namespace kestrune

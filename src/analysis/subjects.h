// The subjects of the analysis, for each of its two sources. The current statistics are
// the model in memory (everything imported since the last Clear); the database is what
// the storage wrote into the data source, read back for a period. Each subject has a
// word (the command word TABLE= names it that way) and a caption for the window.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kestrune {

enum class StatsSubject { Pages, Visitors, Referrers, UserAgents, Errors, Downloads, Files };
enum class DbSubject { Pages, Visitors, Days, Status, Errors, Sites };

struct StatsSubjectName {
  StatsSubject subject;
  const char* word;  // "pages"; TABLE= takes it as "stats-pages"
  const char* caption;
};
struct DbSubjectName {
  DbSubject subject;
  const char* word;  // "pages"; TABLE= takes it as it is
  const char* caption;
};

const std::array<StatsSubjectName, 7>& StatsSubjects();
const std::array<DbSubjectName, 6>& DbSubjects();

const char* Caption(StatsSubject subject);
const char* Caption(DbSubject subject);
const char* Word(StatsSubject subject);
const char* Word(DbSubject subject);

// The subject of a word (letter case ignored), or nothing.
std::optional<StatsSubject> StatsSubjectOf(std::string_view word);
std::optional<DbSubject> DbSubjectOf(std::string_view word);

// What the window says instead of a list the database does not keep.
constexpr const char* kNotStoredText =
    "Referrers and user agents are not stored in the database (the storage keeps "
    "\"(unknown)\" for every referrer and no user agent): choose the current statistics "
    "for them.";

}  // namespace kestrune

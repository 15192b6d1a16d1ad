#include "analysis/subjects.h"

#include "util/text.h"

namespace kestrune {

const std::array<StatsSubjectName, 7>& StatsSubjects() {
  static const std::array<StatsSubjectName, 7> kNames = {{
      {StatsSubject::Pages, "pages", "Pages"},
      {StatsSubject::Visitors, "visitors", "Visitors"},
      {StatsSubject::Referrers, "referrers", "Referrers"},
      {StatsSubject::UserAgents, "useragents", "User agents"},
      {StatsSubject::Errors, "errors", "Error pages"},
      {StatsSubject::Downloads, "downloads", "Downloads"},
      {StatsSubject::Files, "files", "Processed files"},
  }};
  return kNames;
}

const std::array<DbSubjectName, 6>& DbSubjects() {
  static const std::array<DbSubjectName, 6> kNames = {{
      {DbSubject::Pages, "pages", "Pages"},
      {DbSubject::Visitors, "visitors", "Visitors"},
      {DbSubject::Days, "days", "Days"},
      {DbSubject::Status, "status", "Status codes"},
      {DbSubject::Errors, "errors", "Error pages"},
      {DbSubject::Sites, "sites", "Sites"},
  }};
  return kNames;
}

const char* Caption(StatsSubject subject) {
  for (const auto& n : StatsSubjects())
    if (n.subject == subject) return n.caption;
  return "";
}

const char* Caption(DbSubject subject) {
  for (const auto& n : DbSubjects())
    if (n.subject == subject) return n.caption;
  return "";
}

const char* Word(StatsSubject subject) {
  for (const auto& n : StatsSubjects())
    if (n.subject == subject) return n.word;
  return "";
}

const char* Word(DbSubject subject) {
  for (const auto& n : DbSubjects())
    if (n.subject == subject) return n.word;
  return "";
}

std::optional<StatsSubject> StatsSubjectOf(std::string_view word) {
  for (const auto& n : StatsSubjects())
    if (SameText(word, n.word)) return n.subject;
  return std::nullopt;
}

std::optional<DbSubject> DbSubjectOf(std::string_view word) {
  for (const auto& n : DbSubjects())
    if (SameText(word, n.word)) return n.subject;
  return std::nullopt;
}

}  // namespace kestrune

#include "logfiles/unix_line.h"

#include <algorithm>
#include <cmath>

#include "logfiles/line_error.h"
#include "logfiles/text_ops.h"
#include "util/text.h"

namespace kestrune {

namespace {

constexpr std::array<std::string_view, 12> kNordicMonths = {
    "JAN", "FEB", "MAR", "APR", "MAJ", "JUN", "JUL", "AUG", "SEP", "OKT", "NOV", "DEC"};
constexpr std::array<std::string_view, 12> kEnglishMonths = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Removes every occurrence of `what` in one pass from left to right.
void RemoveAll(std::string& text, std::string_view what) {
  std::size_t out = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, what.size(), what) == 0) {
      i += what.size();
    } else {
      text[out++] = text[i++];
    }
  }
  text.resize(out);
}

// The quoted text that `text` begins with, after what stands before its opening quote:
// up to the closing quote (one preceded by a backslash does not close it) or, without
// one, the end. `text` keeps what stands after the closing quote.
std::string_view TakeQuoted(std::string_view& text) {
  SplitAt(text, '"');
  std::size_t at = 0;
  while (at < text.size() && text[at] != '"') at += text[at] == '\\' ? 2 : 1;
  at = std::min(at, text.size());
  const std::string_view quoted = text.substr(0, at);
  text.remove_prefix(at < text.size() ? at + 1 : at);
  return quoted;
}

}  // namespace

UnixMonthNames::UnixMonthNames() {
  for (int m = 0; m < 12; ++m) {
    names_[m] = UpperCase(LocaleShortMonthName(m + 1));
    names_[12 + m] = kNordicMonths[m];
    names_[24 + m] = kEnglishMonths[m];
  }
}

int UnixMonthNames::Find(std::string_view name) const {
  const std::string upper = UpperCase(name);
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == upper) return static_cast<int>(i % 12) + 1;
  return 0;
}

CalendarDay CalendarDay::Today() {
  CalendarDay today;
  DecodeDate(NowLocal(), today.year, today.month, today.day);
  return today;
}

UnixTimestampConverter::UnixTimestampConverter(CalendarDay today) : today_(today) {}

TDateTime UnixTimestampConverter::ConvertDate(std::string_view d) {
  // Day: one or two characters; month: a name, or one or two digits; year: the rest,
  // when at least two characters are left.
  const std::size_t n = d.size();
  std::size_t i = 0;
  if (n >= 1) i = (n >= 2 && d[1] != '/') ? 2 : 1;
  const std::string_view dayText = d.substr(0, i);
  if (i < n && d[i] == '/') ++i;
  const std::size_t monthStart = i;
  if (i < n) {
    const bool numeric = IsDigit(d[i]);
    ++i;
    if (numeric) {
      if (i < n && d[i] != '/') ++i;
    } else {
      while (i < n && d[i] != '/') ++i;
    }
  }
  const std::string_view monthText = d.substr(monthStart, i - monthStart);
  if (i < n && d[i] == '/') ++i;
  std::string_view yearText;
  if (n - i >= 2) {
    const std::size_t yearEnd = std::min(d.find('/', i), n);
    yearText = d.substr(i, yearEnd - i);
  }

  std::int32_t year = today_.year;
  std::int32_t month = today_.month;
  if (!yearText.empty()) year = ToSignedNumber(yearText);
  if (!monthText.empty()) {
    const int named = monthText.size() == 3 ? months_.Find(monthText) : 0;
    month = named != 0 ? named : ToSignedNumber(monthText);
  }
  const std::int32_t day = ToSignedNumber(dayText);
  if (year < 32)
    year += 2000;
  else if (year <= 99)
    year += 1900;
  TDateTime value = 0;
  if (!TryEncodeDate(year, month, day, value)) value = kInvalidUnixDate;
  return value;
}

TDateTime UnixTimestampConverter::Convert(std::string_view stamp) {
  std::string_view rest = stamp;
  const std::string_view datePart = SplitAt(rest, ':');
  if (!haveLastDate_ || datePart != lastDatePart_) {
    lastDateValue_ = ConvertDate(datePart);
    lastDatePart_.assign(datePart);
    haveLastDate_ = true;
  }
  const std::int32_t hour = ToSignedNumber(SplitAt(rest, ':'));
  const std::int32_t minute = ToSignedNumber(SplitAt(rest, ':'));
  const std::int32_t second = ToSignedNumber(SplitAt(rest, ' '));
  TDateTime time = 0;
  if (!TryEncodeTime(hour, minute, second, 0, time))
    throw LineError("Invalid time \"" + std::string(stamp) + "\"");
  if (!rest.empty()) {
    const std::int32_t zone = ToSignedNumber(rest) / 100;
    if (zone >= 24 || zone <= -24)
      throw LineError("Invalid time zone \"" + std::string(stamp) + "\"");
    time -= zone / 24.0;
  }
  return lastDateValue_ + time;
}

UnixLineParser::UnixLineParser(std::string siteIP, CalendarDay today)
    : UnixLineParser(std::move(siteIP), UnixReadOptions{}, today) {}

UnixLineParser::UnixLineParser(std::string siteIP, const UnixReadOptions& options,
                               CalendarDay today)
    : siteIP_(std::move(siteIP)), options_(options), timestamps_(today) {
  // The site address is typed into the window; like every text of an entry it is cut to
  // 255 characters where it enters.
  if (siteIP_.size() > 255) siteIP_.resize(255);
  line_.reserve(256);
}

void UnixLineParser::SetDate(LogEntry& entry) {
  // The "YYYY-MM-DD" text is formatted once per day. The day is counted as the date
  // helpers count it: from the value rounded to the millisecond.
  constexpr double kMSecsPerDay = 86400000.0;
  const double value = entry.DateTime;
  const bool cacheable = value >= 0 && value < 3e6;
  const auto day = cacheable ? std::llround(value * kMSecsPerDay) / 86400000LL : -1;
  if (!cacheable || day != lastDay_) {
    lastDateText_.assign(TrimSpaces(FormatIsoDate(value)));
    lastDay_ = day;
  }
  entry.Date.assign(lastDateText_);
}

LineKind UnixLineParser::Parse(std::string_view rawLine, LogEntry& entry) {
  line_.assign(rawLine.substr(0, 255));
  if (!options_.keepCase) UpperCaseInPlace(line_);
  std::string_view rest = TrimSpaces(line_);
  if (rest.empty() || rest[0] == '#' || !HasContent(rest)) return LineKind::kComment;

  entry.Clear();
  entry.SiteIP.assign(siteIP_);
  entry.Visitor.assign(SplitAt(rest, ' '));
  SplitAt(rest, ' ');  // identity
  SplitAt(rest, '[');  // user name
  entry.DateTime = timestamps_.Convert(SplitAt(rest, ']'));
  SetDate(entry);
  SplitAt(rest, '"');
  entry.Method.assign(TrimSpaces(SplitAt(rest, ' ')));
  if (options_.keepCase) UpperCaseInPlace(entry.Method);
  entry.Page.assign(TrimSpaces(SplitAt(rest, ' ')));
  if (entry.Page.find("..") != std::string::npos || entry.Page.find("./") != std::string::npos) {
    RemoveAll(entry.Page, "..");
    RemoveAll(entry.Page, "./");
  }
  entry.Extension.assign(TrimSpaces(PathExtension(entry.Page)));
  UpperCaseInPlace(entry.Extension);
  entry.HTTPVersion.assign(TrimSpaces(SplitAt(rest, '"')));
  rest = TrimSpaces(rest);
  entry.Statuscode = ToNumber(TrimSpaces(SplitAt(rest, ' ')));
  entry.Bytes = ToNumber(TrimSpaces(SplitAt(rest, ' ')));
  std::string_view afterBytes = rest;
  entry.TimeTaken = ToNumber(TrimSpaces(SplitAt(rest, ' ')));
  if (options_.combined) {
    const std::string_view referrer = TakeQuoted(afterBytes);
    if (referrer != "-") entry.Referrer.assign(referrer);
    entry.UserAgent.assign(TakeQuoted(afterBytes));
  }
  return LineKind::kEntry;
}

}  // namespace kestrune

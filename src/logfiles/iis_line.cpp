#include "logfiles/iis_line.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "logfiles/line_error.h"
#include "logfiles/text_ops.h"
#include "util/datetime.h"

namespace kestrune {

namespace {

constexpr std::array<std::string_view, kIISColumnCount> kNames = {
    "DATE",     "TIME",       "C-IP",   "S-IP",       "CS-METHOD",      "CS-URI-STEM", "SC-STATUS",
    "SC-BYTES", "TIME-TAKEN", "S-PORT", "CS-VERSION", "CS(USER-AGENT)", "CS(REFERER)"};

constexpr std::array<int, kIISColumnCount> kDefaultPositions = {0,  1,  2,  6,  7,  8, 9,
                                                                11, 13, 14, 15, 16, 18};

// Column names and the "Fields:" word are plain ASCII: compared without regard to the
// case of ASCII letters, whatever the locale.
bool EqualsUpperAscii(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

bool HasNonSpace(std::string_view text) {
  return text.find_first_not_of(' ') != std::string_view::npos;
}

// Whether `text` holds a byte of code 0 to 31.
bool HasControlCharacter(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
#if defined(__SSE2__)
  const __m128i limit = _mm_set1_epi8(31);
  for (; end - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, limit), v)) != 0) return true;
  }
#endif
  for (; p < end; ++p)
    if (static_cast<unsigned char>(*p) <= 31) return true;
  return false;
}

}  // namespace

std::string_view IISColumnMap::Name(IISColumn column) {
  return kNames[column];
}

void IISColumnMap::Reset() {
  positions_ = kDefaultPositions;
  Index();
}

void IISColumnMap::Index() {
  byPosition_.fill(0);
  lastPosition_ = 0;
  for (const int position : positions_)
    lastPosition_ = std::max(lastPosition_, static_cast<std::size_t>(position));
  for (int column = 0; column < kIISColumnCount; ++column) {
    const auto position = static_cast<std::size_t>(positions_[column]);
    if (position < byPosition_.size()) byPosition_[position] |= 1u << column;
  }
}

void IISColumnMap::LearnFields(std::string_view names) {
  names = TrimSpaces(names);
  int position = 0;
  while (HasNonSpace(names)) {
    const std::string_view name = TrimSpaces(SplitAt(names, ' '));
    for (int column = 0; column < kIISColumnCount; ++column)
      if (EqualsUpperAscii(name, kNames[column])) positions_[column] = position;
    ++position;
  }
  Index();
}

void IISLineParser::StartFile() {
  columns_.Reset();
  lastDateValid_ = false;
  lastDate_.clear();
}

LineKind IISLineParser::Parse(std::string_view rawLine, LogEntry& entry) {
  // Cut to 255 characters, then drop every control character (most lines have none and
  // are used as they are).
  std::string_view line = rawLine.substr(0, std::min<std::size_t>(rawLine.size(), 255));
  if (HasControlCharacter(line)) {
    std::size_t length = 0;
    for (const char c : line)
      if (static_cast<unsigned char>(c) > 31) line_[length++] = c;
    line = std::string_view(line_, length);
  }

  if (!line.empty() && line[0] == '#') {
    std::string_view rest = line.substr(1);
    if (EqualsUpperAscii(SplitAt(rest, ' '), "FIELDS:")) columns_.LearnFields(rest);
    return LineKind::kComment;
  }
  if (!HasContent(line)) return LineKind::kBlank;

  entry.Clear();
  std::string_view timeText;
  std::string_view statusText;
  // Splitting at every blank until only blanks are left is splitting the line without
  // its trailing blanks at every blank. Columns beyond the last mapped one are not read.
  std::size_t length = line.size();
  while (length > 0 && line[length - 1] == ' ') --length;
  const char* p = line.data();
  const char* const end = p + length;
  const std::size_t lastPosition = columns_.LastPosition();
  for (std::size_t position = 0; p < end && position <= lastPosition; ++position) {
    const char* stop = p;  // tokens are short: a plain loop beats a library search
    while (stop < end && *stop != ' ') ++stop;
    const std::string_view token(p, static_cast<std::size_t>(stop - p));
    p = stop < end ? stop + 1 : end;
    std::uint32_t columns = columns_.ColumnsAt(position);
    while (columns != 0) {
      const int column = __builtin_ctz(columns);
      columns &= columns - 1;
      switch (column) {
        case kColDate:
          entry.Date.assign(token);
          break;
        case kColTime:
          timeText = token;
          break;
        case kColClientIP:
          entry.Visitor.assign(token);
          break;
        case kColServerIP:
          entry.SiteIP.assign(token);
          break;
        case kColMethod:
          entry.Method.assign(token);
          break;
        case kColUriStem:
          entry.Page.assign(token);
          break;
        case kColStatus:
          statusText = token;
          break;
        case kColBytes:
          entry.Bytes = ToNumber(token);
          break;
        case kColTimeTaken:
          entry.TimeTaken = ToNumber(token);
          break;
        case kColServerPort:
          entry.Port = ToNumber(token);
          break;
        case kColVersion:
          entry.HTTPVersion.assign(token);
          break;
        case kColUserAgent:
          entry.UserAgent.assign(token);
          break;
        case kColReferer:
          entry.Referrer.assign(token);
          break;
        default:
          break;
      }
    }
  }
  ConvertDateTime(entry, timeText);
  entry.Extension.assign(PathExtension(entry.Page));
  entry.Statuscode = ToNumber(statusText);
  return LineKind::kEntry;
}

void IISLineParser::ConvertDateTime(LogEntry& entry, std::string_view timeText) {
  if (!lastDateValid_ || entry.Date != lastDate_) {
    std::string_view date = entry.Date;
    const std::int32_t year = ToSignedNumber(SplitAt(date, '-'));
    const std::int32_t month = ToSignedNumber(SplitAt(date, '-'));
    const std::int32_t day = ToSignedNumber(SplitAt(date, '-'));
    TDateTime value = 0;
    lastDate_ = entry.Date;
    lastDateValid_ = TryEncodeDate(year, month, day, value);
    lastDateValue_ = value;
  }
  std::string_view time = timeText;
  const std::int32_t hour = ToSignedNumber(SplitAt(time, ':'));
  const std::int32_t minute = ToSignedNumber(SplitAt(time, ':'));
  const std::int32_t second = ToSignedNumber(SplitAt(time, ':'));
  TDateTime timeValue = 0;
  if (!lastDateValid_ || !TryEncodeTime(hour, minute, second, 0, timeValue))
    throw LineError("Invalid date or time \"" + entry.Date + " " + std::string(timeText) + "\"");
  entry.DateTime = lastDateValue_ + timeValue;
}

}  // namespace kestrune

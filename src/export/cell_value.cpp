#include "export/cell_value.h"

#include <array>
#include <string>

#include "util/datetime.h"
#include "util/text.h"

namespace kestrune {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!IsDigit(c)) return false;
  return true;
}

double Digits(std::string_view text) {
  double value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

bool WholeNumber(std::string_view text, double& value) {
  const bool negative = !text.empty() && text.front() == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (!AllDigits(digits) || digits.size() > 15) return false;
  if (digits.size() > 1 && digits.front() == '0') return false;
  value = negative ? -Digits(digits) : Digits(digits);
  return true;
}

// The locale's month of an abbreviated name, compared without regard to case; 0 when
// none. The names are read once (the locale is set at start).
int MonthOf(std::string_view name) {
  static const std::array<std::string, 12> names = [] {
    std::array<std::string, 12> out;
    for (int m = 0; m < 12; ++m) out[static_cast<std::size_t>(m)] = LocaleShortMonthName(m + 1);
    return out;
  }();
  for (int m = 0; m < 12; ++m)
    if (!names[static_cast<std::size_t>(m)].empty() &&
        SameText(names[static_cast<std::size_t>(m)], name))
      return m + 1;
  return 0;
}

// The first day with the same date value in the workbook's 1900 date system as here
// (the workbook counts a 29 February 1900 that never was).
constexpr double kFirstFaithfulDate = 61;

bool DateValue(std::string_view text, double& value) {
  if (text.size() < 8 || !IsDigit(text[0]) || !IsDigit(text[1]) || text[2] != '-') return false;
  const std::size_t dash = text.rfind('-');
  if (dash <= 3 || text.size() - dash != 5 || !AllDigits(text.substr(dash + 1))) return false;
  const int month = MonthOf(text.substr(3, dash - 3));
  if (month == 0) return false;
  TDateTime date = 0;
  if (!TryEncodeDate(static_cast<int>(Digits(text.substr(dash + 1))), month,
                     static_cast<int>(Digits(text.substr(0, 2))), date) ||
      date < kFirstFaithfulDate)
    return false;
  value = date;
  return true;
}

bool DurationValue(std::string_view text, double& value) {
  const std::size_t first = text.find(':');
  if (first == std::string_view::npos || first == 0 || first > 9 || text.size() != first + 6 ||
      text[first + 3] != ':')
    return false;
  const std::string_view hours = text.substr(0, first);
  const std::string_view minutes = text.substr(first + 1, 2);
  const std::string_view seconds = text.substr(first + 4, 2);
  if (!AllDigits(hours) || !AllDigits(minutes) || !AllDigits(seconds)) return false;
  if (Digits(minutes) >= 60 || Digits(seconds) >= 60) return false;
  value = (Digits(hours) * 3600 + Digits(minutes) * 60 + Digits(seconds)) / 86400.0;
  return true;
}

}  // namespace

TypedValue TypeOfText(std::string_view text) {
  TypedValue out;
  if (text.empty()) {
    out.kind = CellKind::Empty;
  } else if (WholeNumber(text, out.number)) {
    out.kind = CellKind::Number;
  } else if (DateValue(text, out.number)) {
    out.kind = CellKind::Date;
  } else if (DurationValue(text, out.number)) {
    out.kind = CellKind::Duration;
  }
  return out;
}

}  // namespace kestrune

#include "reports/time_report.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "reports/bar_chart.h"
#include "reports/html_text.h"
#include "reports/panel_texts.h"

namespace kestrune {

namespace {

void Cell(std::string& out, const char* cssClass, std::string_view text) {
  out += "<td class=\"";
  out += cssClass;
  out += "\">";
  AppendHtmlText(out, text);
  out += "</td>";
}

bool IsWeekend(std::int32_t day) {
  const int weekday = static_cast<int>(((day % 7) + 7) % 7);  // 0 = Saturday
  return weekday == 0 || weekday == 1;
}

std::string HourName(int hour) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d:00\xE2\x80\x93%02d:59", hour, hour);
  return buffer;
}

std::string TwoDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

}  // namespace

std::string DaysTable(const clsTimeTally& tally) {
  const std::vector<DayTally> days = tally.Days();
  const std::size_t first = days.size() > kMaxDayRows ? days.size() - kMaxDayRows : 0;
  std::string out;
  out.reserve(512 + (days.size() - first) * 260);
  out +=
      "<table class=\"days\">\r\n<thead><tr><th class=\"date\" scope=\"col\">Date</th>"
      "<th class=\"weekday\" scope=\"col\">Day</th><th class=\"num\" scope=\"col\">Hits</th>"
      "<th class=\"num\" scope=\"col\">Visits</th><th class=\"num\" scope=\"col\">Visitors</th>"
      "<th class=\"num\" scope=\"col\">Traffic</th><th class=\"share\" scope=\"col\">Share</th>"
      "</tr></thead>\r\n<tbody>\r\n";
  double hits = 0, visits = 0, bytes = 0, largest = 0;
  for (std::size_t i = first; i < days.size(); ++i) {
    hits += days[i].Hits;
    largest = std::max<double>(largest, days[i].Hits);
  }
  for (std::size_t i = first; i < days.size(); ++i) {
    const DayTally& d = days[i];
    out += IsWeekend(d.Day) ? "<tr class=\"weekend\">" : "<tr>";
    Cell(out, "date", FormatDdMmmYyyy(d.Day));
    Cell(out, "weekday", LocaleShortDayName(d.Day));
    Cell(out, "num hits", std::to_string(d.Hits));
    Cell(out, "num visits", std::to_string(d.Visits));
    Cell(out, "num visitors", std::to_string(d.Visitors));
    AppendTrafficCell(out, d.Bytes);
    AppendShareCell(out, d.Hits, hits, largest);
    out += "</tr>\r\n";
    visits += d.Visits;
    bytes += d.Bytes;
  }
  if (days.empty()) out += "<tr class=\"none\"><td colspan=\"7\">No data</td></tr>\r\n";
  out += "</tbody>\r\n";
  if (!days.empty()) {
    out += "<tfoot>";
    if (first > 0) {
      out += "<tr class=\"note\"><td colspan=\"7\">" + std::to_string(first) +
             " earlier days are not listed</td></tr>";
    }
    out += "<tr class=\"total\"><th scope=\"row\" colspan=\"2\">Total</th>";
    Cell(out, "num hits", ByteForm(hits));
    Cell(out, "num visits", ByteForm(visits));
    Cell(out, "num visitors", "");
    AppendTrafficCell(out, bytes);
    Cell(out, "share", "");
    out += "</tr></tfoot>\r\n";
  }
  out += "</table>";
  return out;
}

std::string HoursTable(const clsTimeTally& tally) {
  double hits = 0, bytes = 0, largest = 0;
  for (int h = 0; h < 24; ++h) {
    hits += tally.Hour(h).Hits;
    bytes += tally.Hour(h).Bytes;
    largest = std::max<double>(largest, tally.Hour(h).Hits);
  }
  std::string out;
  out.reserve(24 * 300);
  out +=
      "<table class=\"hours\">\r\n<thead><tr><th class=\"hour\" scope=\"col\">Hour</th>"
      "<th class=\"num\" scope=\"col\">Hits</th><th class=\"num\" scope=\"col\">Traffic</th>"
      "<th class=\"share\" scope=\"col\">Share</th></tr></thead>\r\n<tbody>\r\n";
  for (int h = 0; h < 24; ++h) {
    const HourTally& t = tally.Hour(h);
    out += "<tr>";
    Cell(out, "hour", HourName(h));
    Cell(out, "num hits", std::to_string(t.Hits));
    AppendTrafficCell(out, t.Bytes);
    AppendShareCell(out, t.Hits, hits, largest);
    out += "</tr>\r\n";
  }
  out += "</tbody>\r\n<tfoot><tr class=\"total\"><th scope=\"row\">Total</th>";
  Cell(out, "num hits", ByteForm(hits));
  AppendTrafficCell(out, bytes);
  Cell(out, "share", "");
  out += "</tr></tfoot>\r\n</table>";
  return out;
}

std::string DaysChart(const clsTimeTally& tally) {
  const std::vector<DayTally> days = tally.Days();
  BarChartText text{"Hits and traffic by day", "Day", "kestrune-days"};
  std::vector<BarSlot> slots;
  if (days.size() <= kMaxChartDays) {
    int firstYear = 0, lastYear = 0, m = 0, d = 0;
    if (!days.empty()) {
      DecodeDate(days.front().Day, firstYear, m, d);
      DecodeDate(days.back().Day, lastYear, m, d);
      text.title +=
          ", " + FormatDdMmmYyyy(days.front().Day) + " to " + FormatDdMmmYyyy(days.back().Day);
    }
    for (const DayTally& day : days) {
      int y = 0;
      DecodeDate(day.Day, y, m, d);
      BarSlot slot;
      slot.label = firstYear == lastYear ? TwoDigits(d) + " " + LocaleShortMonthName(m)
                                         : FormatDdMmmYyyy(day.Day);
      slot.name = LocaleShortDayName(day.Day) + " " + FormatDdMmmYyyy(day.Day);
      slot.hits = day.Hits;
      slot.bytes = day.Bytes;
      slots.push_back(std::move(slot));
    }
  } else {
    text.title = "Hits and traffic by month";
    text.axis = "Month";
    int lastKey = -1;
    for (const DayTally& day : days) {
      int y = 0, m = 0, d = 0;
      DecodeDate(day.Day, y, m, d);
      const int key = y * 12 + m;
      if (key != lastKey) {
        BarSlot slot;
        slot.label = LocaleShortMonthName(m) + " " + std::to_string(y);
        slot.name = slot.label;
        slots.push_back(std::move(slot));
        lastKey = key;
      }
      slots.back().hits += day.Hits;
      slots.back().bytes += day.Bytes;
    }
    if (slots.size() > kMaxChartMonths) {
      slots.erase(slots.begin(),
                  slots.begin() + static_cast<std::ptrdiff_t>(slots.size() - kMaxChartMonths));
      text.title += " (the latest " + std::to_string(kMaxChartMonths) + " months)";
    }
  }
  return BarChart(text, slots);
}

std::string HoursChart(const clsTimeTally& tally) {
  std::vector<BarSlot> slots;
  bool any = false;
  for (int h = 0; h < 24; ++h) {
    BarSlot slot;
    slot.label = TwoDigits(h);
    slot.name = HourName(h);
    slot.hits = tally.Hour(h).Hits;
    slot.bytes = tally.Hour(h).Bytes;
    any = any || slot.hits > 0;
    slots.push_back(std::move(slot));
  }
  if (!any) slots.clear();
  return BarChart({"Hits and traffic by hour of the day", "Hour of the day", "kestrune-hours"},
                  slots);
}

}  // namespace kestrune

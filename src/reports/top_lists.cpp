#include "reports/top_lists.h"

#include <algorithm>

#include "reports/html_text.h"
#include "stats/user_agent.h"
#include "util/text.h"

namespace kestrune {

namespace {

const clsBasicInfo kNoCounts;

// The extension of a page text as the readers take it: after the last "." of the part
// after the last backslash.
std::string_view PageExtension(std::string_view page) {
  const std::size_t slash = page.rfind('\\');
  if (slash != std::string_view::npos) page.remove_prefix(slash + 1);
  const std::size_t dot = page.rfind('.');
  if (dot == std::string_view::npos) return {};
  return TrimBlanksView(page.substr(dot + 1));
}

template <class T, class Keep>
TopSelection Select(const KeyedList<T>& list, int n, Keep&& keep) {
  TopSelection top;
  const auto info = [&](int i) -> const clsBasicInfo& {
    const T* object = list.Object(i);
    return object ? *object : kNoCounts;
  };
  std::vector<int>& indices = top.indices;
  indices.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    if (!keep(i)) continue;
    indices.push_back(i);
    top.hits += info(i).Hits;
  }
  top.entries = static_cast<int>(indices.size());
  const auto before = [&](int a, int b) {
    const clsBasicInfo& x = info(a);
    const clsBasicInfo& y = info(b);
    if (x.Hits != y.Hits) return x.Hits > y.Hits;
    if (x.Bytes != y.Bytes) return x.Bytes > y.Bytes;
    const int byKey = list.Key(a).compare(list.Key(b));
    return byKey != 0 ? byKey < 0 : a < b;
  };
  const std::size_t count = std::min(indices.size(), static_cast<std::size_t>(std::max(n, 0)));
  std::partial_sort(indices.begin(), indices.begin() + static_cast<std::ptrdiff_t>(count),
                    indices.end(), before);
  indices.resize(count);
  return top;
}

struct Columns {
  const char* cssClass;
  const char* keyTitle;
  const char* noun;  // plural, for "25 of 1234 pages"
};

Columns ColumnsOf(TopList list) {
  switch (list) {
    case TopList::Pages:
      return {"top-pages", "Page", "pages"};
    case TopList::Visitors:
      return {"top-visitors", "Visitor", "visitors"};
    case TopList::Referrers:
      return {"top-referrers", "Referrer", "referrers"};
    case TopList::UserAgents:
      return {"top-agents", "User agent", "user agents"};
    case TopList::Errors:
      return {"top-errors", "Page", "error pages"};
    case TopList::Downloads:
      return {"top-downloads", "File", "downloaded files"};
  }
  return {"top", "Key", "entries"};
}

void AppendCell(std::string& out, const char* cssClass, std::string_view text) {
  out += "<td class=\"";
  out += cssClass;
  out += "\">";
  AppendHtmlText(out, text);
  out += "</td>";
}

void AppendKeyCell(std::string& out, std::string_view key, bool robot) {
  out += "<td class=\"key\">";
  if (key.empty())
    out += "<span class=\"empty-key\">(empty)</span>";
  else
    AppendHtmlText(out, key);
  if (robot) out += " <span class=\"tag\">robot</span>";
  out += "</td>";
}

void AppendFigures(std::string& out, const clsBasicInfo& info, const TopSelection& top,
                   double largest) {
  AppendCell(out, "num hits", std::to_string(info.Hits));
  AppendCell(out, "num visits", std::to_string(info.Visits));
  AppendTrafficCell(out, info.Bytes);
  AppendShareCell(out, info.Hits, top.hits, largest);
}

template <class T, class Extra>
std::string Table(const KeyedList<T>& list, const TopSelection& top, TopList kind,
                  const char* extraHeads, int extraColumns, Extra&& extra) {
  const Columns c = ColumnsOf(kind);
  const int columns = 6 + extraColumns;
  std::string out;
  out.reserve(256 + top.indices.size() * 320);
  out += "<table class=\"top ";
  out += c.cssClass;
  out +=
      "\">\r\n<thead><tr><th class=\"rank\" scope=\"col\">#</th><th class=\"key\" scope=\"col\">";
  out += c.keyTitle;
  out += "</th>";
  out += extraHeads;
  out +=
      "<th class=\"num\" scope=\"col\">Hits</th><th class=\"num\" scope=\"col\">Visits</th>"
      "<th class=\"num\" scope=\"col\">Traffic</th><th class=\"share\" scope=\"col\">Share</th>"
      "</tr></thead>\r\n<tbody>\r\n";
  int rank = 0;
  double largest = 0;
  for (const int i : top.indices) {
    const T* object = list.Object(i);
    const clsBasicInfo& info = object ? *object : kNoCounts;
    if (rank == 0) largest = info.Hits;
    out += "<tr><td class=\"rank\">";
    out += std::to_string(++rank);
    out += "</td>";
    extra(out, i, object);
    AppendFigures(out, info, top, largest);
    out += "</tr>\r\n";
  }
  if (top.indices.empty()) {
    out += "<tr class=\"none\"><td colspan=\"";
    out += std::to_string(columns);
    out += "\">No ";
    out += c.noun;
    out += "</td></tr>\r\n";
  }
  out += "</tbody>\r\n";
  if (!top.indices.empty()) {
    out += "<tfoot><tr><td colspan=\"";
    out += std::to_string(columns);
    out += "\">";
    out += std::to_string(top.indices.size());
    out += " of ";
    out += std::to_string(top.entries);
    out += " ";
    out += c.noun;
    out += "</td></tr></tfoot>\r\n";
  }
  out += "</table>";
  return out;
}

}  // namespace

TopSelection SelectTop(const clsImportStats& stats, TopList list, int n) {
  const auto all = [](int) { return true; };
  switch (list) {
    case TopList::Pages:
      return Select(stats.slPages, n, all);
    case TopList::Visitors:
      return Select(stats.slUsers, n, all);
    case TopList::Referrers:
      return Select(stats.slReferers, n, all);
    case TopList::UserAgents:
      return Select(stats.slUserAgents, n, all);
    case TopList::Errors:
      return Select(stats.slErrors, n, all);
    case TopList::Downloads:
      if (!stats.UseDownloadExt || stats.slDownloadExt.Count() == 0) return {};
      return Select(stats.slPages, n, [&](int i) {
        return stats.slDownloadExt.IndexOf(PageExtension(stats.slPages.Key(i))) >= 0;
      });
  }
  return {};
}

std::string TopTable(const clsImportStats& stats, TopList list, int n) {
  const TopSelection top = SelectTop(stats, list, n);
  switch (list) {
    case TopList::Pages:
    case TopList::Downloads:
      return Table(stats.slPages, top, list, "", 0, [&](std::string& out, int i, const auto*) {
        AppendKeyCell(out, stats.slPages.Key(i), false);
      });
    case TopList::Visitors:
      return Table(stats.slUsers, top, list, "", 0,
                   [&](std::string& out, int i, const clsUserObject* user) {
                     AppendKeyCell(out, stats.slUsers.Key(i), user && user->Robot);
                   });
    case TopList::Referrers:
      return Table(stats.slReferers, top, list, "", 0, [&](std::string& out, int i, const auto*) {
        AppendKeyCell(out, stats.slReferers.Key(i), false);
      });
    case TopList::UserAgents:
      return Table(stats.slUserAgents, top, list,
                   "<th class=\"browser\" scope=\"col\">Browser</th>"
                   "<th class=\"os\" scope=\"col\">Operating system</th>",
                   2, [&](std::string& out, int i, const auto*) {
                     const std::string& key = stats.slUserAgents.Key(i);
                     AppendKeyCell(out, key, false);
                     const UserAgentClass found = ClassifyUserAgent(key);
                     AppendCell(out, "browser", found.Browser);
                     AppendCell(out, "os", found.OS);
                   });
    case TopList::Errors:
      return Table(stats.slErrors, top, list, "<th class=\"status\" scope=\"col\">Status</th>", 1,
                   [&](std::string& out, int i, const clsErrorObject* error) {
                     AppendKeyCell(out, stats.slErrors.Key(i), false);
                     AppendCell(out, "status", std::to_string(error ? error->StatusCode : 0));
                   });
  }
  return {};
}

}  // namespace kestrune

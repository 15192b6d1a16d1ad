#include "export/workbook_export.h"

#include <cmath>
#include <cstdint>

#include "stats/user_agent.h"
#include "util/datetime.h"

namespace kestrune {

namespace {

std::string Decimal(std::int64_t value) {
  return std::to_string(value);
}

// A byte or time sum truncated toward zero to a whole number, in decimal.
std::string Whole(double value) {
  return ByteForm(value);
}

std::string YesNo(bool flag) {
  return flag ? "Yes" : "No";
}

void WriteTitles(Worksheet& sheet, char firstColumn, std::initializer_list<const char*> titles) {
  char column = firstColumn;
  for (const char* title : titles) {
    const char letters[2] = {column++, '\0'};
    WriteCell(sheet, letters, 1, title);
  }
}

void WriteStatisticsSheet(Worksheet& sheet, const ExportSource& source) {
  const PanelTexts& p = source.panel;
  const auto row = [&sheet](int r, const char* a, const std::string* b, const char* c,
                            const std::string* d) {
    if (a) WriteCell(sheet, "A", r, a);
    if (b) WriteCell(sheet, "B", r, *b);
    if (c) WriteCell(sheet, "C", r, c);
    if (d) WriteCell(sheet, "D", r, *d);
  };
  row(1, "Period: ", &p.ebFrom, "To", &p.ebTo);
  row(3, "Entries", &p.ebEntries, nullptr, nullptr);
  row(4, "Allowed", &p.ebAllowedEntries, nullptr, nullptr);
  row(5, "Ignored", &p.ebIgnoredEntries, "Comments", &p.ebComments);
  row(6, nullptr, nullptr, "Extension", &p.ebIgnoredExt);
  row(7, nullptr, nullptr, "User/IP", &p.ebIgnoredUsers);
  row(9, "Page hits", &p.ebPageHits, "HEAD", &p.ebPageHEAD);
  row(10, nullptr, nullptr, "GET", &p.ebPageGET);
  row(11, nullptr, nullptr, "POST", &p.ebPagePOST);
  row(12, nullptr, nullptr, "OPTIONS", &p.ebPageOPTIONS);
  row(13, nullptr, nullptr, "UNKNOWN", &p.ebPageUNKNOWN);
  const std::string traffic = p.ebTraffic + " bytes";
  const std::string trafficKb = p.ebTrafficKb + " Kb";
  const std::string trafficMb = p.ebTrafficMb + " Mb";
  WriteCell(sheet, "A", 15, "Traffic");
  WriteCell(sheet, "B", 15, traffic);
  WriteCell(sheet, "C", 15, trafficKb);
  WriteCell(sheet, "D", 15, trafficMb);
  row(17, "Downloads:", &p.ebDownloads, nullptr, nullptr);
  WriteCell(sheet, "A", 18, "Download Traffic");
  WriteCell(sheet, "B", 18, p.ebDownloadTraffic + " bytes");
  WriteCell(sheet, "C", 18, p.ebDownloadTrafficKb + " Kb");
  WriteCell(sheet, "D", 18, p.ebDownloadTrafficMb + " Mb");
  row(20, "Users:", &p.ebUsers, nullptr, nullptr);
  row(21, "Repeat Rq:", &p.ebKnownUsers, nullptr, nullptr);
  row(22, "New:", &p.ebNewUsers, nullptr, nullptr);
  row(24, "Referers:", &p.ebReferers, nullptr, nullptr);
  row(25, "Repeat Rq:", &p.ebKnownReferers, nullptr, nullptr);
  row(26, "New:", &p.ebNewReferers, nullptr, nullptr);
  row(28, "Errors:", &p.ebErrors, nullptr, nullptr);
  row(29, "Page not found (404):", &p.ebError404, nullptr, nullptr);
  row(30, "Error 300-399:", &p.ebError30x, nullptr, nullptr);
  row(31, "Other errors:", &p.ebOtherErrors, nullptr, nullptr);
  const std::string http10 = Decimal(source.stats.Http10Requests);
  const std::string http11 = Decimal(source.stats.Http11Requests);
  row(33, "HTTP 1.0:", &http10, nullptr, nullptr);
  row(34, "HTTP 1.1:", &http11, nullptr, nullptr);
}

void WriteFilesSheet(ExportContext& context, Worksheet& sheet, const clsImportStats& stats) {
  WriteCell(sheet, "A", 1, "File");
  WriteCell(sheet, "B", 1, "Lines");
  const KeyedList<clsPFileObject>& files = stats.slFiles;
  context.host.InitProgress(files.Count());
  for (int i = 0; i < files.Count(); ++i) {
    if (!files.Key(i).empty()) {
      WriteCell(sheet, "A", i + 2, files.Key(i));
      const clsPFileObject* file = files.Object(i);
      WriteCell(sheet, "B", i + 2, Decimal(file ? file->LineCount : 0));
    }
    context.host.SetProgress(i);
    context.host.ProcessMessages();
  }
  context.host.EndProgress();
  sheet.Columns("A:B").AutoFit();
}

void WritePagesSheet(ExportContext& context, Worksheet& sheet, const clsImportStats& stats) {
  WriteItemHeader("Page", sheet);
  WriteTitles(sheet, 'H',
              {"Last index", "HEAD", "GET", "POST", "OPTIONS", "UNKNOWN", "Directory", "Type",
               "Entry hits", "Exit hits"});
  const KeyedList<clsPageObject>& pages = stats.slPages;
  context.host.InitProgress(pages.Count());
  for (int i = 0; i < pages.Count(); ++i) {
    if (!WriteItemRow(context, sheet, pages, i)) continue;
    const clsPageObject* page = pages.Object(i);
    if (page == nullptr) continue;
    const std::string& key = pages.Key(i);
    const int r = i + 2;
    WriteCell(sheet, "H", r, FormatDdMmmYyyy(page->LastHit));
    WriteCell(sheet, "I", r, Decimal(page->HEAD));
    WriteCell(sheet, "J", r, Decimal(page->GET));
    WriteCell(sheet, "K", r, Decimal(page->POST));
    WriteCell(sheet, "L", r, Decimal(page->OPTIONS));
    WriteCell(sheet, "M", r, Decimal(page->UNKNOWN));
    WriteCell(sheet, "N", r, PageDirectory(key));
    WriteCell(sheet, "O", r, PageType(key));
    WriteCell(sheet, "P", r, Decimal(page->Entrances));
    WriteCell(sheet, "Q", r, Decimal(page->Exits));
  }
  context.host.EndProgress();
  sheet.Columns("A:Q").AutoFit();
  SortSheet(sheet);
}

void WriteUsersSheet(ExportContext& context, Worksheet& sheet, const clsImportStats& stats) {
  WriteItemHeader("IP", sheet);
  WriteTitles(sheet, 'H', {"Downloaded", "Robot", "Avg time", "Region"});
  const KeyedList<clsUserObject>& users = stats.slUsers;
  context.host.InitProgress(users.Count());
  for (int i = 0; i < users.Count(); ++i) {
    if (!WriteItemRow(context, sheet, users, i)) continue;
    const clsUserObject* user = users.Object(i);
    if (user == nullptr) continue;
    const int r = i + 2;
    WriteCell(sheet, "H", r, YesNo(user->LastWasDownload));
    WriteCell(sheet, "I", r, YesNo(user->Robot));
    if (user->Visits > 0) {
      const double whole = std::trunc(user->TimeSpent);
      const double seconds = whole >= 0 && whole < 18e18 ? whole : 0;
      const auto average = static_cast<std::uint64_t>(seconds) / user->Visits;
      WriteCell(sheet, "J", r, SecondsToText(static_cast<double>(average)));
    }
  }
  context.host.EndProgress();
  sheet.Columns("A:K").AutoFit();
  SortSheet(sheet);
}

void WriteUserAgentsSheet(ExportContext& context, Worksheet& sheet, const clsImportStats& stats) {
  WriteItemHeader("URL", sheet);
  WriteTitles(sheet, 'H', {"Name", "Browser", "OS"});
  const KeyedList<clsUserAgentObject>& agents = stats.slUserAgents;
  context.host.InitProgress(agents.Count());
  for (int i = 0; i < agents.Count(); ++i) {
    WriteItemRow(context, sheet, agents, i);
    const UserAgentClass found = ClassifyUserAgent(agents.Key(i));
    WriteCell(sheet, "H", i + 2, found.Name);
    WriteCell(sheet, "I", i + 2, found.Browser);
    WriteCell(sheet, "J", i + 2, found.OS);
  }
  sheet.Columns("A:J").AutoFit();
  SortSheet(sheet);
}

void WriteErrorsSheet(ExportContext& context, Worksheet& sheet, const clsImportStats& stats) {
  WriteItemHeader("URL", sheet);
  WriteCell(sheet, "H", 1, "Status code");
  const KeyedList<clsErrorObject>& errors = stats.slErrors;
  context.host.InitProgress(errors.Count());
  for (int i = 0; i < errors.Count(); ++i) {
    WriteItemRow(context, sheet, errors, i);
    const clsErrorObject* error = errors.Object(i);
    WriteCell(sheet, "H", i + 2, Decimal(error ? error->StatusCode : 0));
  }
  sheet.Columns("A:H").AutoFit();
  SortSheet(sheet);
  context.host.EndProgress();
}

}  // namespace

void WriteCell(Worksheet& sheet, const char* column, int row, const std::string& text) {
  sheet.Range(column + std::to_string(row)).SetValue(text);
}

Worksheet& OpenSheet(ExportContext& context, int position, const std::string& name,
                     Worksheet* previous) {
  Worksheet& sheet = context.workbook.WorksheetsCount() < position
                         ? context.workbook.WorksheetsAdd(nullptr, previous)
                         : context.workbook.Worksheets(position);
  sheet.SetName(name);
  sheet.Activate();
  context.host.Status("Exporting " + name);
  return sheet;
}

void WriteItemHeader(const std::string& keyTitle, Worksheet& sheet) {
  WriteCell(sheet, "A", 1, keyTitle);
  WriteTitles(sheet, 'B', {"Hits", "Sessions", "Traffic", "Last", "Time spent", "Time taken"});
}

template <class T>
bool WriteItemRow(ExportContext& context, Worksheet& sheet, const KeyedList<T>& list, int index) {
  const std::string& key = list.Key(index);
  const bool written = !key.empty();
  if (written) {
    const int r = index + 2;
    WriteCell(sheet, "A", r, key);
    if (const clsBasicInfo* info = list.Object(index)) {
      WriteCell(sheet, "B", r, Decimal(info->Hits));
      WriteCell(sheet, "C", r, Decimal(info->Visits));
      WriteCell(sheet, "D", r, Whole(info->Bytes));
      WriteCell(sheet, "E", r, FormatDdMmmYyyy(info->LastDate));
      WriteCell(sheet, "F", r, SecondsToText(info->TimeSpent));
      WriteCell(sheet, "G", r, Whole(info->TimeTaken));
    }
  }
  context.host.SetProgress(index);
  context.host.ProcessMessages();
  return written;
}

template <class T>
void ExportItemList(ExportContext& context, const std::string& keyTitle, Worksheet& sheet,
                    const KeyedList<T>& list) {
  WriteItemHeader(keyTitle, sheet);
  context.host.InitProgress(list.Count());
  for (int i = 0; i < list.Count(); ++i) WriteItemRow(context, sheet, list, i);
  sheet.Columns("A:G").AutoFit();
  context.host.EndProgress();
}

// The item lists of the model.
template bool WriteItemRow(ExportContext&, Worksheet&, const KeyedList<clsPageObject>&, int);
template bool WriteItemRow(ExportContext&, Worksheet&, const KeyedList<clsUserObject>&, int);
template bool WriteItemRow(ExportContext&, Worksheet&, const KeyedList<clsIgnoreIPObject>&, int);
template bool WriteItemRow(ExportContext&, Worksheet&, const KeyedList<clsIgnoreExtObject>&, int);
template bool WriteItemRow(ExportContext&, Worksheet&, const KeyedList<clsDLExtObject>&, int);
template bool WriteItemRow(ExportContext&, Worksheet&, const KeyedList<clsUserAgentObject>&, int);
template bool WriteItemRow(ExportContext&, Worksheet&, const KeyedList<clsRefererObject>&, int);
template bool WriteItemRow(ExportContext&, Worksheet&, const KeyedList<clsErrorObject>&, int);
template void ExportItemList(ExportContext&, const std::string&, Worksheet&,
                             const KeyedList<clsIgnoreIPObject>&);
template void ExportItemList(ExportContext&, const std::string&, Worksheet&,
                             const KeyedList<clsIgnoreExtObject>&);
template void ExportItemList(ExportContext&, const std::string&, Worksheet&,
                             const KeyedList<clsDLExtObject>&);
template void ExportItemList(ExportContext&, const std::string&, Worksheet&,
                             const KeyedList<clsRefererObject>&);

void SortSheet(Worksheet& sheet) {
  CellRange all = sheet.Cells();
  all.Select();
  SortArguments arguments;
  arguments.key1 = sheet.Columns("B");
  arguments.order1 = xlDescending;
  arguments.key2 = sheet.Columns("D");
  arguments.order2 = xlDescending;
  arguments.key3 = sheet.Columns("A");
  arguments.order3 = xlAscending;
  arguments.header = xlYes;
  arguments.matchCase = false;
  arguments.orientation = xlTopToBottom;
  all.Sort(arguments);
  sheet.Cells(1, 1).Select();
}

void ExportStatistics(ExportContext& context, const ExportSource& source) {
  const clsImportStats& stats = source.stats;
  Worksheet& statistics = OpenSheet(context, 1, "Statistics", nullptr);
  WriteStatisticsSheet(statistics, source);
  statistics.Columns("A:D").AutoFit();
  context.host.ProcessMessages();

  Worksheet& files = OpenSheet(context, 2, "Files", &statistics);
  WriteFilesSheet(context, files, stats);
  Worksheet& pages = OpenSheet(context, 3, "Pages", &files);
  WritePagesSheet(context, pages, stats);
  Worksheet& users = OpenSheet(context, 4, "Users", &pages);
  WriteUsersSheet(context, users, stats);
  Worksheet& ignoredIP = OpenSheet(context, 5, "Ignored IP", &users);
  ExportItemList(context, "IP", ignoredIP, stats.slIgnoreIP);
  Worksheet& ignoredTypes = OpenSheet(context, 6, "Ignored types", &ignoredIP);
  ExportItemList(context, "Type", ignoredTypes, stats.slIgnoreExt);
  Worksheet& downloadTypes = OpenSheet(context, 7, "Download types", &ignoredTypes);
  ExportItemList(context, "Type", downloadTypes, stats.slDownloadExt);
  Worksheet& agents = OpenSheet(context, 8, "User agents", &downloadTypes);
  WriteUserAgentsSheet(context, agents, stats);
  Worksheet& referers = OpenSheet(context, 9, "Referers", &agents);
  ExportItemList(context, "Referer", referers, stats.slReferers);
  SortSheet(referers);
  Worksheet& errors = OpenSheet(context, 10, "Errors", &referers);
  WriteErrorsSheet(context, errors, stats);
  context.host.Status("Completed exporting statistics.");
  statistics.Activate();
}

}  // namespace kestrune

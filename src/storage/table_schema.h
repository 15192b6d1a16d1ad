// The tables of the entry storage, each described once: the row of a table as a struct,
// and in TableOf<Row> the table's name and its columns, each with the field of the row
// that holds its value and what the column is for. Every statement of both storage
// strategies (column lists, parameter types, keys, binding and reading) is built from
// these descriptions. Every table also has an ID column that the database assigns; a
// lookup row holds it in its field ID. A new table is a row struct and a TableOf here.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>

#include "util/datetime.h"

namespace kestrune {

struct VisitorRow {
  std::int64_t ID = 0;
  std::string Visitor;
  std::string IP;
  bool SE = false;
  TDateTime Last = 0;
  std::int64_t Count = 0;
  bool SessionDownloaded = false;
  bool Downloaded = false;
};

struct PageRow {
  std::int64_t ID = 0;
  std::string PageName;
  std::string SiteIP;
};

struct RefRow {
  std::int64_t ID = 0;
  std::string Host;
  std::string URL;
  std::string SiteIP;
  std::int64_t Count = 0;
  TDateTime Last = 0;
};

struct DownloadRow {
  std::int64_t ID = 0;
  std::string FileName;
  std::string SiteIP;
  std::int64_t Count = 0;
  TDateTime Last = 0;
};

struct ErrorRow {
  std::int64_t ID = 0;
  std::int64_t Error = 0;
  std::string PageName;
  std::string SiteIP;
  std::string ReferringURL;
  std::int64_t Count = 0;
  TDateTime Last = 0;
};

struct LogRow {
  std::int64_t Page = 0;
  std::int64_t Referrer = 0;
  std::string SiteIP;
  std::int64_t Visitor = 0;
  TDateTime Date = 0;
  bool GET = false;
  bool HEAD = false;
  std::int64_t Bytes = 0;
  std::int64_t Statuscode = 0;
  std::int64_t TimeTaken = 0;
  std::string HTTPVersion;
  std::int64_t Port = 0;
};

// What a column is to the storage; a column may have several roles.
enum ColumnRole : unsigned {
  kKey = 1,     // part of the lookup key (the keyed SELECT's WHERE, in column order)
  kInsert = 2,  // set by the INSERT of a new row; the others keep the database's defaults
  kState = 4,   // changed after the insert, written back by an UPDATE of the row's ID
  kAll = kKey | kInsert | kState,
};

// A column: its name, the field of the row that holds its value (whose type gives the
// parameter type: text, integer, boolean or date-time) and its roles.
template <class Row, class V>
struct Column {
  using Value = V;
  const char* name;
  V Row::*field;
  unsigned roles;
};

template <class Row, class... Values>
struct TableDescription {
  const char* name;
  std::tuple<Column<Row, Values>...> columns;  // in the order of every column list
};

template <class Row, class... Values>
constexpr TableDescription<Row, Values...> Describe(const char* name,
                                                    Column<Row, Values>... columns) {
  return {name, {columns...}};
}

// TableOf<Row>::table: the table whose rows Row holds.
template <class Row>
struct TableOf;

template <>
struct TableOf<VisitorRow> {
  using R = VisitorRow;
  static constexpr auto table =
      Describe("tblVisitors", Column{"Visitor", &R::Visitor, kInsert},
               Column{"IP", &R::IP, kKey | kInsert}, Column{"SE", &R::SE, kState},
               Column{"Last", &R::Last, kState}, Column{"Count", &R::Count, kState},
               Column{"SessionDownloaded", &R::SessionDownloaded, kState},
               Column{"Downloaded", &R::Downloaded, kState});
};

template <>
struct TableOf<PageRow> {
  using R = PageRow;
  static constexpr auto table =
      Describe("tblPages", Column{"PageName", &R::PageName, kKey | kInsert},
               Column{"SiteIP", &R::SiteIP, kInsert});
};

template <>
struct TableOf<RefRow> {
  using R = RefRow;
  static constexpr auto table = Describe(
      "tblRefs", Column{"Host", &R::Host, kInsert}, Column{"URL", &R::URL, kKey | kInsert},
      Column{"SiteIP", &R::SiteIP, kKey | kInsert}, Column{"Count", &R::Count, kInsert | kState},
      Column{"Last", &R::Last, kInsert | kState});
};

template <>
struct TableOf<DownloadRow> {
  using R = DownloadRow;
  static constexpr auto table = Describe(
      "tblDownloads", Column{"FileName", &R::FileName, kKey | kInsert},
      Column{"SiteIP", &R::SiteIP, kKey | kInsert}, Column{"Count", &R::Count, kInsert | kState},
      Column{"Last", &R::Last, kInsert | kState});
};

template <>
struct TableOf<ErrorRow> {
  using R = ErrorRow;
  static constexpr auto table = Describe("tblErrors", Column{"Error", &R::Error, kKey | kInsert},
                                         Column{"PageName", &R::PageName, kKey | kInsert},
                                         Column{"SiteIP", &R::SiteIP, kKey | kInsert},
                                         Column{"ReferringURL", &R::ReferringURL, kKey | kInsert},
                                         Column{"Count", &R::Count, kInsert | kState},
                                         Column{"Last", &R::Last, kInsert | kState});
};

template <>
struct TableOf<LogRow> {
  using R = LogRow;
  static constexpr auto table = Describe(
      "tblLogs", Column{"Page", &R::Page, kInsert}, Column{"Referrer", &R::Referrer, kInsert},
      Column{"SiteIP", &R::SiteIP, kInsert}, Column{"Visitor", &R::Visitor, kInsert},
      Column{"Date", &R::Date, kInsert}, Column{"GET", &R::GET, kInsert},
      Column{"HEAD", &R::HEAD, kInsert}, Column{"Bytes", &R::Bytes, kInsert},
      Column{"Statuscode", &R::Statuscode, kInsert}, Column{"TimeTaken", &R::TimeTaken, kInsert},
      Column{"HTTPVersion", &R::HTTPVersion, kInsert}, Column{"Port", &R::Port, kInsert});
};

}  // namespace kestrune

// The two log-file readers. Each reads one whole file, accumulates its entries into the
// statistics (and the store when `addToDb`), drives the host's status line, progress
// and panel, and returns the number of lines of the file: 0 when it does not exist or
// is empty. An invalid date or time (and any storage failure) raises kestrune::Error,
// whose message names the file, the line number and the offending text.
#pragma once

#include <string>

#include "logfiles/reader_host.h"
#include "stats/add_stats.h"

namespace kestrune {

struct ReaderContext {
  clsImportStats& stats;
  ReaderHost& host;
  EntryStore* store = nullptr;  // needed when addToDb is true
};

// IIS 4.0 W3C extended format, column order from "#Fields:" lines.
int ScanIISFile(const std::string& fileName, bool addToDb, ReaderContext& context);

// UNIX common format; `siteIP` is stored with every entry.
int ScanUnixFile(const std::string& fileName, const std::string& siteIP, bool addToDb,
                 ReaderContext& context);

}  // namespace kestrune

// The two log-file readers. Each reads one whole file, accumulates its entries into the
// statistics (and the store when `addToDb`), drives the host's status line, progress
// and panel, and returns the number of lines of the file: 0 when it does not exist or
// is empty. An invalid date or time (and any storage failure) raises kestrune::Error,
// whose message names the file, the line number and the offending text.
//
// A gzip-compressed file is read as its inflated text, with the same counts; its
// progress runs over the compressed bytes (maximum and positions in bytes, scaled down
// to fit an int) instead of the lines, which would need a second inflating pass. Damaged
// or truncated compressed data raise "Invalid compressed data in <file>: <reason>".
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "logfiles/reader_host.h"
#include "logfiles/reader_options.h"
#include "stats/add_stats.h"

namespace kestrune {

struct ReaderContext {
  clsImportStats& stats;
  ReaderHost& host;
  EntryStore* store = nullptr;       // needed when addToDb is true
  UnixReadOptions unixOptions = {};  // how ScanUnixFile reads its lines
  // The file's first bytes only, however it grows while it is read (a limit the caller
  // has hashed); by default the whole file.
  std::uint64_t byteLimit = std::numeric_limits<std::uint64_t>::max();
  // The lines before this one (counted from 0) are counted but not stored: a log whose
  // beginning is stored already.
  int storeFromLine = 0;
};

// IIS 4.0 W3C extended format, column order from "#Fields:" lines.
int ScanIISFile(const std::string& fileName, bool addToDb, ReaderContext& context);

// UNIX common format; `siteIP` is stored with every entry.
int ScanUnixFile(const std::string& fileName, const std::string& siteIP, bool addToDb,
                 ReaderContext& context);

}  // namespace kestrune

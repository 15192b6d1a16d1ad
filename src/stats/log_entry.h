// LogEntry: one parsed log line as a reader hands it to AddStats. Text fields hold at
// most 255 characters (the readers cut them); numbers the readers cannot convert are 0.
#pragma once

#include <cstdint>
#include <string>

#include "util/datetime.h"

namespace kestrune {

struct LogEntry {
  std::string Date;  // "YYYY-MM-DD"
  TDateTime DateTime = 0;
  std::string SiteIP;
  std::string Visitor;
  std::string Page;
  std::string Extension;
  std::string Referrer;
  std::string Method;
  std::string HTTPVersion;
  std::string UserAgent;
  std::uint32_t Statuscode = 0;
  std::uint32_t Bytes = 0;
  std::uint32_t TimeTaken = 0;
  std::uint32_t Port = 0;

  // Empties every text (keeping capacity) and zeroes every number.
  void Clear();
};

}  // namespace kestrune

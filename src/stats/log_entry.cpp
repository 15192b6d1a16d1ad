#include "stats/log_entry.h"

namespace kestrune {

void LogEntry::Clear() {
  // clear() keeps each string's buffer, so a reader that reuses one entry per line
  // allocates nothing once the buffers have grown to the line lengths it meets.
  Date.clear();
  DateTime = 0;
  SiteIP.clear();
  Visitor.clear();
  Page.clear();
  Extension.clear();
  Referrer.clear();
  Method.clear();
  HTTPVersion.clear();
  UserAgent.clear();
  Statuscode = 0;
  Bytes = 0;
  TimeTaken = 0;
  Port = 0;
}

}  // namespace kestrune

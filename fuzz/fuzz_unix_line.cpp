// libFuzzer target: the UNIX common-format line parse, one input line at a time.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "logfiles/line_error.h"
#include "logfiles/unix_line.h"
#include "util/text.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool initialised = (InitLocaleFromEnvironment(), true);
  (void)initialised;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  UnixLineParser parser("192.168.0.1", CalendarDay{2026, 6, 15});
  LogEntry entry;
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    try {
      if (parser.Parse(line, entry) != LineKind::kEntry) continue;
    } catch (const LineError&) {
      continue;
    }
    for (const std::string* text :
         {&entry.Date, &entry.Visitor, &entry.Method, &entry.Page, &entry.HTTPVersion})
      if (text->size() > 255) std::abort();
    // Removing every ".." and then every "./" leaves neither behind.
    if (entry.Page.find("..") != std::string::npos || entry.Page.find("./") != std::string::npos)
      std::abort();
    if (!std::isfinite(entry.DateTime) || entry.Date.size() != 10) std::abort();
    if (!entry.Referrer.empty() || !entry.UserAgent.empty() || entry.Port != 0) std::abort();
  }
  return 0;
}

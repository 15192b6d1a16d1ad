// libFuzzer target: the UNIX common-format line parse, one input line at a time, with
// each combination of the reader's options: the combined format and the kept letter
// case change nothing but the referrer and user agent and the letters of the texts.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "logfiles/line_error.h"
#include "logfiles/unix_line.h"
#include "util/text.h"

using namespace kestrune;

namespace {

// The entry of `line`, or false for a comment or a LineError; aborts when an entry
// breaks a rule that holds for any input.
bool ParseChecked(UnixLineParser& parser, std::string_view line, LogEntry& entry,
                  const UnixReadOptions& options) {
  try {
    if (parser.Parse(line, entry) != LineKind::kEntry) return false;
  } catch (const LineError&) {
    return false;
  }
  for (const std::string* text : {&entry.Date, &entry.Visitor, &entry.Method, &entry.Page,
                                  &entry.HTTPVersion, &entry.Referrer, &entry.UserAgent})
    if (text->size() > 255) std::abort();
  // Removing every ".." and then every "./" leaves neither behind.
  if (entry.Page.find("..") != std::string::npos || entry.Page.find("./") != std::string::npos)
    std::abort();
  if (!std::isfinite(entry.DateTime) || entry.Date.size() != 10) std::abort();
  if (entry.Port != 0) std::abort();
  if (!options.combined && (!entry.Referrer.empty() || !entry.UserAgent.empty())) std::abort();
  if (entry.Referrer == "-") std::abort();
  if (entry.Method != UpperCase(entry.Method)) std::abort();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool initialised = (InitLocaleFromEnvironment(), true);
  (void)initialised;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const UnixReadOptions plainOptions{};
  const UnixReadOptions bothOptions{.combined = true, .keepCase = true};
  UnixLineParser plain("192.168.0.1", plainOptions, CalendarDay{2026, 6, 15});
  UnixLineParser both("192.168.0.1", bothOptions, CalendarDay{2026, 6, 15});
  LogEntry a, b;
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    const bool gotA = ParseChecked(plain, line, a, plainOptions);
    const bool gotB = ParseChecked(both, line, b, bothOptions);
    if (gotA != gotB) std::abort();
    if (!gotA) continue;
    // Upper-cased, the kept-case entry is the plain one.
    if (a.Visitor != UpperCase(b.Visitor) || a.Page != UpperCase(b.Page) ||
        a.HTTPVersion != UpperCase(b.HTTPVersion) || a.Method != b.Method ||
        a.Extension != b.Extension || a.Date != b.Date || a.DateTime != b.DateTime ||
        a.Statuscode != b.Statuscode || a.Bytes != b.Bytes || a.TimeTaken != b.TimeTaken)
      std::abort();
  }
  return 0;
}

// libFuzzer target: the IIS line handling. The first input line is taken as the column
// list of a "#Fields:" line; every further line is parsed as the reader parses it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "logfiles/iis_line.h"
#include "logfiles/line_error.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  IISLineParser parser;
  parser.StartFile();
  LogEntry entry;

  const std::size_t firstEnd = input.find('\n');
  std::string fields = "#Fields: ";
  fields += input.substr(0, firstEnd);
  parser.Parse(fields, entry);
  input.remove_prefix(firstEnd == std::string_view::npos ? input.size() : firstEnd + 1);

  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    try {
      if (parser.Parse(line, entry) != LineKind::kEntry) continue;
    } catch (const LineError&) {
      continue;
    }
    // Every text comes from the line cut to 255 characters; the extension ends the page.
    for (const std::string* text :
         {&entry.Date, &entry.Visitor, &entry.SiteIP, &entry.Method, &entry.Page,
          &entry.HTTPVersion, &entry.UserAgent, &entry.Referrer})
      if (text->size() > 255 ||
          text->find_first_of(std::string_view("\0\t\r\n", 4)) != std::string::npos)
        std::abort();
    if (entry.Page.size() < entry.Extension.size() ||
        entry.Page.compare(entry.Page.size() - entry.Extension.size(), std::string::npos,
                           entry.Extension) != 0)
      std::abort();
    if (!(entry.DateTime > -700000 && entry.DateTime < 3000000)) std::abort();
  }
  return 0;
}

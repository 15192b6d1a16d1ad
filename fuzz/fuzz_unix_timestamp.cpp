// libFuzzer target: the UNIX time-stamp conversion on its own.
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
  UnixTimestampConverter convert(CalendarDay{2026, 6, 15});
  const std::string_view stamp(reinterpret_cast<const char*>(data), size);
  for (int round = 0; round < 2; ++round) {  // the second round goes through the day cache
    try {
      const TDateTime value = convert.Convert(stamp);
      // A calendar date of years 1..9999 shifted by less than a day, or the stand-in.
      if (!std::isfinite(value) || value < -693595 || value > 2958467) std::abort();
    } catch (const LineError&) {
    }
  }
  return 0;
}

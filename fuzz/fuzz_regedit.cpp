// libFuzzer target: the settings file's text. The input is read as a settings file; what
// was read must come back unchanged from its own text, with no line skipped. The input's
// lines are also taken as key, name and data of a hive of their own, which must survive
// the same round trip whatever bytes they hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "desktop/registry_text.h"
#include "desktop/settings_hive.h"

using namespace kestrune;

namespace {

// Every key path normalised and not empty, keys and value names each unique.
void CheckWellFormed(const Hive& hive) {
  std::unordered_set<std::string> keys;
  for (const HiveKey& key : hive.keys) {
    if (key.path.empty() || NormaliseKey(key.path) != key.path) std::abort();
    if (!keys.insert(FoldedName(key.path)).second) std::abort();
    std::unordered_set<std::string> names;
    for (const HiveValue& value : key.values)
      if (!names.insert(FoldedName(value.name)).second) std::abort();
  }
}

// Formatted text: every line ends CR LF and holds no other control byte.
void CheckLines(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r') {
      if (i + 1 >= text.size() || text[i + 1] != '\n') std::abort();
      ++i;
    } else if (IsControl(c)) {
      std::abort();
    }
  }
  if (text.size() < 2 || text.substr(text.size() - 2) != "\r\n") std::abort();
}

void CheckRoundTrip(const Hive& hive) {
  CheckWellFormed(hive);
  const std::string text = FormatRegistryText(hive);
  CheckLines(text);
  const ParsedRegistryText again = ParseRegistryText(text);
  if (again.skippedLines != 0 || !(again.hive == hive)) std::abort();
  if (FormatRegistryText(again.hive) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const ParsedRegistryText parsed = ParseRegistryText(input);
  CheckRoundTrip(parsed.hive);

  // Lines in threes: key, value name, data ("\n" separates; any other byte is kept).
  Hive built;
  std::string_view rest = input;
  auto next = [&rest]() {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return line;
  };
  while (!rest.empty()) {
    const std::optional<std::string> key = NormaliseKey(next());
    const std::string_view name = next();
    const std::string_view value = next();
    if (key && !key->empty()) SetValue(built, *key, name, value);
  }
  CheckRoundTrip(built);
  return 0;
}

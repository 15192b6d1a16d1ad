// The text filter of the analysis: a key passes when it contains the filter text,
// letter case ignored by the locale's byte-wise rule (so UTF-8 passes through intact).
// An empty filter lets every key pass.
#pragma once

#include <string_view>

namespace kestrune {

bool KeyPasses(std::string_view key, std::string_view filter);

}  // namespace kestrune

#include "analysis/key_filter.h"

#include "util/text.h"

namespace kestrune {

bool KeyPasses(std::string_view key, std::string_view filter) {
  if (filter.empty()) return true;
  if (filter.size() > key.size()) return false;
  const unsigned char* fold = FoldTable();
  const std::size_t last = key.size() - filter.size();
  for (std::size_t i = 0; i <= last; ++i) {
    std::size_t k = 0;
    while (k < filter.size() && fold[static_cast<unsigned char>(key[i + k])] ==
                                    fold[static_cast<unsigned char>(filter[k])])
      ++k;
    if (k == filter.size()) return true;
  }
  return false;
}

}  // namespace kestrune

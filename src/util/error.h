// The error that readers, the accumulation and the storage raise; it carries the
// message text that the import driver shows.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrune {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kestrune

// Sample logs for the tests, written by the kestrune-loggen tool of this build.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "test_support.h"

namespace kestrune::testing {

// Runs kestrune-loggen with `options` into dir/name and returns the file's path.
inline std::string GenerateLog(const TempDir& dir, const std::string& name,
                               const std::string& options) {
  const std::string tool = std::string(KESTRUNE_BINARY_DIR) + "/kestrune-loggen";
  const std::string file = dir.Path(name);
  const std::string command = tool + " " + options + " --output '" + file + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return file;
}

inline std::string Contents(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kestrune::testing

// What the benchmarks that run a whole import share: one log file imported by the import
// run (its folder, its name as the pattern, nothing moved or stored) with a host that
// shows nothing, exactly the loop that the window and `kestrune RUN` carry out.
#pragma once

#include <filesystem>
#include <string>

#include "importing/import_run.h"

namespace kestrune::bench {

inline ImportOutcome ImportOneFile(clsImportStats& stats, const std::string& file, bool iis) {
  const std::filesystem::path path = std::filesystem::absolute(file);
  ImportRequest request;
  request.directory = path.parent_path().string() + "/";
  request.pattern = path.string();
  request.options.iis = iis;
  request.options.siteIP = "192.168.1.10";
  NullImportHost host;
  return ImportRun(host, stats, std::move(request)).Run();
}

}  // namespace kestrune::bench

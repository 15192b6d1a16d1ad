// Shared by the export tests: a host that records what the export shows, a private
// temporary folder, and a small real import (an IIS log read by ScanIISFile).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "export/export_host.h"
#include "reports/panel_texts.h"
#include "stats/import_stats.h"

namespace kestrune::test {

class RecordingExportHost : public ExportHost {
 public:
  void DisableAll() override {
    events.push_back("DisableAll");
    ++locks;
  }
  void EnableAll() override {
    events.push_back("EnableAll");
    --locks;
  }
  void Status(const std::string& message) override {
    statuses.push_back(message);
    events.push_back("Status " + message);
  }
  void InitProgress(int maximum) override {
    inits.push_back(maximum);
    positions.clear();
  }
  void SetProgress(int position) override { positions.push_back(position); }
  void EndProgress() override { ++ends; }
  void ProcessMessages() override { ++pumps; }

  std::vector<std::string> events;
  std::vector<std::string> statuses;
  std::vector<int> inits;
  std::vector<int> positions;  // since the last InitProgress
  int ends = 0;
  int pumps = 0;
  int locks = 0;  // DisableAll minus EnableAll
};

// The sheet names in their order.
inline const std::vector<std::string> kSheetNames = {
    "Statistics",    "Files",          "Pages",       "Users",    "Ignored IP",
    "Ignored types", "Download types", "User agents", "Referers", "Errors"};

// The first lines of the small import's log.
std::string SmallLog();

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& content) const;
  // Reads SmallLog() (and `extra` lines after it) with ScanIISFile into stats_, as the
  // import driver does, and takes the panel texts.
  void ImportSmallLog(const std::string& extra = "");
  // The names of the files in the folder.
  std::vector<std::string> Files() const;

  std::filesystem::path dir_;
  clsImportStats stats_;
  PanelTexts panel_;
  RecordingExportHost host_;
};

}  // namespace kestrune::test

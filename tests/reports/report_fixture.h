// Shared by the report tests: a model filled through AddStats from a fixed set of log
// entries (with hostile page texts), a private temporary directory, and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "reports/panel_texts.h"
#include "reports/report_writers.h"
#include "stats/import_stats.h"

namespace kestrune::test {

// Fills `stats` as a reader would: eleven lines of one file (one a comment), fed
// through AddStats, plus a second file and an entry with an empty name in slFiles.
void FillSampleStats(clsImportStats& stats);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& content);

// A golden file of tests/reports/data with "@TODAY@" replaced by `today`.
std::string Golden(const std::string& name, const std::string& today);

// Today's date as the reports write it.
std::string Today();

// A test with its own empty temporary directory, removed afterwards; holds a model, the
// window settings and the panel texts that the writers read.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::filesystem::path Path(const std::string& name) const { return dir_ / name; }
  // The panel texts for the model as it stands now, and the writers' input.
  ReportInput Input() {
    panel_ = MakePanelTexts(stats_);
    return ReportInput{panel_, settings_, stats_};
  }

  std::filesystem::path dir_;
  clsImportStats stats_;
  ReportSettings settings_;
  PanelTexts panel_;
};

// Runs `write` and returns what `read` gives afterwards, together with the date of
// that day; repeated when the day changed meanwhile.
template <class Write, class Read>
std::string WrittenOnOneDay(Write&& write, Read&& read, std::string& today) {
  for (;;) {
    today = Today();
    write();
    if (Today() == today) return read();
  }
}

}  // namespace kestrune::test

// What the import run tests share: a scratch folder for the logs, a host that records
// what the run asks of the window (and answers its error boxes from a script), and a run
// over the folder's "*.log" with the options and the file list a test sets.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "importing/import_run.h"

namespace kestrune::test {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // The folder, ending with "/".
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

// An IIS log: a software line, a fields line, and one request per text of `requests`
// ("hh:nn:ss c-ip method page"), each answered 200 with 1000 bytes.
std::string RequestLog(const std::vector<std::string>& requests);
// An IIS data line with an invalid date, which the reader rejects.
std::string BadLine();

// Progress and the throttled refresh are not recorded.
class RecordingImportHost : public NullImportHost {
 public:
  struct Box {
    std::string text;
    bool offerCancel;
  };

  void Status(const std::string& message) override { statuses.push_back(message); }
  void LogString(const std::string& message, bool box) override {
    lines.push_back(message);
    lineBoxes.push_back(box);
    calls.push_back("log");
  }
  void ShowStatsNow() override { calls.push_back("refresh"); }
  // The readers' refresh after each line: what a test does while a file is being read.
  void ShowStats() override {
    if (duringRead) duringRead();
  }
  ErrorAnswer ErrorBox(const std::string& text, bool offerCancel) override {
    boxes.push_back({text, offerCancel});
    calls.push_back("box");
    if (answers.empty()) return ErrorAnswer::Ok;
    const ErrorAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowDefaultCursor() override { calls.push_back("cursor"); }
  void DisableAll() override { calls.push_back("disable"); }
  void EnableAll() override { calls.push_back("enable"); }
  void ResetProgress() override { calls.push_back("reset progress"); }

  // The log lines that begin with `prefix`.
  std::vector<std::string> LinesStarting(const std::string& prefix) const;

  std::function<void()> duringRead;
  std::deque<ErrorAnswer> answers;  // the answers to the next error boxes (then OK)
  std::vector<std::string> statuses;
  std::vector<std::string> lines;
  std::vector<bool> lineBoxes;
  std::vector<Box> boxes;
  std::vector<std::string> calls;  // the host's own steps, in order
};

class ImportRunTest : public ::testing::Test {
 protected:
  ImportOutcome Run(const std::string& mask = "*.log");
  // The first line of the last completion message: "Update completed." or "Update FAILED !".
  std::string Completion() const;

  ScratchFolder dir;
  clsImportStats stats;
  RecordingImportHost host;
  ImportOptions options;
  std::vector<ListedFile> listed;
};

}  // namespace kestrune::test

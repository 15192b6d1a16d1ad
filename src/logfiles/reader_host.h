// ReaderHost: what a log reader needs of the window that runs it. The window implements
// it (throttling the panel refresh); tests pass a recording host.
#pragma once

#include <string>

namespace kestrune {

class ReaderHost {
 public:
  virtual ~ReaderHost() = default;
  // Shows a message in the status line.
  virtual void Status(const std::string& message) = 0;
  // Prepares the progress display for `maximum` steps (the line count).
  virtual void InitProgress(int maximum) = 0;
  // The index of the line being processed. Called for every line: keep it cheap.
  virtual void SetProgress(int position) = 0;
  // Shows the progress full.
  virtual void EndProgress() = 0;
  // The statistics changed (called after every line): refresh the panel. Called for
  // every line, so a window throttles it; the driver refreshes exactly after each file.
  virtual void ShowStats() = 0;
};

// A host that shows nothing (benchmarks, fuzzing, unattended tools).
class NullReaderHost : public ReaderHost {
 public:
  void Status(const std::string&) override {}
  void InitProgress(int) override {}
  void SetProgress(int) override {}
  void EndProgress() override {}
  void ShowStats() override {}
};

}  // namespace kestrune

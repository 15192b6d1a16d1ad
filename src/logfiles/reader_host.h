// ReaderHost: what a log reader needs of the window that runs it: the status line and
// the progress display of ProgressHost, and the panel refresh after every line (which is
// where the window's messages get through while a file is read). Tests pass a recording
// host.
#pragma once

#include <string>

#include "util/progress_host.h"

namespace kestrune {

class ReaderHost : public ProgressHost {
 public:
  // The statistics changed (called after every line): refresh the panel. Called for
  // every line, so a window throttles it; the import run refreshes exactly after each
  // file.
  virtual void ShowStats() = 0;
};

// A host that shows nothing (benchmarks, fuzzing, unattended tools).
class NullReaderHost : public ReaderHost {
 public:
  void Status(const std::string&) override {}
  void InitProgress(int) override {}
  void SetProgress(int) override {}
  void EndProgress() override {}
  void ProcessMessages() override {}
  void ShowStats() override {}
};

}  // namespace kestrune

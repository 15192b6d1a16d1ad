// ImportHost: what an import run needs of the window that runs it, beyond what the log
// readers need (status line, progress, the throttled panel refresh): the maintenance log,
// the exact panel refresh, the error box and its answer, the cursor, and the lock of the
// window's commands. The window implements it through an adapter; tests pass a recording
// host.
#pragma once

#include <string>

#include "logfiles/reader_host.h"

namespace kestrune {

enum class ErrorAnswer { Ok, Cancel };

class ImportHost : public ReaderHost {
 public:
  // A line of the maintenance log, also shown in the status line; with `box` also in a
  // message box when the run is attended.
  virtual void LogString(const std::string& message, bool box) = 0;
  // The exact refresh of the panel: every value, the progress position, pending messages.
  virtual void ShowStatsNow() = 0;
  // A message box with `text`, captioned "Error": OK alone, or OK and Cancel when
  // `offerCancel` (OK the default). The button the user chose.
  virtual ErrorAnswer ErrorBox(const std::string& text, bool offerCancel) = 0;
  // The screen cursor back to the default (from the hourglass of DisableAll).
  virtual void ShowDefaultCursor() = 0;
  // Locks the window's commands and shows the hourglass; EnableAll undoes both.
  virtual void DisableAll() = 0;
  virtual void EnableAll() = 0;
  // The progress display back at its minimum, at once.
  virtual void ResetProgress() = 0;
};

// A host that shows nothing and answers every error box with OK (benchmarks, tools).
class NullImportHost : public ImportHost {
 public:
  void Status(const std::string&) override {}
  void InitProgress(int) override {}
  void SetProgress(int) override {}
  void EndProgress() override {}
  void ProcessMessages() override {}
  void ShowStats() override {}
  void LogString(const std::string&, bool) override {}
  void ShowStatsNow() override {}
  ErrorAnswer ErrorBox(const std::string&, bool) override { return ErrorAnswer::Ok; }
  void ShowDefaultCursor() override {}
  void DisableAll() override {}
  void EnableAll() override {}
  void ResetProgress() override {}
};

}  // namespace kestrune

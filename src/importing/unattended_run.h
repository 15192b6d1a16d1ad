// UnattendedRun: what a run of the program driven by command words keeps between its
// words, and the exit status that QUIT ends it with. Starting with at least one word
// makes the run unattended for the rest of the process (the maintenance log then shows
// no boxes). The words report to it: RUN (and every import) its result, REPORT= and
// EXPORT= and TABLE= their failures, QUIT the request to end.
#pragma once

#include "importing/import_run.h"

namespace kestrune {

class UnattendedRun {
 public:
  void SetActive(bool active) { active_ = active; }
  bool Active() const { return active_; }

  void RequestQuit() { quitRequested_ = true; }
  bool QuitRequested() const { return quitRequested_; }

  void ImportEnded(const ImportOutcome& outcome) {
    lastImport_ = outcome.result;
    movesFailed_ = movesFailed_ || outcome.movesFailed > 0;
  }
  ImportResult LastImport() const { return lastImport_; }

  void ReportFailed() { reportFailed_ = true; }
  void ExportFailed() { exportFailed_ = true; }
  void TableFailed() { tableFailed_ = true; }

  // 1 when the last import failed or a file of any import could not be moved (the next
  // run must finish the move), else 2 when a REPORT= word, a workbook export or a
  // TABLE= word failed, else 0.
  int ExitStatus() const {
    if (lastImport_ == ImportResult::Failed || movesFailed_) return 1;
    if (reportFailed_ || exportFailed_ || tableFailed_) return 2;
    return 0;
  }

 private:
  bool active_ = false;
  bool quitRequested_ = false;
  bool reportFailed_ = false;
  bool exportFailed_ = false;
  bool tableFailed_ = false;
  bool movesFailed_ = false;
  ImportResult lastImport_ = ImportResult::None;
};

}  // namespace kestrune

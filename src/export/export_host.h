// ExportHost: what the workbook export needs of the window that runs it. The window
// implements it; tests pass a recording host.
#pragma once

#include <string>

namespace kestrune {

class ExportHost {
 public:
  virtual ~ExportHost() = default;
  // Locks the window's commands and shows the hourglass; EnableAll undoes both.
  virtual void DisableAll() = 0;
  virtual void EnableAll() = 0;
  // Shows a message in the status line (pending window messages get through).
  virtual void Status(const std::string& message) = 0;
  // The progress display: `maximum` steps, the current one, full.
  virtual void InitProgress(int maximum) = 0;
  virtual void SetProgress(int position) = 0;
  virtual void EndProgress() = 0;
  // Lets pending window messages through. Called after every written row: a window
  // throttles it as it does the panel refresh.
  virtual void ProcessMessages() = 0;
};

}  // namespace kestrune

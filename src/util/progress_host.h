// ProgressHost: what long work asks of the window that runs it: the status line, the
// progress display and the letting through of pending window messages. The hosts of the
// log readers, the workbook export, the FTP fetch and the import run build on it; a
// window implements each through a small adapter, tests pass recording hosts.
#pragma once

#include <string>

namespace kestrune {

class ProgressHost {
 public:
  virtual ~ProgressHost() = default;
  // Shows a message in the status line (pending window messages get through).
  virtual void Status(const std::string& message) = 0;
  // Prepares the progress display for `maximum` steps.
  virtual void InitProgress(int maximum) = 0;
  // The step being worked on. May be called for every line or row: keep it cheap.
  virtual void SetProgress(int position) = 0;
  // Shows the progress full (pending window messages get through).
  virtual void EndProgress() = 0;
  // Lets pending window messages through. Called often (after every written row, on
  // every turn of a wait): a window may throttle it.
  virtual void ProcessMessages() = 0;
};

}  // namespace kestrune

// ExportHost: what the workbook export needs of the window that runs it: the status
// line, the progress display and the message pumping of ProgressHost (pumped after every
// written row), and the lock of the window's commands. Tests pass a recording host.
#pragma once

#include "util/progress_host.h"

namespace kestrune {

class ExportHost : public ProgressHost {
 public:
  // Locks the window's commands and shows the hourglass; EnableAll undoes both.
  virtual void DisableAll() = 0;
  virtual void EnableAll() = 0;
};

}  // namespace kestrune

// WindowHost: the window's status line and progress display as the part of a host
// (ProgressHost) that the import run, the export and the FTP fetch share; each adapter
// adds its message pumping and what else its work asks of the window.
#pragma once

#include <string>

#include "app/import_window.h"

namespace kestrune {

template <class Host>
class WindowHost : public Host {
 public:
  explicit WindowHost(TfrmImport& window) : window_(window) {}

  void Status(const std::string& message) override { window_.Status(message); }
  void InitProgress(int maximum) override { window_.InitProgress(maximum); }
  void SetProgress(int position) override { window_.SetProgress(position); }
  void EndProgress() override { window_.EndProgress(); }

 protected:
  TfrmImport& window_;
};

}  // namespace kestrune

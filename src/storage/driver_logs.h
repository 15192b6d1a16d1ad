// DriverLogs: psqlODBC reads its communication and debug log switches from the driver's
// own section of odbcinst.ini (Debian's entry turns CommLog on) and writes a file per
// process into /tmp (or its Logdir) when a connection closes, whatever the connection
// string says. A run must not leave such files behind: the ODBC environment notes the
// log files of this process when it is created and removes those that appeared when it
// is freed, unless a connection string asked for the logs (CommLog=1 or Debug=1).
#pragma once

#include <set>
#include <string>

namespace kestrune {

class DriverLogs {
 public:
  void Note();
  void Connecting(const std::string& connectionString);
  void RemoveNew();

 private:
  std::set<std::string> Current() const;
  bool wanted_ = false;
  bool noted_ = false;
  std::set<std::string> before_;
};

}  // namespace kestrune

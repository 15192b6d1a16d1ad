// Runs the built program as a scheduled job would: no display (the program chooses its
// own platform), no runtime directory (as under cron), its own temporary folder and
// settings file, started in its own folder, with `extra` added to its environment.
// Gives up after a minute.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>

namespace kestrune::test {

struct ProcessOutcome {
  bool finished = false;
  int exitCode = -1;  // -1 when it crashed or was killed
  std::string out, err;
};

inline ProcessOutcome RunUnattended(
    const std::string& program, const std::string& workDir, const std::string& settings,
    const std::string& tmp, const QStringList& args,
    const std::vector<std::pair<const char*, std::string>>& extra = {}) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
    env.remove(QString::fromLatin1(name));
  env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(tmp));
  env.insert(QStringLiteral("KESTRUNE_SETTINGS"), QString::fromStdString(settings));
  for (const auto& [name, value] : extra)
    env.insert(QString::fromLatin1(name), QString::fromStdString(value));
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(QString::fromStdString(workDir));
  p.start(QString::fromStdString(program), args);
  ProcessOutcome o;
  o.finished = p.waitForFinished(60000);
  if (!o.finished) p.kill();
  o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  o.out = p.readAllStandardOutput().toStdString();
  o.err = p.readAllStandardError().toStdString();
  return o;
}

}  // namespace kestrune::test

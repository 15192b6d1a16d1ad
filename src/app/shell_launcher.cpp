#include "app/shell_launcher.h"

#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstdlib>

#include "desktop/shell_link.h"
#include "util/path.h"
#include "util/text.h"

namespace kestrune {
namespace {

// "https://...", "mailto:...": a scheme of two or more characters and a colon.
bool LooksLikeAddress(const std::string& text) {
  std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (!alpha(text[0])) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    char c = text[i];
    if (!alpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

// The program to start, or an errno code.
int FindCommand(const std::string& command, QString& program) {
  QString name = QString::fromStdString(command);
  if (name.isEmpty()) return ENOENT;
  if (!name.contains(QLatin1Char('/'))) {
    program = QStandardPaths::findExecutable(name);
    return program.isEmpty() ? ENOENT : 0;
  }
  QFileInfo info(name);
  if (!info.exists()) return ENOENT;
  if (!info.isFile() || !info.isExecutable()) return EACCES;
  program = info.absoluteFilePath();
  return 0;
}

// File names are bytes in the locale's encoding.
QString FromLocal(const std::string& name) {
  return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

std::string ToLocal(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

}  // namespace

Launcher::Launcher() : command_(DefaultOpenCommand()) {}

Launcher::Launcher(std::string openCommand) : command_(std::move(openCommand)) {}

std::string Launcher::DefaultOpenCommand() {
  const char* command = std::getenv("KESTRUNE_OPEN_COMMAND");
  return command && *command ? command : "xdg-open";
}

int Launcher::ExecuteFile(const std::string& fileName, const std::string& parameters,
                          int showMode) const {
  if (fileName.empty()) return -1;

  std::string file = fileName;
  std::string params = parameters;
  std::string workingDir = ExtractDir(fileName);
  [[maybe_unused]] int show = showMode;  // kept for the request; xdg-open has no such mode

  if (UpperCase(ExtractExt(fileName)) == "LNK") {
    if (std::optional<ShellLink> link = ReadShellLink(fileName)) {
      file = link->targetPath;
      params = link->arguments;
      workingDir = link->workingDirectory;
      show = link->showCommand;
    }
  }

  // A local file is opened by its absolute name; an address is handed on as it is.
  QFileInfo local(FromLocal(file));
  if (local.exists()) {
    file = ToLocal(local.absoluteFilePath());
  } else if (!LooksLikeAddress(file)) {
    return ENOENT;
  }

  QString program;
  if (int rc = FindCommand(command_, program); rc != 0) return rc;

  QString startDir;
  if (!workingDir.empty() && DirectoryExists(workingDir)) {
    // As the desktop shell does: the program keeps this as its current directory.
    if (::chdir(workingDir.c_str()) == 0) startDir = QDir::currentPath();
  }

  QStringList arguments{FromLocal(file)};
  arguments += QProcess::splitCommand(QString::fromStdString(params));
  if (!QProcess::startDetached(program, arguments, startDir)) return ENOEXEC;
  return 0;
}

int Launcher::OpenDocument(const std::string& fileName) const {
  return ExecuteFile(fileName, std::string(), 1);
}

int ExecuteFile(const std::string& fileName, const std::string& parameters, int showMode) {
  return Launcher().ExecuteFile(fileName, parameters, showMode);
}

int OpenDocument(const std::string& fileName) {
  return Launcher().OpenDocument(fileName);
}

}  // namespace kestrune

#include "desktop/shell_launcher.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "desktop/detached_process.h"
#include "desktop/shell_link.h"
#include "util/path.h"
#include "util/text.h"
#include "util/utf8.h"

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

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The folders of $PATH (the system's default path when it is not set), each absolute.
std::vector<std::string> SearchPath() {
  std::string path;
  if (const char* env = std::getenv("PATH")) {
    path = env;
  } else if (std::size_t size = ::confstr(_CS_PATH, nullptr, 0); size > 0) {
    path.resize(size);
    ::confstr(_CS_PATH, path.data(), size);
    path.resize(size - 1);
  }
  std::vector<std::string> folders;
  for (std::size_t pos = 0; pos <= path.size();) {
    std::size_t end = path.find(':', pos);
    if (end == std::string::npos) end = path.size();
    if (end > pos) folders.push_back(AbsolutePath(path.substr(pos, end - pos)));
    pos = end + 1;
  }
  return folders;
}

// The program to start, or an errno code.
int FindCommand(const std::string& command, std::string& program) {
  if (command.empty()) return ENOENT;
  if (command.find('/') == std::string::npos) {
    for (const std::string& folder : SearchPath()) {
      std::string candidate = AbsolutePath(folder + "/" + command);
      if (IsExecutableFile(candidate)) {
        program = std::move(candidate);
        return 0;
      }
    }
    return ENOENT;
  }
  struct stat st {};
  if (::stat(command.c_str(), &st) != 0) return ENOENT;
  if (!IsExecutableFile(command)) return EACCES;
  program = AbsolutePath(command);
  return 0;
}

// White space as Unicode counts it (a no-break space and the ideographic space
// included); a byte that starts no UTF-8 sequence is none.
std::size_t SpaceAt(std::string_view text) {
  char32_t code = 0;
  const std::size_t length = DecodeUtf8(text, code);
  if (length == 0) return 0;
  const bool space = (code >= 0x09 && code <= 0x0D) || code == 0x20 || code == 0x85 ||
                     code == 0xA0 || code == 0x1680 || (code >= 0x2000 && code <= 0x200A) ||
                     code == 0x2028 || code == 0x2029 || code == 0x202F || code == 0x205F ||
                     code == 0x3000;
  return space ? length : 0;
}

}  // namespace

std::vector<std::string> SplitParameters(std::string_view parameters) {
  std::vector<std::string> words;
  std::string word;
  int quotes = 0;  // double quotes in a row just read
  bool quoted = false;
  for (std::size_t i = 0; i < parameters.size();) {
    if (parameters[i] == '"') {
      if (++quotes == 3) {
        quotes = 0;
        word += '"';
      }
      ++i;
      continue;
    }
    if (quotes == 1) quoted = !quoted;
    quotes = 0;
    const std::size_t space = quoted ? 0 : SpaceAt(parameters.substr(i));
    if (space > 0) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
      i += space;
    } else {
      word += parameters[i++];
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

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
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) {
    file = AbsolutePath(file);
  } else if (!LooksLikeAddress(file)) {
    return ENOENT;
  }

  std::string program;
  if (int rc = FindCommand(command_, program); rc != 0) return rc;

  // As the desktop shell does: the program keeps this as its current directory, and the
  // started process inherits it.
  if (!workingDir.empty() && DirectoryExists(workingDir)) (void)::chdir(workingDir.c_str());

  std::vector<std::string> arguments{file};
  for (std::string& word : SplitParameters(params)) arguments.push_back(std::move(word));
  int error = 0;
  if (!StartDetached(program, arguments, error)) return ENOEXEC;
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

// Hands a file, a web address or a mailto: link to the desktop's default handler.
//
// ExecuteFile(file, parameters, showMode):
//   -1 for an empty file name. A file whose extension is LNK (any case) is followed to
//   its target: the shortcut's target, arguments, working directory and show command
//   replace the caller's; a shortcut that cannot be read is launched as a file.
//   The working directory is ExtractDir of the file (or the shortcut's); when it names an
//   existing directory it becomes the current directory of the whole program, and of the
//   started process. A local file name is made absolute first, so the change of
//   directory does not change which file is opened.
//   The open command (default "xdg-open") is started detached, with the file and then
//   the parameters (SplitParameters) as its arguments; never through a shell.
//   Returns 0 when it started, else an errno code: ENOENT for a missing local file or a
//   missing open command, EACCES when the command is not executable, ENOEXEC when it
//   could not be started. The show mode has no counterpart on this desktop.
// OpenDocument(file): ExecuteFile(file, "", 1).
//
// The open command is $KESTRUNE_OPEN_COMMAND when set (tests point it at a script),
// else "xdg-open"; a Launcher may also be given one directly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// The addresses of the Help menu and the about box.
inline constexpr char kProductPageUrl[] = "https://www.kestrune.example/";
inline constexpr char kMakerPageUrl[] = "https://www.vantorel.example/";
inline constexpr char kSupportEmail[] = "support@kestrune.example";
inline constexpr char kSupportMailLink[] = "mailto:support@kestrune.example?subject=Kestrune";

class Launcher {
 public:
  Launcher();  // the open command from the environment, read now
  explicit Launcher(std::string openCommand);

  static std::string DefaultOpenCommand();
  const std::string& OpenCommand() const { return command_; }

  int ExecuteFile(const std::string& fileName, const std::string& parameters, int showMode) const;
  int OpenDocument(const std::string& fileName) const;

 private:
  std::string command_;
};

// `parameters` split into arguments as a command line is: white space between them,
// double quotes around an argument that holds white space (`a"b c"d` is one argument),
// and three double quotes in a row for a double quote itself.
std::vector<std::string> SplitParameters(std::string_view parameters);

// Through a Launcher with the default open command.
int ExecuteFile(const std::string& fileName, const std::string& parameters, int showMode);
int OpenDocument(const std::string& fileName);

}  // namespace kestrune

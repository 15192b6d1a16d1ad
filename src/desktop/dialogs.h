// Dialogs: every modal interaction of the main window (message box, input query, save-file
// dialog) goes through this interface. QtDialogs (app/qt_dialogs.h) shows real Qt dialogs;
// the window tests pass a scripted implementation that answers in order and records what
// was asked, so no test ever waits on a real modal dialog.
#pragma once

#include <optional>
#include <string>

namespace kestrune {

enum class DialogButton : unsigned { None = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };

// A set of buttons, e.g. DialogButtons::OkCancel.
struct DialogButtons {
  unsigned bits = 0;
  constexpr bool Has(DialogButton b) const { return (bits & static_cast<unsigned>(b)) != 0; }
  static constexpr DialogButtons Of(DialogButton a, DialogButton b = DialogButton::None) {
    return DialogButtons{static_cast<unsigned>(a) | static_cast<unsigned>(b)};
  }
  friend constexpr bool operator==(DialogButtons, DialogButtons) = default;
};

enum class DialogIcon { None, Information, Warning, Error, Question };

// What a save-file dialog returned: the chosen name and the index (from 0) of the filter
// selected when it closed.
struct SaveFileChoice {
  std::string fileName;
  int filterIndex = 0;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Shows `text` captioned `caption` with `buttons`; returns the button pressed.
  virtual DialogButton MessageBox(const std::string& text, const std::string& caption,
                                  DialogButtons buttons, DialogButton defaultButton,
                                  DialogIcon icon) = 0;

  // An input dialog with OK and Cancel; the text typed, or nothing on Cancel.
  virtual std::optional<std::string> InputQuery(const std::string& caption,
                                                const std::string& prompt,
                                                const std::string& initial) = 0;

  // A save-file dialog. `filter` lists "Description (*.ext)" entries separated by ";;";
  // `defaultExt` is added by the dialog to a name typed without one. Nothing on Cancel.
  virtual std::optional<SaveFileChoice> SaveFile(const std::string& title,
                                                 const std::string& filter,
                                                 const std::string& defaultExt,
                                                 const std::string& initialName) = 0;
};

}  // namespace kestrune

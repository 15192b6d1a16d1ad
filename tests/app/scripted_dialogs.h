// ScriptedDialogs: the Dialogs of the window tests. Each kind of dialog takes its answers
// from a queue, in order; with the queue empty a message box returns its default button
// and the other dialogs count as cancelled. Every request is recorded.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "desktop/dialogs.h"

namespace kestrune::test {

struct AskedDialog {
  enum class Kind { Box, Input, Save };
  Kind kind = Kind::Box;
  std::string text, caption;  // box
  DialogButtons buttons;
  DialogButton defaultButton = DialogButton::None;
  DialogIcon icon = DialogIcon::None;
  std::string prompt, initial;                         // input (caption too)
  std::string title, filter, defaultExt, initialName;  // save
};

class ScriptedDialogs : public Dialogs {
 public:
  std::deque<DialogButton> boxAnswers;
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<std::optional<SaveFileChoice>> saveAnswers;
  std::vector<AskedDialog> asked;

  std::vector<AskedDialog> Boxes() const {
    std::vector<AskedDialog> out;
    for (const AskedDialog& a : asked)
      if (a.kind == AskedDialog::Kind::Box) out.push_back(a);
    return out;
  }

  DialogButton MessageBox(const std::string& text, const std::string& caption,
                          DialogButtons buttons, DialogButton defaultButton,
                          DialogIcon icon) override {
    AskedDialog a;
    a.kind = AskedDialog::Kind::Box;
    a.text = text;
    a.caption = caption;
    a.buttons = buttons;
    a.defaultButton = defaultButton;
    a.icon = icon;
    asked.push_back(a);
    if (boxAnswers.empty()) return defaultButton;
    const DialogButton answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
  }

  std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override {
    AskedDialog a;
    a.kind = AskedDialog::Kind::Input;
    a.caption = caption;
    a.prompt = prompt;
    a.initial = initial;
    asked.push_back(a);
    if (inputAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
  }

  std::optional<SaveFileChoice> SaveFile(const std::string& title, const std::string& filter,
                                         const std::string& defaultExt,
                                         const std::string& initialName) override {
    AskedDialog a;
    a.kind = AskedDialog::Kind::Save;
    a.title = title;
    a.filter = filter;
    a.defaultExt = defaultExt;
    a.initialName = initialName;
    asked.push_back(a);
    if (saveAnswers.empty()) return std::nullopt;
    std::optional<SaveFileChoice> answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }
};

}  // namespace kestrune::test

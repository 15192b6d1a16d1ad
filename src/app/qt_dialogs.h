// QtDialogs: the program's Dialogs, shown with Qt's standard dialogs, owned by `parent`.
//
// When the program chose the offscreen platform itself (an unattended start without a
// display), nobody could answer a dialog: then a message box returns its default button
// at once and its caption and text go to the log sink, and input and save dialogs count
// as cancelled.
#pragma once

#include <functional>
#include <string>

#include "desktop/dialogs.h"

class QString;
class QWidget;

namespace kestrune {

// The least width of a message box whose title bar shows `caption` whole.
int MessageBoxWidthForCaption(const QString& caption, const QWidget& box);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(bool headless, QWidget* parent = nullptr);

  void SetParent(QWidget* parent) { parent_ = parent; }
  // Where a headless message box writes "<caption>: <text>" (the maintenance log).
  void SetLogSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

  DialogButton MessageBox(const std::string& text, const std::string& caption,
                          DialogButtons buttons, DialogButton defaultButton,
                          DialogIcon icon) override;
  std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override;
  std::optional<SaveFileChoice> SaveFile(const std::string& title, const std::string& filter,
                                         const std::string& defaultExt,
                                         const std::string& initialName) override;

 private:
  bool headless_;
  QWidget* parent_;
  std::function<void(const std::string&)> sink_;
};

}  // namespace kestrune

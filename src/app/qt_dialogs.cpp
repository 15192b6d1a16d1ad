#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStringList>
#include <QStyle>

#include "app/qt_text.h"

namespace kestrune {

namespace {

QMessageBox::StandardButton ToQt(DialogButton b) {
  switch (b) {
    case DialogButton::Ok:
      return QMessageBox::Ok;
    case DialogButton::Cancel:
      return QMessageBox::Cancel;
    case DialogButton::Yes:
      return QMessageBox::Yes;
    case DialogButton::No:
      return QMessageBox::No;
    case DialogButton::None:
      break;
  }
  return QMessageBox::NoButton;
}

DialogButton FromQt(int b) {
  switch (b) {
    case QMessageBox::Ok:
      return DialogButton::Ok;
    case QMessageBox::Cancel:
      return DialogButton::Cancel;
    case QMessageBox::Yes:
      return DialogButton::Yes;
    case QMessageBox::No:
      return DialogButton::No;
    default:
      return DialogButton::None;
  }
}

QMessageBox::Icon ToQt(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::Information:
      return QMessageBox::Information;
    case DialogIcon::Warning:
      return QMessageBox::Warning;
    case DialogIcon::Error:
      return QMessageBox::Critical;
    case DialogIcon::Question:
      return QMessageBox::Question;
    case DialogIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// The button a box closed without a choice (Escape, close box) stands for.
DialogButton EscapeAnswer(DialogButtons buttons, DialogButton defaultButton) {
  if (buttons.Has(DialogButton::Cancel)) return DialogButton::Cancel;
  if (buttons.Has(DialogButton::No)) return DialogButton::No;
  return defaultButton;
}

}  // namespace

int MessageBoxWidthForCaption(const QString& caption, const QWidget& box) {
  // Title bars draw their caption in a bold face of the box's font, beside the window's
  // icon and up to three buttons, each about a title bar's height wide.
  QFont bold = box.font();
  bold.setBold(true);
  const int titleBar = box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
  return QFontMetrics(bold).horizontalAdvance(caption) + 4 * titleBar + 16;
}

QtDialogs::QtDialogs(bool headless, QWidget* parent) : headless_(headless), parent_(parent) {}

DialogButton QtDialogs::MessageBox(const std::string& text, const std::string& caption,
                                   DialogButtons buttons, DialogButton defaultButton,
                                   DialogIcon icon) {
  if (headless_) {
    if (sink_) {
      std::string shown = text;
      while (!shown.empty() && (shown.back() == '\r' || shown.back() == '\n')) shown.pop_back();
      sink_(caption + ": " + shown);
    }
    return defaultButton;
  }
  QMessageBox::StandardButtons qtButtons;
  for (DialogButton b :
       {DialogButton::Ok, DialogButton::Cancel, DialogButton::Yes, DialogButton::No}) {
    if (buttons.Has(b)) qtButtons |= ToQt(b);
  }
  QMessageBox box(ToQt(icon), ToQString(caption), ToDisplayText(text), qtButtons, parent_);
  box.setDefaultButton(ToQt(defaultButton));
  // A box is as wide as its text, and a short text would leave the caption cut in the
  // title bar ("Dat…ror"): a spacer across the box's grid keeps room for the whole caption.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(MessageBoxWidthForCaption(box.windowTitle(), box), 0,
                                  QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  const DialogButton pressed = FromQt(box.exec());
  return pressed == DialogButton::None ? EscapeAnswer(buttons, defaultButton) : pressed;
}

std::optional<std::string> QtDialogs::InputQuery(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& initial) {
  if (headless_) return std::nullopt;
  QInputDialog dialog(parent_);
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setWindowTitle(ToQString(caption));
  dialog.setLabelText(ToQString(prompt));
  dialog.setTextValue(ToQString(initial));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return ToStdString(dialog.textValue());
}

std::optional<SaveFileChoice> QtDialogs::SaveFile(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& defaultExt,
                                                  const std::string& initialName) {
  if (headless_) return std::nullopt;
  const QStringList filters = ToQString(filter).split(QStringLiteral(";;"));
  QFileDialog dialog(parent_, ToQString(title));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(ToQString(defaultExt));
  dialog.setOption(QFileDialog::HideNameFilterDetails, false);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
  dialog.selectFile(ToQString(initialName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  SaveFileChoice choice;
  choice.fileName = ToStdString(chosen.front());
  choice.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
  if (choice.filterIndex < 0) choice.filterIndex = 0;
  return choice;
}

}  // namespace kestrune

// Editing of the three configuration lists in their list boxes: INS asks for a new entry,
// DEL removes the selected one after a confirmation, with any shift state. The list box
// mirrors its list: after every change its items are a fresh copy of the list.
#include <QListWidget>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "util/text.h"

namespace kestrune {

namespace {

template <class T>
void Mirror(const KeyedList<T>& list, QListWidget* listBox) {
  listBox->clear();
  for (int i = 0; i < list.Count(); ++i) listBox->addItem(ToQString(list.Key(i)));
}

}  // namespace

bool TfrmImport::ListKeyDown(QListWidget* listBox, int key) {
  const bool ins = key == Qt::Key_Insert;
  if (!ins && key != Qt::Key_Delete) return false;
  if (listBox == lbDownloadExt) {
    if (ins)
      AddToSl("Downloadable extension:", &stats_->slDownloadExt, listBox);
    else
      RemoveFromSl("Remove from download extension:", &stats_->slDownloadExt, listBox);
  } else if (listBox == lbIgnoreExt) {
    if (ins)
      AddToSl("Ignore pages with extension:", &stats_->slIgnoreExt, listBox);
    else
      RemoveFromSl("Stop ignoring extension:", &stats_->slIgnoreExt, listBox);
  } else if (listBox == lbIgnoreIP) {
    if (ins)
      AddToSl("Ignore users with IP address:", &stats_->slIgnoreIP, listBox);
    else
      RemoveFromSl("Stop ignoring user:", &stats_->slIgnoreIP, listBox);
  } else {
    return false;
  }
  return true;  // the key is used up
}

template <class T>
void TfrmImport::AddToSl(const std::string& prompt, KeyedList<T>* list, QListWidget* listBox) {
  const std::optional<std::string> input = dialogs_.InputQuery("Add", prompt, "");
  if (!input || list == nullptr) return;
  const std::string text = UpperCase(TrimBlanks(ShortText(*input)));
  if (text.empty() || list->IndexOf(text) >= 0) return;
  list->Add(text);
  Mirror(*list, listBox);
}

template <class T>
void TfrmImport::RemoveFromSl(const std::string& prompt, KeyedList<T>* list, QListWidget* listBox) {
  const QList<QListWidgetItem*> selected = listBox->selectedItems();
  if (selected.isEmpty()) return;
  const int index = listBox->row(selected.front());
  const DialogButton answer =
      dialogs_.MessageBox(prompt + "\r\n" + ToStdString(selected.front()->text()), "Remove",
                          DialogButtons::Of(DialogButton::Yes, DialogButton::No), DialogButton::Yes,
                          DialogIcon::Question);
  if (answer != DialogButton::Yes || list == nullptr) return;
  if (index < 0 || index >= list->Count()) return;
  list->Delete(index);  // frees the entry's object with it
  Mirror(*list, listBox);
}

template void TfrmImport::AddToSl(const std::string&, KeyedList<clsDLExtObject>*, QListWidget*);
template void TfrmImport::AddToSl(const std::string&, KeyedList<clsIgnoreExtObject>*, QListWidget*);
template void TfrmImport::AddToSl(const std::string&, KeyedList<clsIgnoreIPObject>*, QListWidget*);
template void TfrmImport::RemoveFromSl(const std::string&, KeyedList<clsDLExtObject>*,
                                       QListWidget*);
template void TfrmImport::RemoveFromSl(const std::string&, KeyedList<clsIgnoreExtObject>*,
                                       QListWidget*);
template void TfrmImport::RemoveFromSl(const std::string&, KeyedList<clsIgnoreIPObject>*,
                                       QListWidget*);

}  // namespace kestrune

// The screen cursor as one setting: the hourglass while work runs, else the default.
// Both calls may be repeated; the default restores every override set before.
#pragma once

#include <QApplication>
#include <QCursor>

namespace kestrune {

inline void ShowHourglass() {
  if (QApplication::overrideCursor())
    QApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
  else
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

inline void ShowDefaultCursor() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

}  // namespace kestrune

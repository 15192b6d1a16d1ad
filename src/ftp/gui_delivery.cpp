#include "ftp/gui_delivery.h"

#include <QMetaObject>
#include <QObject>

namespace kestrune {

FtpTransfer::Poster QueuedOnThreadOf(QObject* receiver) {
  return [receiver](std::function<void()> call) {
    QMetaObject::invokeMethod(receiver, std::move(call), Qt::QueuedConnection);
  };
}

}  // namespace kestrune

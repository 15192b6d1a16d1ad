// Delivery of a transfer's states on the thread of a Qt object (the main window): each
// posted function becomes a queued call, run when that thread lets events through.
#pragma once

#include "ftp/ftp_transfer.h"

class QObject;

namespace kestrune {

// A poster for FtpTransfer that queues onto `receiver`'s thread. `receiver` must
// outlive every transfer that uses the poster.
FtpTransfer::Poster QueuedOnThreadOf(QObject* receiver);

}  // namespace kestrune

// Allowed: ftp queues onto the window's thread.
#include <QObject>

#include "util/text.h"

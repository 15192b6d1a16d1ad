// Allowed: sees Qt through the window header.
#include "app/declares_qt.h"

// Faulty on purpose: reports include storage, beside them.
#include "storage/database.h"
#include "util/text.h"

// Allowed: export writes the reports' texts.
#include "reports/report_format.h"
#include "stats/import_stats.h"

// Allowed: the top layer sees every other.
#include <QWidget>

#include "desktop/settings_store.h"
#include "export/export_run.h"
#include "importing/import_run.h"
#include "storage/database.h"

// Faulty on purpose: util includes the window.
#pragma once

#include "app/import_window.h"

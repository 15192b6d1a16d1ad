// Faulty on purpose: a path that names no layer.
#pragma once

#include "../util/text.h"

// Faulty on purpose: nothing of Qt in the top layer.
#pragma once

#include "app/plain_too.h"

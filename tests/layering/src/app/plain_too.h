// Faulty on purpose: nothing of Qt here either.
#pragma once

#include <string>

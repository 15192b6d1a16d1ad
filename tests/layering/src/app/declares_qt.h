// Allowed: a Qt class declared is Qt seen.
#pragma once

class QWidget;

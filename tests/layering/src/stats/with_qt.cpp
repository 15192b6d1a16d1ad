// Faulty on purpose: the statistics see Qt.
#include <QString>

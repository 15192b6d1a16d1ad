// The application-wide set-up shared by the program and the window tests: the
// application name "Kestrune", Qt's "Windows" style and Liberation Sans 8 pt, with which
// every caption and value of the main window fits its fixed place.
#pragma once

class QApplication;

namespace kestrune {

void ConfigureApplication(QApplication& app);

}  // namespace kestrune

#pragma once

#include <QString>

namespace qz {

// The program-wide long time format (a QTime format string). The tray program sets it to
// "hh:mm" right after its application object exists, so every time shown with it carries
// hours and minutes without seconds. Until then it is the system's long time format.
QString longTimeFormat();
void setLongTimeFormat(const QString& format);

} // namespace qz

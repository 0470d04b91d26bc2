#pragma once

#include <QString>

namespace qz {

// The program folder is the folder of the running executable; every relative file name of
// the program (language file, help, database, settings) is joined to it. The settings file
// is named after the executable: its file name up to the first '.', plus ".ini" (QZ55xx.exe
// and QZ55xx give QZ55xx.ini, a.b.exe gives a.ini).

// The folder of an executable path, ending in '/'. The platform's own separator counts too
// (a backslash on Windows; on Linux a backslash is part of a name). A bare file name gives
// "./".
QString exeDirOf(const QString& executablePath);

// The settings file name (no folder) of an executable path.
QString iniFileNameOf(const QString& executablePath);

// The same for the running executable; they need the application object.
QString ExeDir();
QString IniFileName();

} // namespace qz

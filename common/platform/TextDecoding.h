#pragma once

#include <QByteArray>
#include <QString>

namespace qz {

// Text files of existing installations are in the Windows-1251 code page; the files we ship
// and write are UTF-8. A file that is valid UTF-8 is read as such, any other as
// Windows-1251.
QString decodeLegacyText(const QByteArray& bytes);

// Windows-1251 alone, for bytes known to be in that code page.
QString decodeWindows1251(const QByteArray& bytes);

} // namespace qz

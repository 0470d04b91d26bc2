#include "tray/shell/ui/LongTimeFormat.h"

#include <QLocale>

namespace qz {

namespace {
QString& storedFormat()
{
    static QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    return format;
}
} // namespace

QString longTimeFormat()
{
    return storedFormat();
}

void setLongTimeFormat(const QString& format)
{
    storedFormat() = format;
}

} // namespace qz

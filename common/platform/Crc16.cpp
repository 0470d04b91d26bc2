#include "common/platform/Crc16.h"

#include "common/platform/TextDecoding.h"

#include <QHash>
#include <QStringView>

namespace qz {

namespace {

// The upper half of Windows-1251, character to byte, built from the decoder so that the
// two directions cannot disagree.
const QHash<char32_t, char>& windows1251Upper()
{
    static const QHash<char32_t, char> table = [] {
        QHash<char32_t, char> t;
        QByteArray upper;
        for (int b = 0x80; b <= 0xFF; ++b)
            upper.append(char(b));
        const QString decoded = decodeWindows1251(upper);
        for (int i = 0; i < decoded.size(); ++i)
            t.insert(decoded[i].unicode(), upper[i]);
        return t;
    }();
    return table;
}

} // namespace

uint16_t crc16X25(QByteArrayView bytes)
{
    uint16_t crc = 0xFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? uint16_t((crc >> 1) ^ 0x8408u) : uint16_t(crc >> 1);
    }
    return uint16_t(crc ^ 0xFFFFu);
}

QByteArray passwordBytes(const QString& password)
{
    const auto& upper = windows1251Upper();
    QByteArray out;
    out.reserve(password.size());
    for (const char32_t cp : QStringView(password).toUcs4()) {
        if (cp < 0x80)
            out.append(char(cp));
        else
            out.append(upper.value(cp, '?'));
    }
    return out;
}

uint16_t passwordHash(const QString& password)
{
    return crc16X25(passwordBytes(password));
}

} // namespace qz

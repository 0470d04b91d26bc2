#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace qz {

// CRC-16/X-25: reflected polynomial 0x1021 (0x8408), register preset to 0xFFFF, result
// inverted. "123456789" gives 0x906E.
uint16_t crc16X25(QByteArrayView bytes);

// The bytes of a password as the settings of existing installations hashed them: one byte
// per character in the Windows-1251 code page, so ASCII stays ASCII and Cyrillic letters
// keep their old byte. A character outside that code page becomes '?', one per character.
QByteArray passwordBytes(const QString& password);

// The stored hash of a password: CRC-16/X-25 of its bytes.
uint16_t passwordHash(const QString& password);

} // namespace qz

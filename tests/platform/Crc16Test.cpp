#include "common/platform/Crc16.h"

#include <gtest/gtest.h>

TEST(Crc16, X25CheckValues)
{
    struct Case {
        QByteArray bytes;
        uint16_t crc;
    };
    // Worked out independently from the CCITT (non-reflected) routine on bit-reversed
    // bytes; "123456789" is the published check value.
    const Case cases[] = {
        {QByteArray("123456789"), 0x906E}, {QByteArray(), 0x0000},
        {QByteArray("1"), 0xD072},         {QByteArray("A"), 0xA3F5},
        {QByteArray("password"), 0x55A1},  {QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC"), 0x3DB0},
        {QByteArray("\x88"), 0xF838},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        EXPECT_EQ(qz::crc16X25(c.bytes), c.crc);
    }
}

TEST(Crc16, PasswordsAreHashedInTheWindows1251CodePage)
{
    struct Case {
        QString password;
        QByteArray bytes;
    };
    const Case cases[] = {
        {QStringLiteral("123456789"), QByteArray("123456789")},
        {QStringLiteral("пароль"), QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC")},
        {QStringLiteral("ЁёЯ"), QByteArray("\xA8\xB8\xDF")},
        {QStringLiteral("€№"), QByteArray("\x88\xB9")},
        // Outside the code page: one '?' per character, also for a surrogate pair.
        {QStringLiteral("a漢b"), QByteArray("a?b")},
        {QString::fromUtf8("x\xF0\x9F\x98\x80y"), QByteArray("x?y")},
        {QString(), QByteArray()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password.toStdString());
        EXPECT_EQ(qz::passwordBytes(c.password), c.bytes);
        EXPECT_EQ(qz::passwordHash(c.password), qz::crc16X25(c.bytes));
    }
    EXPECT_EQ(qz::passwordHash(QStringLiteral("пароль")), 0x3DB0);
}

#include "tray/link/Protocol.h"

#include "tests/link/ScriptedLink.h"
#include "tray/link/DeviceValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

using namespace qz;
using namespace qz::test;

namespace {

// One exchange a primitive must make: the exact request, the capacity handed to the link
// and the answer length announced to it.
struct Expected {
    QByteArray request;
    int32_t capacity;
    int32_t expectedLength;
};

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

Expected readOf(uint8_t reg, int32_t capacity = 15, int32_t expectedLength = 8)
{
    return {hex("830005B1") + QByteArray(1, char(reg)), capacity, expectedLength};
}

Expected wordWrite(uint8_t reg, uint16_t word)
{
    QByteArray r = hex("82000AB1");
    r.append(char(reg)).append(hex("720005")).append(char(word & 0xFF)).append(char(word >> 8));
    return {r, 15, 3};
}

Expected longWrite(uint8_t reg, const char* valueHex)
{
    return {hex("82000AB1") + QByteArray(1, char(reg)) + hex("F2") + hex(valueHex), 15, 3};
}

Expected commandOf(uint8_t reg)
{
    return {hex("820005B1") + QByteArray(1, char(reg)), 15, 3};
}

QString num(double v)
{
    return QString::number(v, 'g', 15);
}

// How a primitive judges its answers.
enum class Checks { Full, TransferOnly, SettingsBlock };

// A primitive call that reports its output as text whether or not it succeeded, starting
// from a sentinel, so that "output unchanged" can be checked on failure.
using Call = std::function<bool(DeviceProtocol&, QString& out)>;

struct Case {
    const char* name;
    Call call;
    std::vector<QByteArray> answers;
    std::vector<Expected> exchanges;
    QString expectedOut;
    QString untouched;
    Checks checks = Checks::Full;
};

const double kSentinel = -777.0;
const uint16_t kSentinelWord = 0xABCD;
const uint8_t kSentinelByte = 0xAB;

template <class T, class F> Call readCall(F f, T sentinel)
{
    return [f, sentinel](DeviceProtocol& p, QString& out) {
        T v = sentinel;
        const bool ok = f(p, v);
        out = num(double(v));
        return ok;
    };
}

template <class F> Call textCall(F f)
{
    return [f](DeviceProtocol& p, QString& out) {
        out = QStringLiteral("untouched");
        return f(p, out);
    };
}

template <class F> Call writeCall(F f)
{
    return [f](DeviceProtocol& p, QString& out) {
        out = QStringLiteral("-");
        return f(p);
    };
}

#define READ(T, SENT, EXPR) readCall<T>([](DeviceProtocol& p, T& v) { return p.EXPR(v); }, SENT)
#define WRITE(EXPR) writeCall([](DeviceProtocol& p) { return p.EXPR; })

const double kClockDays = 36161.0 + 794432 / 1440.0;           // minutes count 0x0C1F40
const double kClockSecondsDays = 36161.0 + 0x03F401 / 86400.0; // seconds count 0x0003F401

std::vector<Case> primitiveCases()
{
    const QByteArray ack = writeAnswer();
    const QString wordU = num(kSentinelWord), realU = num(kSentinel), byteU = num(kSentinelByte);
    return {
        // M and GN families.
        {"ReadReg91",
         READ(uint16_t, kSentinelWord, ReadReg91),
         {wordAnswer(0x0AB7)},
         {readOf(0x91)},
         num(0x0AB7 >> 2),
         wordU},
        {"WriteReg91", WRITE(WriteReg91(0xC2AD)), {ack}, {wordWrite(0x91, 0x0AB4)}, "-", "-"},
        {"ReadCoeffN",
         READ(double, kSentinel, ReadCoeffN),
         {wordAnswer(123)},
         {readOf(0x90)},
         num(12.3),
         realU},
        {"WriteCoeffN half to even",
         WRITE(WriteCoeffN(12.25)),
         {ack},
         {wordWrite(0x90, 122)},
         "-",
         "-"},
        {"ReadHistTime",
         READ(uint16_t, kSentinelWord, ReadHistTime),
         {wordAnswer(0xFFF0)},
         {readOf(0xD1)},
         num(0xFFF0),
         wordU},
        {"WriteHistTime", WRITE(WriteHistTime(0xBEEF)), {ack}, {wordWrite(0xD1, 0xBEEF)}, "-", "-"},
        {"ReadRegD2",
         READ(double, kSentinel, ReadRegD2),
         {wordAnswer(8192)},
         {readOf(0xD2)},
         num(2.5),
         realU},
        {"ReadDeviceClock ignores d3",
         READ(double, kSentinel, ReadDeviceClock),
         {longAnswer(0x40, 0x1F, 0x0C, 0xFF)},
         {readOf(0xD5)},
         num(kClockDays),
         realU},
        {"WriteDeviceClock",
         WRITE(WriteDeviceClock(kClockDays)),
         {ack},
         {longWrite(0xD5, "401F0C00")},
         "-",
         "-"},
        {"WriteNextHistMark", WRITE(WriteNextHistMark(45)), {ack}, {wordWrite(0xD6, 45)}, "-", "-"},
        {"ReadFlagsD4",
         READ(uint16_t, kSentinelWord, ReadFlagsD4),
         {wordAnswer(0x9703)},
         {readOf(0xD4)},
         num(0x9703),
         wordU},
        {"WriteFlagsD4", WRITE(WriteFlagsD4(0x1234)), {ack}, {wordWrite(0xD4, 0x1234)}, "-", "-"},
        {"ReadFlagsD3",
         READ(uint16_t, kSentinelWord, ReadFlagsD3),
         {wordAnswer(0x2770)},
         {readOf(0xD3)},
         num(0x2770),
         wordU},
        {"WriteFlagsD3", WRITE(WriteFlagsD3(0x4321)), {ack}, {wordWrite(0xD3, 0x4321)}, "-", "-"},
        {"ReadUnitFlag set",
         READ(uint8_t, kSentinelByte, ReadUnitFlag),
         {wordAnswer(0x0020)},
         {readOf(0xD3)},
         "1",
         byteU},
        {"ReadUnitFlag clear",
         READ(uint8_t, kSentinelByte, ReadUnitFlag),
         {wordAnswer(0xFFDF)},
         {readOf(0xD3)},
         "0",
         byteU},
        {"ReadRegC9",
         READ(uint16_t, kSentinelWord, ReadRegC9),
         {wordAnswer(1000)},
         {readOf(0xC9)},
         "1000",
         wordU},
        {"SetMemoryAddress",
         WRITE(SetMemoryAddress(0x0102)),
         {ack},
         {wordWrite(0x00, 0x0102)},
         "-",
         "-"},
        {"ReadMemoryWord",
         READ(uint16_t, kSentinelWord, ReadMemoryWord),
         {wordAnswer(0x2007)},
         {readOf(0x9C)},
         num(0x2007),
         wordU},
        {"WriteMemoryWord",
         WRITE(WriteMemoryWord(0x8001)),
         {ack},
         {wordWrite(0x9C, 0x8001)},
         "-",
         "-"},
        {"ClearHistory", WRITE(ClearHistory()), {ack}, {commandOf(0x42)}, "-", "-"},
        {"SendCommandD0", WRITE(SendCommandD0()), {ack}, {commandOf(0xD0)}, "-", "-"},
        {"ReadNameText",
         textCall([](DeviceProtocol& p, QString& t) { return p.ReadNameText(t); }),
         {bytesAnswer("QZ_Pager_GN")},
         {readOf(0xD7, 50, 20)},
         "QZ_Pager_GN",
         "",
         Checks::TransferOnly},
        {"ReadModelText",
         textCall([](DeviceProtocol& p, QString& t) { return p.ReadModelText(t); }),
         {bytesAnswer(" 5520GNO ")},
         {readOf(0xD8, 50, 20)},
         " 5520GNO ",
         "",
         Checks::TransferOnly},
        {"ReadNumberText",
         textCall([](DeviceProtocol& p, QString& t) { return p.ReadNumberText(t); }),
         {bytesAnswer("001234")},
         {readOf(0x01, 30, 20)},
         "001234",
         "",
         Checks::TransferOnly},

        // Memory cells.
        {"ReadCell32",
         READ(double, kSentinel, ReadCell32),
         {ack, wordAnswer(0x0FAA)},
         {wordWrite(0x00, 32), readOf(0x9C)},
         num(1.5),
         realU},
        {"WriteCell32 keeps low byte",
         WRITE(WriteCell32(2.5)),
         {ack, wordAnswer(0x0FAA), ack},
         {wordWrite(0x00, 32), readOf(0x9C), wordWrite(0x9C, 0x19AA)},
         "-",
         "-"},
        {"WriteCell32 masks to a byte",
         WRITE(WriteCell32(30.0)),
         {ack, wordAnswer(0x0F11), ack},
         {wordWrite(0x00, 32), readOf(0x9C), wordWrite(0x9C, 0x2C11)},
         "-",
         "-"},
        {"ReadCell42",
         READ(uint16_t, kSentinelWord, ReadCell42),
         {ack, wordAnswer(500)},
         {wordWrite(0x00, 42), readOf(0x9C)},
         "500",
         wordU},
        {"WriteCell42",
         WRITE(WriteCell42(0xFFFF)),
         {ack, ack},
         {wordWrite(0x00, 42), wordWrite(0x9C, 0xFFFF)},
         "-",
         "-"},
        {"AdvancedMarker present",
         READ(bool, false, AdvancedMarker),
         {ack, wordAnswer(0x2007)},
         {wordWrite(0x00, 52), readOf(0x9C)},
         "1",
         "0"},
        {"AdvancedMarker absent",
         READ(bool, true, AdvancedMarker),
         {ack, wordAnswer(0x0720)},
         {wordWrite(0x00, 52), readOf(0x9C)},
         "0",
         "1"},
        {"ReadCell54",
         READ(double, kSentinel, ReadCell54),
         {ack, wordAnswer(150)},
         {wordWrite(0x00, 54), readOf(0x9C)},
         "150",
         realU},
        {"WriteCell54",
         WRITE(WriteCell54(150.5)),
         {ack, ack},
         {wordWrite(0x00, 54), wordWrite(0x9C, 150)},
         "-",
         "-"},
        {"WriteCell54 saturates",
         WRITE(WriteCell54(1.0e6)),
         {ack, ack},
         {wordWrite(0x00, 54), wordWrite(0x9C, 0xFFFF)},
         "-",
         "-"},
        {"ReadCell56",
         READ(double, kSentinel, ReadCell56),
         {ack, wordAnswer(25)},
         {wordWrite(0x00, 56), readOf(0x9C)},
         num(2.5),
         realU},
        {"WriteCell56",
         WRITE(WriteCell56(2.5)),
         {ack, ack},
         {wordWrite(0x00, 56), wordWrite(0x9C, 25)},
         "-",
         "-"},
        {"ReadCell80",
         READ(uint8_t, kSentinelByte, ReadCell80),
         {ack, wordAnswer(0x1234)},
         {wordWrite(0x00, 80), readOf(0x9C)},
         num(0x34),
         byteU},
        {"WriteCell80 keeps high byte",
         WRITE(WriteCell80(0x7F)),
         {ack, wordAnswer(0x1234), ack},
         {wordWrite(0x00, 80), readOf(0x9C), wordWrite(0x9C, 0x127F)},
         "-",
         "-"},
        {"ReadCell81",
         READ(double, kSentinel, ReadCell81),
         {ack, wordAnswer(0x5628)},
         {wordWrite(0x00, 81), readOf(0x9C)},
         num(2.5),
         realU},
        {"WriteCell81 keeps high byte",
         WRITE(WriteCell81(16.0)),
         {ack, wordAnswer(0x56FF), ack},
         {wordWrite(0x00, 81), readOf(0x9C), wordWrite(0x9C, 0x5600)},
         "-",
         "-"},
        {"ReadCellFloat102",
         READ(double, kSentinel, ReadCellFloat102),
         {ack, wordAnswer(0x8816), ack, wordAnswer(0x0000)},
         {wordWrite(0x00, 102), readOf(0x9C), wordWrite(0x00, 104), readOf(0x9C)},
         "300",
         realU},
        {"WriteCellFloat102",
         WRITE(WriteCellFloat102(-10.0)),
         {ack, ack, ack, ack},
         {wordWrite(0x00, 102), wordWrite(0x9C, 0x83A0), wordWrite(0x00, 104),
          wordWrite(0x9C, 0x0000)},
         "-",
         "-"},
        {"ReadUnitCode",
         READ(uint8_t, kSentinelByte, ReadUnitCode),
         {ack, wordAnswer(0xFF03)},
         {wordWrite(0x00, 255), readOf(0x9C)},
         "3",
         byteU},

        // K family.
        {"ReadHistSeconds",
         READ(uint16_t, kSentinelWord, ReadHistSeconds),
         {wordAnswer(600)},
         {readOf(0x98)},
         "600",
         wordU},
        {"WriteHistSeconds", WRITE(WriteHistSeconds(600)), {ack}, {wordWrite(0x98, 600)}, "-", "-"},
        {"WriteReg99", WRITE(WriteReg99(1)), {ack}, {wordWrite(0x99, 1)}, "-", "-"},
        {"ReadClockSeconds",
         READ(double, kSentinel, ReadClockSeconds),
         {longAnswer(0x01, 0xF4, 0x03, 0x00)},
         {readOf(0x11)},
         num(kClockSecondsDays),
         realU},
        {"ReadClockSeconds before the epoch",
         READ(double, kSentinel, ReadClockSeconds),
         {longAnswer(0xFF, 0xFF, 0xFF, 0xFF)},
         {readOf(0x11)},
         num(36161.0 - 1 / 86400.0),
         realU},
        {"WriteClockSeconds",
         WRITE(WriteClockSeconds(kClockSecondsDays)),
         {ack},
         {longWrite(0x11, "01F40300")},
         "-",
         "-"},
        {"ReadCoeffNK",
         READ(double, kSentinel, ReadCoeffNK),
         {wordAnswer(15)},
         {readOf(0xB5)},
         num(1.5),
         realU},
        {"WriteCoeffNK", WRITE(WriteCoeffNK(1.5)), {ack}, {wordWrite(0xB5, 15)}, "-", "-"},
        {"ReadCoeffNNK",
         READ(double, kSentinel, ReadCoeffNNK),
         {wordAnswer(0x2805)},
         {readOf(0xBC)},
         num(2.5),
         realU},
        {"ReadTIzmNK",
         READ(uint8_t, kSentinelByte, ReadTIzmNK),
         {wordAnswer(0x2805)},
         {readOf(0xBC)},
         "5",
         byteU},
        {"WriteRegBC", WRITE(WriteRegBC(5, 2.5)), {ack}, {wordWrite(0xBC, 0x2805)}, "-", "-"},
        {"ReadFlagsB7",
         READ(uint16_t, kSentinelWord, ReadFlagsB7),
         {wordAnswer(0x1703)},
         {readOf(0xB7)},
         num(0x1703),
         wordU},
        {"WriteFlagsB7", WRITE(WriteFlagsB7(0x1703)), {ack}, {wordWrite(0xB7, 0x1703)}, "-", "-"},
        {"ReadPorogGeiger",
         READ(double, kSentinel, ReadPorogGeiger),
         {longAnswer(0x16, 0x88, 0x00, 0x00)},
         {readOf(0xDC)},
         "300",
         realU},
        {"WritePorogGeiger",
         WRITE(WritePorogGeiger(1.5)),
         {ack},
         {longWrite(0xDC, "40800000")},
         "-",
         "-"},
        {"ReadSettingsBlock",
         [](DeviceProtocol& p, QString& out) {
             QByteArray block("untouched");
             const bool ok = p.ReadSettingsBlock(block);
             out = QString::fromLatin1(block.toHex());
             return ok;
         },
         {bytesAnswer(QByteArray(53, '\x11'))},
         {readOf(0xD1, 70, 59)},
         QString::fromLatin1(QByteArray(53, '\x11').toHex()),
         QString::fromLatin1(QByteArray("untouched").toHex()),
         Checks::SettingsBlock},
        {"WriteSettingsBlock sends bytes 0 to 50",
         WRITE(WriteSettingsBlock(QByteArray(53, 'x'))),
         {ack},
         {{hex("82003BB1D1720036") + QByteArray(51, 'x'), 70, 3}},
         "-",
         "-"},

        // Composite.
        {"ReadVersionText",
         [](DeviceProtocol& p, QString& out) {
             bool flag = false;
             QString text = "untouched";
             const bool ok = p.ReadVersionText(flag, &text);
             out = text + (flag ? "|new" : "|old");
             return ok;
         },
         {ack, bytesAnswer(QByteArray("QZ5520 #V.2.1\0\0\0", 16))},
         {longWrite(0x82, "00C01000"), readOf(0x80, 25, 22)},
         "qz5520 #v.2.1|new",
         "untouched|old"},
    };
}

#undef READ
#undef WRITE

void expectExchanges(const ScriptedLink& link, const std::vector<Expected>& expected)
{
    ASSERT_EQ(link.requests.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "exchange " << i);
        EXPECT_EQ(formatFrameHex(link.requests[i].bytes), formatFrameHex(expected[i].request));
        EXPECT_EQ(link.requests[i].requestLength, expected[i].request.size());
        EXPECT_EQ(link.requests[i].capacity, expected[i].capacity);
        EXPECT_EQ(link.requests[i].expectedLength, expected[i].expectedLength);
    }
}

} // namespace

TEST(Protocol, PrimitivesSendExactFramesAndConvertAnswers)
{
    for (const Case& c : primitiveCases()) {
        SCOPED_TRACE(c.name);
        ScriptedLink link;
        for (const auto& a : c.answers)
            link.queueAnswer(a);
        DeviceProtocol protocol(link);
        QString out;
        EXPECT_TRUE(c.call(protocol, out));
        EXPECT_EQ(out, c.expectedOut);
        expectExchanges(link, c.exchanges);
    }
}

TEST(Protocol, FailedTransferStopsAtOnceAndLeavesOutputUnchanged)
{
    for (const Case& c : primitiveCases()) {
        for (size_t failing = 0; failing < c.answers.size(); ++failing) {
            SCOPED_TRACE(testing::Message() << c.name << ", transfer " << failing << " fails");
            ScriptedLink link;
            for (const auto& a : c.answers)
                link.queueAnswer(a);
            link.failAt = int(failing);
            DeviceProtocol protocol(link);
            QString out;
            EXPECT_FALSE(c.call(protocol, out));
            EXPECT_EQ(out, c.untouched);
            EXPECT_EQ(link.requests.size(), failing + 1);
        }
    }
}

namespace {

struct Mutation {
    const char* name;
    std::function<QByteArray(QByteArray)> apply;
    bool settingsBlockAccepts; // the settings block read is lenient on length and byte 2
};

const Mutation kMutations[] = {
    {"byte 0 is 0x90 (partial answer)", [](QByteArray a) { return a.replace(0, 1, "\x90"); },
     false},
    {"byte 0 is 0x00", [](QByteArray a) { return a.replace(0, 1, QByteArray(1, '\0')); }, false},
    {"byte 1 not zero", [](QByteArray a) { return a.replace(1, 1, "\x01"); }, false},
    {"byte 2 off by one",
     [](QByteArray a) { return a.replace(2, 1, QByteArray(1, char(a[2] + 1))); }, true},
    {"one byte short", [](QByteArray a) { return a.left(a.size() - 1); }, true},
    {"one byte long", [](QByteArray a) { return a + QByteArray(1, '\0'); }, true},
    {"tag changed",
     [](QByteArray a) {
         return a.size() > 3 ? a.replace(3, 1, QByteArray(1, char(a[3] ^ 0x80))) : a;
     },
     false},
};

} // namespace

TEST(Protocol, AnswersFailingAFieldCheckAreRejected)
{
    for (const Case& c : primitiveCases()) {
        for (size_t target = 0; target < c.answers.size(); ++target) {
            for (const Mutation& m : kMutations) {
                const QByteArray mutated = m.apply(c.answers[target]);
                if (mutated == c.answers[target])
                    continue; // e.g. no tag in a write answer
                SCOPED_TRACE(testing::Message()
                             << c.name << ", answer " << target << ": " << m.name);
                ScriptedLink link;
                for (size_t i = 0; i < c.answers.size(); ++i)
                    link.queueAnswer(i == target ? mutated : c.answers[i]);
                DeviceProtocol protocol(link);
                QString out;
                const bool ok = c.call(protocol, out);
                const bool accepted = c.checks == Checks::TransferOnly ||
                                      (c.checks == Checks::SettingsBlock && m.settingsBlockAccepts);
                if (accepted) {
                    EXPECT_TRUE(ok);
                } else {
                    EXPECT_FALSE(ok);
                    EXPECT_EQ(out, c.untouched);
                    EXPECT_EQ(link.requests.size(), target + 1);
                }
            }
        }
    }
}

TEST(Protocol, MemoryWordReadRequiresTwoByteCount)
{
    for (const char* count : {"0004", "0105", "0006"}) {
        SCOPED_TRACE(count);
        ScriptedLink link;
        link.queueAnswer(hex("A0000872") + hex(count) + hex("0720"));
        DeviceProtocol protocol(link);
        uint16_t word = kSentinelWord;
        EXPECT_FALSE(protocol.ReadMemoryWord(word));
        EXPECT_EQ(word, kSentinelWord);
    }
    // Other word registers take whatever count the instrument sends.
    ScriptedLink link;
    link.queueAnswer(hex("A0000872") + hex("0004") + hex("0720"));
    DeviceProtocol protocol(link);
    uint16_t word = 0;
    EXPECT_TRUE(protocol.ReadFlagsD3(word));
    EXPECT_EQ(word, 0x2007);
}

TEST(Protocol, TextReadsTakeBytesSixToTheEnd)
{
    struct TextCase {
        QByteArray answer;
        QString text;
    };
    const TextCase cases[] = {
        {hex("A000067200"), ""},              // 5 bytes
        {hex("A00006720003"), ""},            // 6 bytes: nothing after the header
        {hex("A0000772000431"), "1"},         // 7 bytes: one character
        {hex("90FF00FF00FF41C0"), "A\u0410"}, // header not checked; 8-bit text is Windows-1251
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.answer.toHex().constData());
        ScriptedLink link;
        link.queueAnswer(c.answer);
        DeviceProtocol protocol(link);
        QString text = "old";
        EXPECT_TRUE(protocol.ReadNumberText(text));
        EXPECT_EQ(text, c.text);
    }
}

TEST(Protocol, AnswerLongerThanTheCapacityIsNoAnswer)
{
    // A link reporting more bytes than the buffer holds would make us read beyond it.
    ScriptedLink::Answer tooLong{bytesAnswer("12345"), true, 51};
    ScriptedLink link;
    link.queueAnswer(tooLong);
    DeviceProtocol protocol(link);
    QString text = "old";
    EXPECT_FALSE(protocol.ReadNameText(text));
    EXPECT_EQ(text, "");

    ScriptedLink link2;
    link2.queueAnswer(ScriptedLink::Answer{wordAnswer(5), true, -1});
    link2.queueAnswer(ScriptedLink::Answer{wordAnswer(5), true, 16});
    DeviceProtocol protocol2(link2);
    uint16_t w = 0;
    EXPECT_TRUE(protocol2.ReadHistTime(w));
    w = 0;
    EXPECT_FALSE(protocol2.ReadHistTime(w));
    EXPECT_EQ(w, 0);
}

TEST(Protocol, SettingsBlockLengthDecidesTheShift)
{
    struct ShiftCase {
        int answerLength;
        bool accepted;
        int shift;
    };
    const ShiftCase cases[] = {
        {51, false, -1}, {52, true, 1}, {56, true, 0}, {59, true, 1}, {70, true, 1}};
    for (const ShiftCase& c : cases) {
        SCOPED_TRACE(c.answerLength);
        QByteArray data;
        for (int i = 0; i < c.answerLength - 6; ++i)
            data.append(char(i));
        ScriptedLink link;
        // A 56-byte answer first, so a later shift of 1 is visible as a change.
        link.queueAnswer(bytesAnswer(QByteArray(50, '\0')));
        link.queueAnswer(bytesAnswer(data));
        DeviceProtocol protocol(link);
        QByteArray block;
        ASSERT_TRUE(protocol.ReadSettingsBlock(block));
        ASSERT_EQ(protocol.BlockShift(), 0);
        block = "kept";
        EXPECT_EQ(protocol.ReadSettingsBlock(block), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(block, data);
            EXPECT_EQ(protocol.BlockShift(), c.shift);
        } else {
            EXPECT_EQ(block, "kept");
            EXPECT_EQ(protocol.BlockShift(), 0);
        }
    }
}

TEST(Protocol, SettingsBlockWritePadsAShortBlockWithZeros)
{
    ScriptedLink link;
    link.queueAnswer(writeAnswer());
    DeviceProtocol protocol(link);
    ASSERT_TRUE(protocol.WriteSettingsBlock(QByteArray(50, '\x5A')));
    ASSERT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(link.requests[0].bytes,
              hex("82003BB1D1720036") + QByteArray(50, '\x5A') + QByteArray(1, '\0'));
}

TEST(Protocol, VersionFlagLooksForTheMarkBeforeTheFirstZero)
{
    struct VersionCase {
        QByteArray text16;
        const char* text;
        bool flag;
    };
    const VersionCase cases[] = {
        {QByteArray("FW #V.3\0#v.\0\0\0\0\0\0", 16), "fw #v.3", true},
        {QByteArray("fw #v.3 ok pager", 16), "fw #v.3 ok pager", true},
        {QByteArray("FW V.3\0#v.\0\0\0\0\0\0\0", 16), "fw v.3", false},
        {QByteArray("FW #V3\0\0\0\0\0\0\0\0\0\0", 16), "fw #v3", false},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(c.text);
        ScriptedLink link;
        link.queueAnswer(writeAnswer());
        link.queueAnswer(bytesAnswer(c.text16));
        DeviceProtocol protocol(link);
        bool flag = !c.flag;
        QString text;
        ASSERT_TRUE(protocol.ReadVersionText(flag, &text));
        EXPECT_EQ(flag, c.flag);
        EXPECT_EQ(text, c.text);
    }
}

TEST(Protocol, SetClockAndHistMarkWritesClockThenMinutesToTheMark)
{
    // Day 45000 is a whole number of days after the epoch, so its minutes count is a
    // multiple of every k.
    const auto at = [](int h, int m) { return 45000.0 + (h * 60 + m) / 1440.0; };
    struct MarkCase {
        uint16_t interval;
        double now;
        uint16_t minutes;
    };
    const MarkCase cases[] = {
        {45, at(10, 7), 8},  // 5 and 15 divide 45; 15 is the last: 15 - 7
        {7, at(10, 7), 1},   // no k divides 7
        {60, at(10, 0), 60}, // on the mark: a whole period, never 0
        {0, at(10, 7), 53},  // 0 counts as a multiple of everything; 60 wins
        {10, at(23, 59), 1}, // 10 - 9
        {20, at(0, 0), 20},  {30, at(10, 7), 23},
    };
    for (const MarkCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "interval " << c.interval << " at " << c.now);
        ScriptedLink link;
        link.queueAnswer(writeAnswer());
        link.queueAnswer(writeAnswer());
        DeviceProtocol protocol(link);
        ASSERT_TRUE(protocol.SetClockAndHistMark(c.interval, c.now));
        const uint32_t n = dateTimeToMinutesCount(c.now);
        char clock[9];
        std::snprintf(clock, sizeof clock, "%02X%02X%02X%02X", n & 0xFF, (n >> 8) & 0xFF,
                      (n >> 16) & 0xFF, n >> 24);
        expectExchanges(link, {longWrite(0xD5, clock), wordWrite(0xD6, c.minutes)});
    }
}

TEST(Protocol, SetClockAndHistMarkFailsWithEitherWrite)
{
    for (int failing : {0, 1}) {
        SCOPED_TRACE(failing);
        ScriptedLink link;
        link.queueAnswer(writeAnswer());
        link.queueAnswer(writeAnswer());
        link.failAt = failing;
        DeviceProtocol protocol(link);
        EXPECT_FALSE(protocol.SetClockAndHistMark(60, 45000.0));
        EXPECT_EQ(link.requests.size(), size_t(failing + 1));
    }
}

TEST(Protocol, FrameLoggerSeesEveryExchangeAsHex)
{
    EXPECT_EQ(formatFrameHex(hex("830005b191")), "83 00 05 B1 91");
    EXPECT_EQ(formatFrameHex(QByteArray()), "");

    ScriptedLink link;
    link.queueAnswer(wordAnswer(123));
    link.queueFailure();
    DeviceProtocol protocol(link);
    std::vector<FrameRecord> log;
    protocol.setFrameLogger([&log](const FrameRecord& r) { log.push_back(r); });

    double coeff = 0;
    EXPECT_TRUE(protocol.ReadCoeffN(coeff));
    EXPECT_FALSE(protocol.ClearHistory());
    // The raw exchange of the history read passes the same way.
    uint8_t buffer[200] = {0x83, 0x00, 0x03, 0xB1, 0xD0};
    int32_t length = 128;
    EXPECT_FALSE(protocol.Exchange(buffer, 200, 5, length));

    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(formatFrameHex(log[0].request), "83 00 05 B1 90");
    EXPECT_EQ(formatFrameHex(log[0].answer), "A0 00 08 72 00 05 7B 00");
    EXPECT_TRUE(log[0].transferred);
    EXPECT_EQ(log[0].capacity, 15);
    EXPECT_EQ(log[0].expectedLength, 8);
    EXPECT_EQ(formatFrameHex(log[1].request), "82 00 05 B1 42");
    EXPECT_FALSE(log[1].transferred);
    EXPECT_TRUE(log[1].answer.isEmpty());
    EXPECT_EQ(formatFrameHex(log[2].request), "83 00 03 B1 D0");
    EXPECT_EQ(log[2].capacity, 200);
    EXPECT_EQ(log[2].expectedLength, 128);

    QStringList lines;
    const FrameLogger hexLog = makeHexFrameLogger([&lines](const QString& l) { lines << l; });
    hexLog(log[0]);
    hexLog(log[1]);
    EXPECT_EQ(lines, QStringList({"> 83 00 05 B1 90", "< A0 00 08 72 00 05 7B 00",
                                  "> 82 00 05 B1 42", "< no answer"}));
}

TEST(Protocol, ValueConversionsSaturateInsteadOfWrapping)
{
    struct SatCase {
        double in;
        uint16_t word;
        uint8_t byte;
    };
    const SatCase cases[] = {
        {-1.0, 0, 0},           {0.5, 0, 0},          {1.5, 2, 2},
        {254.5, 254, 254},      {255.5, 256, 255},    {65534.5, 65534, 255},
        {65535.6, 0xFFFF, 255}, {1e300, 0xFFFF, 255}, {std::nan(""), 0, 0},
    };
    for (const SatCase& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(toWordSaturated(c.in), c.word);
        EXPECT_EQ(toByteSaturated(c.in), c.byte);
    }
}

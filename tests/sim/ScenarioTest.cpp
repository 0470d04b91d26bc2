#include "SimTestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace qz::sim;
using namespace qz::sim::test;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The example of the format description, so that the documentation cannot drift away from
// what the loader takes.
QByteArray readmeExample()
{
    const QString readme =
        QString::fromUtf8(readFile(QStringLiteral(QZ_SOURCE_DIR "/sim/README.md")));
    const auto match = QRegularExpression(QStringLiteral("```json\\n(.*?)```"),
                                          QRegularExpression::DotMatchesEverythingOption)
                           .match(readme);
    return match.captured(1).toUtf8();
}

std::unique_ptr<SimulatedLink> load(const QByteArray& json)
{
    QString error;
    auto link = SimulatedLink::fromScenarioJson(json, &error);
    EXPECT_TRUE(link) << error.toStdString();
    return link;
}

} // namespace

TEST(Scenario, DocumentedExampleLoadsAsDescribed)
{
    const QByteArray json = readmeExample();
    ASSERT_FALSE(json.isEmpty());
    auto link = load(json);
    ASSERT_TRUE(link);
    ASSERT_EQ(link->instrumentCount(), 3);
    EXPECT_FALSE(link->clock().followsSystem());
    EXPECT_EQ(link->clock().now(), QDateTime(QDate(2025, 6, 2), QTime(9, 0)));

    const SimInstrument& gn = link->instrument(0);
    EXPECT_EQ(gn.family, Family::GNBasic);
    EXPECT_EQ(gn.layout, HistoryLayout::O);
    EXPECT_EQ(gn.announcedName, "QZ5520GN#1234");
    EXPECT_FALSE(gn.answersIdentity);
    EXPECT_EQ(gn.versionText, "qz55 #v.2.01");
    EXPECT_TRUE(gn.unitFlag());
    EXPECT_EQ(gn.word(0xD3), 0x0220) << "the unit bit joins the default flags";
    EXPECT_EQ(gn.word(0xD1), 30);
    EXPECT_EQ(gn.word(0x90), 12);
    EXPECT_EQ(gn.memoryWord(52), 0x2007);
    EXPECT_EQ(gn.memoryWord(54), 150);
    EXPECT_EQ(link->instrumentClock(0), QDateTime(QDate(2025, 6, 2), QTime(8, 57)));
    ASSERT_EQ(gn.historyRecordCount(), 3);
    const qint64 alarmMinutes = QDate(1999, 1, 1).daysTo(QDate(2025, 6, 1)) * 1440 + 10 * 60 + 12;
    QByteArray alarm(8, '\0');
    for (int i = 0; i < 4; ++i)
        alarm[i] = char((alarmMinutes >> (8 * i)) & 0xFF);
    alarm[4] = char(0xA4);
    alarm[5] = 0x01;
    alarm[6] = 'A';
    EXPECT_EQ(hexText(gn.history.mid(8, 8)), hexText(alarm));
    EXPECT_EQ(hexText(gn.history.mid(16, 8)), "EC 86 D2 00 14 0A 53 00");

    const SimInstrument& pager = link->instrument(1);
    EXPECT_EQ(pager.family, Family::GNExtended);
    EXPECT_EQ(pager.layout, HistoryLayout::PG);
    EXPECT_TRUE(pager.answersIdentity);
    EXPECT_EQ(pager.nameText, "QZ_pager_GN");
    EXPECT_EQ(pager.modelText, "5520GNO");
    EXPECT_EQ(pager.numberText, "77");
    ASSERT_EQ(pager.faults.size(), 1u);
    EXPECT_EQ(pager.faults[0].kind, FaultKind::NoAnswer);
    EXPECT_EQ(pager.faults[0].reg, 0x40);
    EXPECT_EQ(pager.faults[0].times, 1);

    const SimInstrument& k = link->instrument(2);
    EXPECT_EQ(k.family, Family::K);
    EXPECT_EQ(k.settingsBlock.size(), 53);
    EXPECT_EQ(uint8_t(k.settingsBlock[14]), 0xFF);
    EXPECT_EQ(uint8_t(k.settingsBlock[13]), 0x00);
    EXPECT_EQ(k.historyRecordCount(), 2);
    EXPECT_EQ(k.history.at(31), '0') << "the raw bytes follow the records";
    EXPECT_EQ(k.leavesRangeAfter, 40);
}

TEST(Scenario, DemoScenarioHoldsPlausibleInstruments)
{
    QString error;
    auto link = SimulatedLink::fromScenarioFile(
        QStringLiteral(QZ_SOURCE_DIR "/data/demo/scenario.json"), &error);
    ASSERT_TRUE(link) << error.toStdString();
    EXPECT_TRUE(link->clock().followsSystem());
    ASSERT_GE(link->instrumentCount(), 3);
    QSet<char> kinds;
    for (int i = 0; i < link->instrumentCount(); ++i) {
        const SimInstrument& s = link->instrument(i);
        SCOPED_TRACE(s.announcedName.toStdString());
        EXPECT_GE(s.historyRecordCount(), 10);
        EXPECT_LE(s.historyRecordCount(), 40);
        EXPECT_EQ(s.history.size() % historyRecordSize(s.layout), 0);
        const int kindByte =
            s.layout == HistoryLayout::O ? 6 : (s.layout == HistoryLayout::K ? 15 : 3);
        for (int r = 0; r < s.historyRecordCount(); ++r)
            kinds.insert(s.history.at(r * historyRecordSize(s.layout) + kindByte));
    }
    for (char kind : {'A', 'F', 'S', 's', '0', '1', 'C'})
        EXPECT_TRUE(kinds.contains(kind)) << kind;
    EXPECT_TRUE(link->findInstrument("QZ5520GN#1234"));
    const SimInstrument* pager = link->findInstrument("QZ_Pager_GN");
    ASSERT_TRUE(pager);
    EXPECT_EQ(pager->modelText, "5520GNO");
    EXPECT_EQ(pager->layout, HistoryLayout::PG);
}

TEST(Scenario, MistakesAreReportedWithTheirPlace)
{
    struct {
        const char* json;
        const char* error; // part of the error text
    } const cases[] = {
        {"{", "not valid JSON"},
        {"[]", "must be a JSON object"},
        {R"({"instrument": []})", "unknown key \"instrument\""},
        {R"({"now": "yesterday"})", "now: \"yesterday\" is not a date-time"},
        {R"({"instruments": {}})", "instruments: an array is needed"},
        {R"({"instruments": [{"number": 1}]})", "instruments[0].model: a string is needed"},
        {R"({"instruments": [{"model": "QZ9999"}]})", "unknown model \"QZ9999\""},
        {R"({"instruments": [{"model": "X", "family": "m-large"}]})", "family: \"m-large\""},
        {R"({"instruments": [{"model": "QZ5520M", "layout": "Q"}]})", "layout: \"Q\""},
        {R"({"instruments": [{"model": "QZ5520M", "colour": 1}]})", "unknown key \"colour\""},
        {R"({"instruments": [{"model": "QZ5520M", "number": 1.5}]})", "number: not an integer"},
        {R"({"instruments": [{"model": "QZ5520M", "registers": {"0x91": 70000}}]})",
         "registers.0x91: 70000 is outside 0..65535"},
        {R"({"instruments": [{"model": "QZ5520M", "registers": {"0x1FF": 1}}]})",
         "registers.0x1FF: 511 is outside"},
        {R"({"instruments": [{"model": "QZ5520M", "registers": {"0x91": {"word": 1, "long": 2}}}]})",
         "give one of word, long, float"},
        {R"({"instruments": [{"model": "QZ5520M", "memory": {"x": 1}}]})",
         "memory.x: \"x\" is not an integer"},
        {R"({"instruments": [{"model": "QZ6610K", "settingsBlock": "00 11"}]})",
         "2 bytes; a block has 53"},
        {R"({"instruments": [{"model": "QZ6610K", "historyHex": "0G"}]})",
         "'G' is not a hex digit"},
        {R"({"instruments": [{"model": "QZ6610K", "historyHex": "012"}]})", "odd number"},
        {R"({"instruments": [{"model": "QZ5520M", "version": "a version text too long"}]})",
         "longer than 16"},
        {R"({"instruments": [{"model": "QZ5520M", "history": [{"minutes": 1}]}]})",
         "history[0].kind: a string is needed"},
        {R"({"instruments": [{"model": "QZ5520M", "history": [{"kind": "AB", "minutes": 1}]}]})",
         "history[0].kind: one ASCII character"},
        {R"({"instruments": [{"model": "QZ5520M", "history": [{"kind": "A"}]}]})",
         "history[0]: give exactly one of time, minutes, seconds"},
        {R"({"instruments": [{"model": "QZ5520M", "history": [{"kind": "A", "minutes": 1, "seconds": 2}]}]})",
         "give exactly one of"},
        {R"({"instruments": [{"model": "QZ5520M", "history": [{"kind": "A", "minutes": 1, "value": "big"}]}]})",
         "history[0].value: a number is needed"},
        {R"({"instruments": [{"model": "QZ5520M", "faults": [{"kind": "slow"}]}]})",
         "faults[0].kind: \"slow\" is none of"},
        {R"({"instruments": [{"model": "QZ5520M", "faults": [{"kind": "noAnswer", "skip": -1}]}]})",
         "faults[0].skip: -1 is outside"},
        {R"({"instruments": [{"model": "QZ5520M"}, {"model": "QZ5520M", "clock": 5}]})",
         "instruments[1].clock: a string is needed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        QString error;
        EXPECT_EQ(SimulatedLink::fromScenarioJson(c.json, &error), nullptr);
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.error))) << error.toStdString();
    }
}

TEST(Scenario, MissingFileIsAnError)
{
    QString error;
    EXPECT_EQ(SimulatedLink::fromScenarioFile(QStringLiteral("/nonexistent/scenario.json"), &error),
              nullptr);
    EXPECT_TRUE(error.startsWith("/nonexistent/scenario.json: ")) << error.toStdString();
}

TEST(Scenario, ShortScenarioTakesTheFamilyDefaults)
{
    auto link = load(R"({"initFails": true, "instruments": [
        {"model": "QZ5520M", "number": 77, "announcedName": "QZ5520M n: 77", "inRange": false},
        {"model": "QZ6610K", "registers": {"0xDC": 1, "0x12": {"long": "0x01020304"}},
         "rawAnswers": {"0x98": "A0 00 08 72 00 05 01"}}]})");
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->initFails());
    const SimInstrument& m = link->instrument(0);
    const SimInstrument reference(Family::MBasic, "QZ5520M", 77, "QZ5520M n: 77");
    EXPECT_EQ(m.family, Family::MBasic);
    EXPECT_FALSE(m.inRange);
    EXPECT_EQ(m.memory, reference.memory);
    EXPECT_EQ(m.word(0xD3), reference.word(0xD3));
    EXPECT_TRUE(m.history.isEmpty());

    SimInstrument& k = link->instrument(1);
    EXPECT_EQ(k.announcedName, "QZ6610K#1");
    EXPECT_TRUE(k.registers.at(0xDC).isLong) << "a plain number keeps the long register long";
    EXPECT_EQ(k.longValue(0xDC), 1u);
    EXPECT_EQ(k.longValue(0x12), 0x01020304u);

    link->setInitFails(false);
    ASSERT_TRUE(link->InitIrDAEx());
    QStringList names;
    ASSERT_TRUE(link->FindDeviceEx(names));
    EXPECT_EQ(names, QStringList{"QZ6610K#1"});
    ASSERT_TRUE(link->ConnectDevIrDAEx(0));
    EXPECT_EQ(hexText(exchange(*link, hexBytes("83 00 05 B1 98")).value_or(QByteArray())),
              "A0 00 08 72 00 05 01");
    EXPECT_EQ(hexText(exchange(*link, hexBytes("83 00 05 B1 12")).value_or(QByteArray())),
              "A0 00 08 F2 04 03 02 01");
}

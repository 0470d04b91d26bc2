// Reads a scenario (format in sim/README.md) into a simulated link. Every mistake is an
// error naming where it is: a scenario that silently differed from what its author wrote
// would make a test or a demo show something else than intended.

#include "sim/SimulatedLink.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <optional>

namespace qz::sim {

namespace {

struct ScenarioError {
    QString text;
};

[[noreturn]] void fail(const QString& where, const QString& what)
{
    throw ScenarioError{where.isEmpty() ? what : where + QStringLiteral(": ") + what};
}

void checkKeys(const QJsonObject& o, const QString& where, std::initializer_list<const char*> known)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        bool ok = false;
        for (const char* k : known)
            ok = ok || it.key() == QLatin1String(k);
        if (!ok)
            fail(where, QStringLiteral("unknown key \"%1\"").arg(it.key()));
    }
}

// An integer given as a JSON number or as a string in decimal or 0x-hex.
qint64 toInteger(const QJsonValue& v, const QString& where, qint64 min, qint64 max)
{
    qint64 n = 0;
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (d != std::floor(d) || std::fabs(d) > 9.0e15)
            fail(where, QStringLiteral("not an integer"));
        n = qint64(d);
    } else if (v.isString()) {
        bool ok = false;
        n = v.toString().trimmed().toLongLong(&ok, 0);
        if (!ok)
            fail(where, QStringLiteral("\"%1\" is not an integer").arg(v.toString()));
    } else {
        fail(where, QStringLiteral("an integer is needed"));
    }
    if (n < min || n > max)
        fail(where, QStringLiteral("%1 is outside %2..%3").arg(n).arg(min).arg(max));
    return n;
}

double toReal(const QJsonValue& v, const QString& where)
{
    if (!v.isDouble())
        fail(where, QStringLiteral("a number is needed"));
    return v.toDouble();
}

QString toText(const QJsonValue& v, const QString& where)
{
    if (!v.isString())
        fail(where, QStringLiteral("a string is needed"));
    return v.toString();
}

bool toBool(const QJsonValue& v, const QString& where)
{
    if (v.isBool())
        return v.toBool();
    return toInteger(v, where, 0, 1) != 0;
}

QByteArray toHexBytes(const QJsonValue& v, const QString& where)
{
    QString text = toText(v, where);
    text.remove(u' ').remove(u'\n').remove(u'\t').remove(u':');
    if (text.size() % 2 != 0)
        fail(where, QStringLiteral("odd number of hex digits"));
    for (QChar c : text) {
        if (!c.isDigit() && !QStringLiteral("abcdefABCDEF").contains(c))
            fail(where, QStringLiteral("'%1' is not a hex digit").arg(c));
    }
    return QByteArray::fromHex(text.toLatin1());
}

QDateTime toDateTime(const QJsonValue& v, const QString& where)
{
    const QString text = toText(v, where);
    const QDateTime t = QDateTime::fromString(text, Qt::ISODate);
    if (!t.isValid())
        fail(where, QStringLiteral("\"%1\" is not a date-time like 2025-06-02T09:00:00").arg(text));
    return t;
}

QJsonObject toObject(const QJsonValue& v, const QString& where)
{
    if (!v.isObject())
        fail(where, QStringLiteral("an object is needed"));
    return v.toObject();
}

QJsonArray toArray(const QJsonValue& v, const QString& where)
{
    if (!v.isArray())
        fail(where, QStringLiteral("an array is needed"));
    return v.toArray();
}

QString sub(const QString& where, const QString& key)
{
    return where + u'.' + key;
}

QString sub(const QString& where, int index)
{
    return where + QStringLiteral("[%1]").arg(index);
}

uint8_t toRegister(const QString& key, const QString& where)
{
    return uint8_t(toInteger(QJsonValue(key), where, 0, 255));
}

void readRegisters(SimInstrument& s, const QJsonObject& o, const QString& where)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QString at = sub(where, it.key());
        const uint8_t reg = toRegister(it.key(), at);
        const QJsonValue v = it.value();
        if (v.isObject()) {
            const QJsonObject typed = v.toObject();
            checkKeys(typed, at, {"word", "long", "float"});
            if (typed.size() != 1)
                fail(at, QStringLiteral("give one of word, long, float"));
            if (typed.contains(u"word"))
                s.setWord(reg, uint16_t(toInteger(typed[u"word"], sub(at, "word"), 0, 0xFFFF)));
            else if (typed.contains(u"long"))
                s.setLong(reg, uint32_t(toInteger(typed[u"long"], sub(at, "long"), -0x80000000LL,
                                                  0xFFFFFFFFLL)));
            else
                s.setFloat(reg, toReal(typed[u"float"], sub(at, "float")));
            continue;
        }
        // A plain number keeps the register's type: a long where the family has one.
        const auto existing = s.registers.find(reg);
        if (existing != s.registers.end() && existing->second.isLong)
            s.setLong(reg, uint32_t(toInteger(v, at, -0x80000000LL, 0xFFFFFFFFLL)));
        else
            s.setWord(reg, uint16_t(toInteger(v, at, 0, 0xFFFF)));
    }
}

HistoryRecord readRecord(const QJsonObject& o, const QString& where)
{
    checkKeys(o, where, {"kind", "time", "minutes", "seconds", "word", "aux", "value", "neutron"});
    HistoryRecord r;
    const QString kind = toText(o[u"kind"], sub(where, "kind"));
    if (kind.size() != 1 || kind[0].unicode() > 0x7F)
        fail(sub(where, "kind"), QStringLiteral("one ASCII character is needed"));
    r.kind = char(kind[0].unicode());
    const int times =
        int(o.contains(u"time")) + int(o.contains(u"minutes")) + int(o.contains(u"seconds"));
    if (times != 1)
        fail(where, QStringLiteral("give exactly one of time, minutes, seconds"));
    if (o.contains(u"time"))
        r.when = toDateTime(o[u"time"], sub(where, "time"));
    else if (o.contains(u"minutes"))
        r.count = toInteger(o[u"minutes"], sub(where, "minutes"), -0x80000000LL, 0xFFFFFFFFLL);
    else
        r.count = toInteger(o[u"seconds"], sub(where, "seconds"), -0x80000000LL, 0x7FFFFFFFLL);
    if (o.contains(u"word"))
        r.word = uint16_t(toInteger(o[u"word"], sub(where, "word"), 0, 0xFFFF));
    if (o.contains(u"aux"))
        r.aux = uint8_t(toInteger(o[u"aux"], sub(where, "aux"), 0, 255));
    if (o.contains(u"value"))
        r.value = toReal(o[u"value"], sub(where, "value"));
    if (o.contains(u"neutron"))
        r.neutron = toReal(o[u"neutron"], sub(where, "neutron"));
    return r;
}

Fault readFault(const QJsonObject& o, const QString& where)
{
    checkKeys(o, where, {"kind", "register", "skip", "times", "value"});
    Fault f;
    const QString kind = toText(o[u"kind"], sub(where, "kind"));
    const auto k = faultKindFromName(kind);
    if (!k)
        fail(sub(where, "kind"),
             QStringLiteral("\"%1\" is none of noAnswer, wrongStatus, shortAnswer, wrongLength")
                 .arg(kind));
    f.kind = *k;
    if (o.contains(u"register"))
        f.reg = int(toInteger(o[u"register"], sub(where, "register"), 0, 255));
    if (o.contains(u"skip"))
        f.skip = int(toInteger(o[u"skip"], sub(where, "skip"), 0, 1000000));
    if (o.contains(u"times"))
        f.times = int(toInteger(o[u"times"], sub(where, "times"), -1, 1000000));
    if (o.contains(u"value"))
        f.value = int(toInteger(o[u"value"], sub(where, "value"), 0, 255));
    return f;
}

void readInstrument(SimulatedLink& link, const QJsonObject& o, const QString& where)
{
    checkKeys(o, where,
              {"announcedName", "model",           "family",    "number",     "layout",
               "identity",      "nameText",        "modelText", "numberText", "version",
               "unitCode",      "unitFlag",        "clock",     "inRange",    "registers",
               "memory",        "settingsBlock",   "history",   "historyHex", "rawAnswers",
               "faults",        "leavesRangeAfter"});
    const QString model = toText(o[u"model"], sub(where, "model"));
    std::optional<Family> family;
    if (o.contains(u"family")) {
        const QString name = toText(o[u"family"], sub(where, "family"));
        family = familyFromName(name);
        if (!family)
            fail(sub(where, "family"),
                 QStringLiteral("\"%1\" is none of m-basic, m-extended, gn-basic, gn-extended, k")
                     .arg(name));
    } else {
        family = familyOfModel(model);
        if (!family)
            fail(sub(where, "model"),
                 QStringLiteral("unknown model \"%1\"; give its family").arg(model));
    }
    const int number = o.contains(u"number")
                           ? int(toInteger(o[u"number"], sub(where, "number"), 0, 0x7FFFFFFF))
                           : 1;
    const QString announced = o.contains(u"announcedName")
                                  ? toText(o[u"announcedName"], sub(where, "announcedName"))
                                  : QString();
    SimInstrument s(*family, model, number, announced);

    if (o.contains(u"layout")) {
        const QString name = toText(o[u"layout"], sub(where, "layout"));
        const auto layout = layoutFromName(name);
        if (!layout)
            fail(sub(where, "layout"),
                 QStringLiteral("\"%1\" is none of P, PG, O, OG, K").arg(name));
        s.layout = *layout;
    }
    if (o.contains(u"identity"))
        s.answersIdentity = toBool(o[u"identity"], sub(where, "identity"));
    if (s.answersIdentity && s.nameText.isEmpty()) {
        s.nameText = s.announcedName.toLatin1();
        s.modelText = model.toLatin1();
        s.numberText = QByteArray::number(number);
    }
    if (o.contains(u"nameText"))
        s.nameText = toText(o[u"nameText"], sub(where, "nameText")).toLatin1();
    if (o.contains(u"modelText"))
        s.modelText = toText(o[u"modelText"], sub(where, "modelText")).toLatin1();
    if (o.contains(u"numberText"))
        s.numberText = toText(o[u"numberText"], sub(where, "numberText")).toLatin1();
    if (o.contains(u"version")) {
        const QByteArray v = toText(o[u"version"], sub(where, "version")).toLatin1();
        if (v.size() > 16)
            fail(sub(where, "version"), QStringLiteral("longer than 16 characters"));
        s.versionText = v;
    }
    if (o.contains(u"registers"))
        readRegisters(s, toObject(o[u"registers"], sub(where, "registers")),
                      sub(where, "registers"));
    if (o.contains(u"memory")) {
        const QString at = sub(where, "memory");
        const QJsonObject memory = toObject(o[u"memory"], at);
        for (auto it = memory.begin(); it != memory.end(); ++it) {
            const QString cell = sub(at, it.key());
            const auto address = uint16_t(toInteger(QJsonValue(it.key()), cell, 0, 0xFFFF));
            s.setMemoryWord(address, uint16_t(toInteger(it.value(), cell, 0, 0xFFFF)));
        }
    }
    // The unit settings go after the raw registers and memory, which they refine.
    if (o.contains(u"unitCode"))
        s.setUnitCode(uint8_t(toInteger(o[u"unitCode"], sub(where, "unitCode"), 0, 255)));
    if (o.contains(u"unitFlag"))
        s.setUnitFlag(toBool(o[u"unitFlag"], sub(where, "unitFlag")));
    if (o.contains(u"settingsBlock")) {
        const QByteArray block = toHexBytes(o[u"settingsBlock"], sub(where, "settingsBlock"));
        if (block.size() != 50 && block.size() != 53)
            fail(sub(where, "settingsBlock"),
                 QStringLiteral("%1 bytes; a block has 53 (or 50 in older instruments)")
                     .arg(block.size()));
        s.settingsBlock = block;
    }
    if (o.contains(u"history")) {
        const QString at = sub(where, "history");
        const QJsonArray records = toArray(o[u"history"], at);
        for (int i = 0; i < records.size(); ++i)
            s.appendHistory(readRecord(toObject(records[i], sub(at, i)), sub(at, i)));
    }
    if (o.contains(u"historyHex"))
        s.history += toHexBytes(o[u"historyHex"], sub(where, "historyHex"));
    if (o.contains(u"rawAnswers")) {
        const QString at = sub(where, "rawAnswers");
        const QJsonObject raw = toObject(o[u"rawAnswers"], at);
        for (auto it = raw.begin(); it != raw.end(); ++it)
            s.rawAnswers[toRegister(it.key(), sub(at, it.key()))] =
                toHexBytes(it.value(), sub(at, it.key()));
    }
    if (o.contains(u"faults")) {
        const QString at = sub(where, "faults");
        const QJsonArray faults = toArray(o[u"faults"], at);
        for (int i = 0; i < faults.size(); ++i)
            s.faults.push_back(readFault(toObject(faults[i], sub(at, i)), sub(at, i)));
    }
    if (o.contains(u"leavesRangeAfter"))
        s.leavesRangeAfter =
            int(toInteger(o[u"leavesRangeAfter"], sub(where, "leavesRangeAfter"), -1, 0x7FFFFFFF));
    if (o.contains(u"inRange"))
        s.inRange = toBool(o[u"inRange"], sub(where, "inRange"));

    SimInstrument& added = link.addInstrument(std::move(s));
    if (o.contains(u"clock"))
        added.setClock(toDateTime(o[u"clock"], sub(where, "clock")), link.clock().now());
}

} // namespace

std::unique_ptr<SimulatedLink> SimulatedLink::fromScenarioJson(const QByteArray& json,
                                                               QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = QStringLiteral("not valid JSON at offset %1: %2")
                         .arg(parseError.offset)
                         .arg(parseError.errorString());
        return nullptr;
    }
    try {
        if (!doc.isObject())
            fail({}, QStringLiteral("the scenario must be a JSON object"));
        const QJsonObject root = doc.object();
        checkKeys(root, QStringLiteral("scenario"), {"now", "initFails", "instruments"});
        auto link = std::make_unique<SimulatedLink>();
        if (root.contains(u"now")) {
            const QJsonValue now = root[u"now"];
            if (now.isString() && now.toString() == u"system")
                link->clock().setFollowsSystem(true);
            else
                link->clock().setNow(toDateTime(now, QStringLiteral("now")));
        }
        if (root.contains(u"initFails"))
            link->setInitFails(toBool(root[u"initFails"], QStringLiteral("initFails")));
        if (root.contains(u"instruments")) {
            const QJsonArray list = toArray(root[u"instruments"], QStringLiteral("instruments"));
            for (int i = 0; i < list.size(); ++i) {
                const QString where = sub(QStringLiteral("instruments"), i);
                readInstrument(*link, toObject(list[i], where), where);
            }
        }
        return link;
    } catch (const ScenarioError& e) {
        if (error)
            *error = e.text;
        return nullptr;
    }
}

} // namespace qz::sim

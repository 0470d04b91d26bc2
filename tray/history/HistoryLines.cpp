#include "tray/history/HistoryLines.h"

#include "common/platform/Rounding.h"
#include "tray/shell/LangTable.h"

#include <cmath>

namespace qz {

namespace {

const QString kValueGap = QStringLiteral("   ");
const QString kArrow = QStringLiteral(" -> ");
const QString kComma = QStringLiteral(", ");

bool isLower(char kind)
{
    return kind >= 'a' && kind <= 'z';
}

// Threshold bytes are stored in tenths.
QString thresholdChange(uint16_t word, const QString& dp)
{
    return formatT1((word >> 8) / 10.0, dp) + kArrow + formatT1((word & 0xFF) / 10.0, dp);
}

// Common to both families.
class LineWriter {
public:
    LineWriter(const LangTable& lang, const HistoryTextFormat& format, const HistoryLinePost& post)
        : m_lang(lang), m_format(format), m_post(post),
          m_line([&lang](int n) { return lang.line(n); })
    {
    }

    const QString& lang(int n) const { return m_lang.line(n); }
    const QString& dp() const { return m_format.decimalPoint; }
    const LanguageLine& languageLine() const { return m_line; }
    QString dateTime(double when) const { return formatEventDateTime(when, m_format.dateFormat); }
    void post(const QString& text, int width, int colour) const
    {
        m_post(HistoryLine{text, width, colour});
    }

    // A further line of an event: the value stands in the column of the first line's value.
    QString continuation(const QString& name, const QString& channel, const QString& dt) const
    {
        return PadRight(QString(name.size(), QLatin1Char(' ')) + kComma + channel,
                        int(dt.size()) + EventColumn);
    }

    // The change of the sound (bit 0) and vibration (bit 1) settings.
    QString settingChange(int label, int bit, uint16_t word) const
    {
        const bool on = ((word & 0xFF) >> bit) & 1;
        return lang(label) + kArrow + lang(on ? 29 : 30);
    }
    static bool bitChanged(uint16_t word, int bit) { return (((word >> 8) ^ word) >> bit) & 1; }

private:
    const LangTable& m_lang;
    const HistoryTextFormat& m_format;
    const HistoryLinePost& m_post;
    LanguageLine m_line;
};

} // namespace

void buildHistoryLines(std::span<const HistoryEvent> events, const HistorySessionValues& session,
                       const LangTable& lang, const HistoryTextFormat& format,
                       const HistoryLinePost& post)
{
    const LineWriter w(lang, format, post);
    const QString& dp = w.dp();
    const QString unit44 = w.lang(44);
    const bool unitIs96 = session.CurUnitsText == w.lang(96);

    // Header state: a header line opens each run of upper-case or lower-case alarm and
    // measurement events, in MEDMode only.
    bool headerShown = false;
    bool lastLower = true;

    auto neutronText = [&](const HistoryEvent& e) {
        return (session.GNNewGen ? formatF2(e.NeutronValue, dp) : formatG(e.Aux, dp)) +
               QLatin1Char(' ') + unit44;
    };

    for (const HistoryEvent& e : events) {
        const char kind = e.Kind;
        const bool lower = isLower(kind);
        const QString dt = w.dateTime(e.When);

        switch (kind) {
        case 'A':
        case 'a':
        case 'F':
        case 'f': {
            if (lower != lastLower)
                headerShown = false;
            if (!headerShown && session.MEDMode) {
                w.post(w.lang(lower ? 127 : 126), EventColumn, LineColourGreen);
                lastLower = lower;
                headerShown = true;
            }
            const bool unitShown = lower || !session.NewFirmware || session.MEDMode;
            const bool alarm = kind == 'A' || kind == 'a';
            QString value;
            if (e.PagerFormat) {
                if (unitShown)
                    value = DoseText(e.Value, session.CurUnitsText, w.languageLine(), dp);
                else
                    value = (alarm ? formatG(e.Value, dp) : formatF2(e.Value, dp)) +
                            QLatin1Char(' ') + unit44;
            } else if (unitShown) {
                const double v = unitIs96 ? e.Word / 100.0 : double(e.Word);
                value = formatG(v, dp) + QLatin1Char(' ') + session.CurUnitsText;
            } else {
                value = QString::number(e.Word) + QLatin1Char(' ') + unit44;
            }
            const int name = alarm ? 38 : 39;
            const QString line =
                PadRight(w.lang(name) + kComma + w.lang(93), EventColumn) + dt + kValueGap + value;
            if (alarm) {
                w.post(line, EventColumn, LineColourRed);
            } else {
                w.post(line, EventColumn, LineColourNone);
                if (session.IsGNFamily)
                    w.post(w.continuation(w.lang(39), w.lang(92), dt) + kValueGap + neutronText(e),
                           EventColumn, LineColourNone);
            }
            break;
        }
        case 'N':
        case 'n':
            if (session.IsGNFamily)
                w.post(PadRight(w.lang(38) + kComma + w.lang(92), EventColumn) + dt + kValueGap +
                           neutronText(e),
                       EventColumn, LineColourRed);
            break;
        case 'C':
            w.post(PadRight(w.lang(41), EventColumn) + dt + kValueGap + formatG(e.Value, dp) +
                       QLatin1Char(' ') + unit44,
                   EventColumn, LineColourGreen);
            break;
        case 'c':
            w.post(PadRight(w.lang(41), EventColumn) + dt + kValueGap +
                       DoseText(e.Value, session.CurUnitsText, w.languageLine(), dp),
                   EventColumn, LineColourGreen);
            break;
        case 'S':
            w.post(PadRight(w.lang(e.Aux == 0 ? 40 : 125), EventColumn) + dt + kValueGap +
                       w.lang(28) + QLatin1Char(' ') + thresholdChange(e.Word, dp),
                   EventColumn, LineColourGreen);
            break;
        case 's': {
            // The second change goes on its own line, its text in the value column.
            QString head = PadRight(w.lang(86), EventColumn) + dt;
            int width = EventColumn;
            if (LineWriter::bitChanged(e.Word, 0)) {
                w.post(head + kValueGap + w.settingChange(32, 0, e.Word), width, LineColourGreen);
                head = PadRight(QString(), int(dt.size()) + EventColumn);
                width = 0;
            }
            if (LineWriter::bitChanged(e.Word, 1))
                w.post(head + kValueGap + w.settingChange(33, 1, e.Word), width, LineColourGreen);
            break;
        }
        case '0':
            w.post(PadRight(w.lang(43), EventColumn) + dt + kValueGap, EventColumn,
                   LineColourGreen);
            break;
        case '1':
            w.post(PadRight(w.lang(42), EventColumn) + dt, EventColumn, LineColourGreen);
            break;
        default:
            break; // unknown kinds leave no line and do not touch the header state
        }
    }
}

QList<HistoryLine> historyLines(std::span<const HistoryEvent> events,
                                const HistorySessionValues& session, const LangTable& lang,
                                const HistoryTextFormat& format)
{
    QList<HistoryLine> lines;
    buildHistoryLines(events, session, lang, format,
                      [&lines](const HistoryLine& l) { lines.append(l); });
    return lines;
}

void buildHistoryLines6610(std::span<const HistoryEvent6610> events, const LangTable& lang,
                           const HistoryTextFormat& format, const HistoryLinePost& post)
{
    const LineWriter w(lang, format, post);
    const QString& dp = w.dp();
    const QString unit44 = w.lang(44);

    for (const HistoryEvent6610& e : events) {
        const QString dt = w.dateTime(e.When);
        // The three channels: gamma count (93), dose rate (103), neutron (92).
        const QString countText = QString::number(e.Word) + QLatin1Char(' ') + unit44;
        const QString doseText = FormatDoseK(e.Value, w.languageLine(), dp);
        const QString neutronText = formatE3(e.NeutronValue, dp) + QLatin1Char(' ') + unit44;
        struct Channel {
            int label;
            const QString& value;
        };
        const Channel gamma{93, countText}, dose{103, doseText}, neutron{92, neutronText};

        // An event of three lines: the first names the event and carries the date, the
        // other two carry the remaining channels in the same value column.
        auto threeLines = [&](int name, const Channel& first, const Channel& second,
                              const Channel& third, int colour) {
            const QString& n = w.lang(name);
            w.post(PadRight(n + kComma + w.lang(first.label), EventColumn) + dt + kValueGap +
                       first.value,
                   EventColumn, colour);
            for (const Channel* c : {&second, &third})
                w.post(w.continuation(n, w.lang(c->label), dt) + kValueGap + c->value, EventColumn,
                       colour);
        };
        auto nameLine = [&](int name, int colour) {
            w.post(PadRight(w.lang(name), EventColumn) + dt, EventColumn, colour);
        };

        switch (e.Kind) {
        case 'F':
            threeLines(39, gamma, dose, neutron, LineColourNone);
            break;
        case 'A':
            threeLines(38, gamma, dose, neutron, LineColourRed);
            break;
        case 'N':
            threeLines(38, neutron, gamma, dose, LineColourRed);
            break;
        case 'G':
            threeLines(104, dose, gamma, neutron, LineColourRed);
            break;
        case 'a':
        case 'b':
            w.post(PadRight(w.lang(e.Kind == 'a' ? 99 : 100), EventColumn) + dt + kValueGap +
                       formatE3(e.Value, dp),
                   EventColumn, LineColourNone);
            break;
        case 'C':
            nameLine(41, LineColourGreen);
            break;
        case 'c':
            nameLine(41, LineColourNone);
            break;
        case '0':
            nameLine(43, LineColourGreen);
            break;
        case '1':
            nameLine(42, LineColourGreen);
            break;
        case 'S': {
            // Up to three threshold changes, one per channel that changed.
            if (e.Word != 0)
                w.post(PadRight(w.lang(40) + kComma + w.lang(93), EventColumn) + dt + kValueGap +
                           thresholdChange(e.Word, dp),
                       EventColumn, LineColourGreen);
            if (e.NeutronValue != 0) {
                // The neutron thresholds travel as a whole number: old value in the second
                // byte, new value in the first, both in sixteenths. Doubles keep the byte
                // arithmetic exact for any magnitude the device float can hold.
                const double n = roundHalfEven(e.NeutronValue);
                double high = std::fmod(std::trunc(n / 256.0), 256.0);
                double low = std::fmod(n, 256.0);
                if (high < 0)
                    high += 256.0;
                if (low < 0)
                    low += 256.0;
                w.post(PadRight(w.lang(40) + kComma + w.lang(92), EventColumn) + dt + kValueGap +
                           formatT1(high / 16.0, dp) + kArrow + formatT1(low / 16.0, dp),
                       EventColumn, LineColourGreen);
            }
            if (e.Value != 0)
                w.post(PadRight(w.lang(105) + kComma + w.lang(103), EventColumn) + dt + kValueGap +
                           doseText,
                       EventColumn, LineColourGreen);
            break;
        }
        case 's': {
            nameLine(86, LineColourGreen);
            const QString indent(EventColumn, QLatin1Char(' '));
            if (LineWriter::bitChanged(e.Word, 0))
                w.post(indent + w.settingChange(32, 0, e.Word), 0, LineColourGreen);
            if (LineWriter::bitChanged(e.Word, 1))
                w.post(indent + w.settingChange(33, 1, e.Word), 0, LineColourGreen);
            break;
        }
        default:
            break;
        }
    }
}

QList<HistoryLine> historyLines6610(std::span<const HistoryEvent6610> events, const LangTable& lang,
                                    const HistoryTextFormat& format)
{
    QList<HistoryLine> lines;
    buildHistoryLines6610(events, lang, format,
                          [&lines](const HistoryLine& l) { lines.append(l); });
    return lines;
}

} // namespace qz

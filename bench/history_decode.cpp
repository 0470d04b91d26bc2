// Decoding a full history memory (8192 bytes) and building its window lines.
#include "tray/history/HistoryDecode.h"
#include "tray/history/HistoryLines.h"
#include "tray/link/DeviceValues.h"
#include "tray/shell/LangTable.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace qz;

const char kKinds[] = "AaFfNnCcSs01";
const char kKindsK[] = "FANGabCc01Ss";

// A full memory of 8-byte records of every kind, layout PG (the layout with the most work).
QByteArray fullMemory()
{
    QByteArray memory;
    for (int i = 0; i < kHistoryEventCapacity; ++i) {
        const uint32_t minutes = 13'800'000u + uint32_t(i) * 7;
        const DeviceFloatBytes value = encodeDeviceFloat(0.001 * (i % 500 + 1));
        const DeviceFloatBytes neutron = encodeDeviceFloat(0.01 * (i % 300));
        const char record[8] = {char(minutes),    char(minutes >> 8), char(minutes >> 16),
                                kKinds[i % 12],   char(value[0]),     char(value[1]),
                                char(neutron[0]), char(neutron[1])};
        memory.append(record, 8);
    }
    return memory;
}

QByteArray fullMemory6610()
{
    QByteArray memory;
    for (int i = 0; i < kHistoryEventCapacity6610; ++i) {
        const int32_t seconds = 828'000'000 + i * 61;
        const DeviceFloatBytes neutron = encodeDeviceFloat(0.37 * (i % 90));
        const DeviceFloatBytes value = encodeDeviceFloat(0.000013 * (i % 1000 + 1));
        QByteArray r(16, '\0');
        for (int b = 0; b < 4; ++b) {
            r[b] = char(seconds >> (8 * b));
            r[6 + b] = char(neutron[size_t(b)]);
            r[10 + b] = char(value[size_t(b)]);
        }
        r[4] = char(i);
        r[5] = char(i >> 8);
        r[15] = kKindsK[i % 12];
        memory += r;
    }
    return memory;
}

LangTable benchLang()
{
    LangTable lang;
    for (int n = 1; n <= LangTable::kLines; ++n)
        lang.setLine(n, QStringLiteral("Language line %1").arg(n));
    return lang;
}

const HistoryDecodeParams kParams{true, true, 0.00024};

HistoryTextFormat fixedFormat()
{
    HistoryTextFormat f;
    f.decimalPoint = QStringLiteral(".");
    f.dateFormat = QStringLiteral("dd.MM.yyyy");
    return f;
}

void BM_DecodeFullMemory(benchmark::State& state)
{
    const QByteArray memory = fullMemory();
    auto events = std::make_unique<HistoryEvents>();
    for (auto _ : state) {
        const int count = decodeHistoryMemory(bytesOf(memory), kParams, *events);
        benchmark::DoNotOptimize(count);
        benchmark::DoNotOptimize(events->data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * memory.size());
}
BENCHMARK(BM_DecodeFullMemory);

void BM_DecodeAndBuildLines(benchmark::State& state)
{
    const QByteArray memory = fullMemory();
    const LangTable lang = benchLang();
    const HistorySessionValues session{lang.line(96), true, true, false, true};
    const HistoryTextFormat format = fixedFormat();
    auto events = std::make_unique<HistoryEvents>();
    int64_t lines = 0;
    for (auto _ : state) {
        const int count = decodeHistoryMemory(bytesOf(memory), kParams, *events);
        const QList<HistoryLine> built =
            historyLines(std::span(events->data(), size_t(count)), session, lang, format);
        lines += built.size();
        benchmark::DoNotOptimize(built.constData());
    }
    state.counters["lines/read"] = double(lines) / double(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * memory.size());
}
BENCHMARK(BM_DecodeAndBuildLines)->Unit(benchmark::kMillisecond);

void BM_DecodeAndBuildLines6610(benchmark::State& state)
{
    const QByteArray memory = fullMemory6610();
    const LangTable lang = benchLang();
    const HistoryTextFormat format = fixedFormat();
    auto events = std::make_unique<HistoryEvents6610>();
    int64_t lines = 0;
    for (auto _ : state) {
        const int count = decodeHistoryMemory6610(bytesOf(memory), *events);
        const QList<HistoryLine> built =
            historyLines6610(std::span(events->data(), size_t(count)), lang, format);
        lines += built.size();
        benchmark::DoNotOptimize(built.constData());
    }
    state.counters["lines/read"] = double(lines) / double(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * memory.size());
}
BENCHMARK(BM_DecodeAndBuildLines6610)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

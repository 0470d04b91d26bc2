// A link library of the C ABI in tray/link/irda_abi.h, for tests: it carries the simulated
// instruments of the scenario file named by QZ_IRDA_SCENARIO behind the five C functions,
// so the program's real loading path and the whole protocol can be driven through the ABI.
#include "sim/SimulatedLink.h"
#include "tray/link/irda_abi.h"

#include <QByteArray>

#include <memory>

namespace {

std::unique_ptr<qz::sim::SimulatedLink> g_link;

} // namespace

extern "C" {

QZ_IRDA_EXPORT uint8_t QZ_IRDA_CALL InitIrDAEx(void)
{
    if (!g_link) {
        const QByteArray path = qgetenv("QZ_IRDA_SCENARIO");
        QString error;
        g_link =
            path.isEmpty()
                ? std::make_unique<qz::sim::SimulatedLink>()
                : qz::sim::SimulatedLink::fromScenarioFile(QString::fromLocal8Bit(path), &error);
        if (!g_link)
            return 0;
    }
    return g_link->InitIrDAEx() ? 1 : 0;
}

QZ_IRDA_EXPORT uint8_t QZ_IRDA_CALL FindDeviceEx(QzIrdaNameSink sink, void* context)
{
    if (!g_link)
        return 0;
    QStringList names;
    const bool ok = g_link->FindDeviceEx(names);
    for (const QString& name : names) {
        const QByteArray bytes = name.toLatin1();
        sink(context, bytes.constData());
    }
    return ok ? 1 : 0;
}

QZ_IRDA_EXPORT uint8_t QZ_IRDA_CALL ConnectDevIrDAEx(int32_t index)
{
    return g_link && g_link->ConnectDevIrDAEx(index) ? 1 : 0;
}

QZ_IRDA_EXPORT uint8_t QZ_IRDA_CALL TransDataIrDAEx(uint8_t* buffer, int32_t capacity,
                                                    int32_t requestLength, int32_t* answerLength)
{
    if (!g_link || !answerLength)
        return 0;
    return g_link->TransDataIrDAEx(buffer, capacity, requestLength, *answerLength) ? 1 : 0;
}

QZ_IRDA_EXPORT void QZ_IRDA_CALL CloseIrDAEx(void)
{
    if (g_link)
        g_link->CloseIrDAEx();
}

// For tests only: the simulated instruments behind the ABI, to check their state.
QZ_IRDA_EXPORT void* QZ_IRDA_CALL QzTestModuleLink(void)
{
    return g_link.get();
}

} // extern "C"

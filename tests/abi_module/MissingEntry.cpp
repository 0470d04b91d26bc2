// A link library that lacks TransDataIrDAEx: loading it must give an unusable link.
#include "tray/link/irda_abi.h"

extern "C" {
QZ_IRDA_EXPORT uint8_t QZ_IRDA_CALL InitIrDAEx(void)
{
    return 1;
}
QZ_IRDA_EXPORT uint8_t QZ_IRDA_CALL FindDeviceEx(QzIrdaNameSink, void*)
{
    return 1;
}
QZ_IRDA_EXPORT uint8_t QZ_IRDA_CALL ConnectDevIrDAEx(int32_t)
{
    return 1;
}
QZ_IRDA_EXPORT void QZ_IRDA_CALL CloseIrDAEx(void) {}
}

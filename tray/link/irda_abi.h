/* C ABI of the infrared link library.
 *
 * The tray program loads a shared library named "IrDA" from its program folder (IrDA.dll on
 * Windows, libIrDA.so on Linux, libIrDA.dylib on macOS) and binds these five functions by
 * name. A library that provides another infrared stack only has to implement them.
 *
 * Conventions:
 *  - C linkage, the platform's C calling convention (cdecl on 32-bit Windows).
 *  - Booleans are one byte: 0 = false, anything else = true.
 *  - Every call comes from one thread, never two at once. No call blocks longer than the
 *    library's own time-outs; the program keeps no time-outs or retry counts of its own.
 *  - Memory is owned by the side that allocates it: names reach the program through a
 *    callback that copies them before it returns.
 */
#ifndef QZ_IRDA_ABI_H
#define QZ_IRDA_ABI_H

#include <stdint.h>

#if defined(_WIN32)
#define QZ_IRDA_CALL __cdecl
#define QZ_IRDA_EXPORT __declspec(dllexport)
#else
#define QZ_IRDA_CALL
#define QZ_IRDA_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Receives one announced device name, a zero-terminated 8-bit string (each byte one
 * character). The program copies it before the callback returns. */
typedef void(QZ_IRDA_CALL* QzIrdaNameSink)(void* context, const char* name);

/* Prepares the link. 0: the link cannot be used. */
typedef uint8_t(QZ_IRDA_CALL* InitIrDAExFn)(void);

/* Looks for devices in range and calls sink once per device, in the order of their
 * indices. Returns 0 when the search failed; a search that found nothing may return
 * non-zero without calling sink. */
typedef uint8_t(QZ_IRDA_CALL* FindDeviceExFn)(QzIrdaNameSink sink, void* context);

/* Connects to the device with the given zero-based index of the last search. */
typedef uint8_t(QZ_IRDA_CALL* ConnectDevIrDAExFn)(int32_t index);

/* Sends buffer[0 .. requestLength-1] as one request frame and writes the answer frame to
 * buffer[0 ..], at most capacity bytes. On entry *answerLength is the expected answer
 * length, on return the number of bytes received. 0: no usable answer. */
typedef uint8_t(QZ_IRDA_CALL* TransDataIrDAExFn)(uint8_t* buffer, int32_t capacity,
                                                 int32_t requestLength, int32_t* answerLength);

/* Releases the link. */
typedef void(QZ_IRDA_CALL* CloseIrDAExFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* QZ_IRDA_ABI_H */

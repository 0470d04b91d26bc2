// A Roster library for tests: every entry, and the library's load and unload, append a line
// to the file named by QZ_TEST_ROSTER_LOG, so a test sees what the program called and when
// the library was really loaded and unloaded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define QZ_TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
void logLine(const char* text)
{
    const char* path = std::getenv("QZ_TEST_ROSTER_LOG");
    if (!path)
        return;
    if (std::FILE* f = std::fopen(path, "a")) {
        std::fputs(text, f);
        std::fputc('\n', f);
        std::fclose(f);
    }
}

struct LoadLog {
    LoadLog() { logLine("load"); }
    ~LoadLog() { logLine("unload"); }
} g_loadLog;

[[maybe_unused]] void logCall(const char* name, int32_t language)
{
    char line[64];
    std::snprintf(line, sizeof line, "%s %d", name, int(language));
    logLine(line);
}
} // namespace

QZ_TEST_EXPORT uint8_t _RefreshDataBase(void)
{
    logLine("RefreshDataBase");
    return 1;
}

#ifndef QZ_TEST_ROSTER_WITHOUT_WINDOWS
QZ_TEST_EXPORT uint8_t _DataBaseShow(int32_t language)
{
    logCall("DataBaseShow", language);
    return 1;
}

QZ_TEST_EXPORT uint8_t _AddUser(int32_t language)
{
    logCall("AddUser", language);
    return 1;
}

QZ_TEST_EXPORT uint8_t _ShowFormUser(int32_t language, const char* fam, const char* im,
                                     const char* otch)
{
    char line[512];
    std::snprintf(line, sizeof line, "ShowFormUser %d %s|%s|%s", int(language), fam, im, otch);
    logLine(line);
    return 1;
}
#endif

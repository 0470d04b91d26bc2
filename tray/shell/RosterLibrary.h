#pragma once

#include <QLibrary>
#include <QString>

#include <cstdint>

namespace qz {

// The personnel database library "Roster" (Roster.dll, libRoster.so) in the program folder.
// It is loaded the first time a command needs it, stays loaded, and is unloaded when the
// program ends. Its entries are extern "C" functions looked up by name:
//   uint8_t _DataBaseShow(int32_t language)
//   uint8_t _RefreshDataBase(void)
//   uint8_t _AddUser(int32_t language)
//   uint8_t _ShowFormUser(int32_t language, const char* fam, const char* im, const char* otch)
// The names cross as zero-terminated UTF-8 strings; each side frees only its own memory.
// A library that cannot be loaded, or lacks the entry, makes a call do nothing: it answers
// false, without a message.
class RosterLibrary {
public:
    explicit RosterLibrary(const QString& programFolder);
    ~RosterLibrary();

    RosterLibrary(const RosterLibrary&) = delete;
    RosterLibrary& operator=(const RosterLibrary&) = delete;

    // Loads the library unless it is loaded; true when it is loaded afterwards. A failed
    // load is tried again at the next call.
    bool load();
    bool isLoaded() const { return m_library.isLoaded(); }
    // Unloads it when loaded; a failure to unload is ignored.
    void unload();

    // Only loads the library when it is not loaded yet (the database command).
    bool DataBaseShow(int32_t language);
    bool AddUser(int32_t language);
    bool ShowFormUser(int32_t language, const QString& fam, const QString& im, const QString& otch);
    // Never loads it: a database window can only be open when the library is loaded.
    bool RefreshDataBase();

    QString fileName() const { return m_library.fileName(); }

private:
    // The entry when the library is loaded (after loading it if allowed) and has it.
    QFunctionPointer entry(const char* name, bool loadIfNeeded);

    QLibrary m_library;
};

} // namespace qz

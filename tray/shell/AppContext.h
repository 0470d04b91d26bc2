#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace qz {

struct TIniRec;
class LangTable;
class IrdaLink;
class DialogService;
class Clock;
class Progress;
class RosterLibrary;

// The program-wide services of the tray program, owned by the program's start-up and
// handed to every window and session that needs them. Everything here is used on the
// user-interface thread only. A null pointer or an empty function means "not available"
// (tests leave out what they do not exercise).
struct AppContext {
    TIniRec* ini = nullptr;         // the settings read at start-up
    LangTable* lang = nullptr;      // the language lines of the current language
    IrdaLink* link = nullptr;       // the infrared link
    QStringList* devList = nullptr; // the names the link found last
    DialogService* dialogs = nullptr;
    Clock* clock = nullptr;
    Progress* progress = nullptr;    // the progress window
    RosterLibrary* roster = nullptr; // the Roster library, loaded on demand
    QString exeDir;                  // the program folder, with a trailing separator

    // Switches of the tray shell that windows and sessions flip.
    std::function<void(bool)> setTrayMouseEnabled;     // clicks on the tray icon
    std::function<void(bool)> setDiscoveryTimerActive; // start / stop the discovery timer
    std::function<void(int)> setProgressTag;           // 0 reading, 1 storing
};

} // namespace qz

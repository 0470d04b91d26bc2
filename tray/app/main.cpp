// The tray program: lives in the notification area, finds instruments on the infrared link
// and hands their histories to the personnel database.

#include "common/platform/Clock.h"
#include "common/platform/ProgramFolder.h"
#include "common/platform/SingleInstance.h"
#include "common/platform/ui/QtDialogService.h"
#include "tray/app/SignalWatcher.h"
#include "tray/app/TrayWiring.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/ui/LongTimeFormat.h"
#include "tray/shell/ui/TDM55xx.h"
#include "tray/shell/ui/TrayProgram.h"

#include <QApplication>
#include <QLocale>
#include <QSessionManager>

int main(int argc, char* argv[])
{
    // First of all, so that a stop request during the start-up is not lost.
    qz::SignalWatcher::install();

    // One copy per user: a second start ends at once, silently.
    qz::SingleInstance guard;
    if (guard.acquire() == qz::SingleInstance::Result::AnotherRuns)
        return 0;

    QApplication app(argc, argv);
    qz::setLongTimeFormat(QStringLiteral("hh:mm"));
    // The program lives in the notification area: closing a window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(qz::TDM55xx::programIcon());

    qz::QtDialogService dialogs;
    qz::TrayProgramSetup setup;
    setup.exeDir = qz::ExeDir();
    setup.iniFileName = qz::IniFileName();
    setup.defaultLanguage = qz::languageFromLocale(QLocale::system());
    setup.dialogs = &dialogs;
    setup.clock = &qz::appClock();

    qz::TrayProgram program(setup);
    // The device sessions: the discovery tick, the history window and the registration.
    qz::TrayWiring wiring(program);
    qz::SignalWatcher watcher;
    QObject::connect(&watcher, &qz::SignalWatcher::terminationRequested, &app, [&program] {
        program.shutdown();
        // exit() rather than quit(): it also ends a message box's loop during the start-up.
        QCoreApplication::exit(0);
    });
    // The desktop session is ending: keep the settings even if the program is killed next.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [&program](QSessionManager&) { program.saveSettings(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app,
                     [&program] { program.shutdown(); });

    program.start();
    // A stop request answered during the start-up (while its message box ran its own loop)
    // has already shut the program down; the main loop must not start after it.
    if (program.isShutDown())
        return 0;
    wiring.startUp();
    if (program.isShutDown())
        return 0;
    const int status = app.exec();
    program.shutdown();
    return status;
}

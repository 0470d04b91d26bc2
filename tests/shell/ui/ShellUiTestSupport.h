#pragma once

#include "common/platform/Clock.h"
#include "common/platform/DialogService.h"
#include "sim/SimulatedLink.h"
#include "tray/shell/ui/TDM55xx.h"
#include "tray/shell/ui/TrayProgram.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace qz::test {

inline QApplication& testApp()
{
    static int argc = 1;
    static char name[] = "test_shell_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// A language file of two blocks whose lines say their language and number: "en 74".
inline QByteArray testLanguageFile()
{
    QByteArray text;
    for (const char* language : {"ru", "en"}) {
        text += QByteArray("[") + language + "]\n";
        for (int n = 1; n <= 127; ++n)
            text += QByteArray(language) + ' ' + QByteArray::number(n) + '\n';
    }
    return text;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

inline QString readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// A tray program in a temporary program folder, with the language file, the settings given,
// scripted dialogs, a test clock and the simulated link; modal windows go through
// `onModal` (a window with no handler is recorded and rejected).
class ShellUiTest : public ::testing::Test {
protected:
    ShellUiTest() : scopedClock(clock) { testApp(); }

    QString exeDir() const { return dir.path() + QLatin1Char('/'); }
    QString iniPath() const { return exeDir() + QStringLiteral("QZ55xx.ini"); }

    // Creates the program with the settings file text; start() is left to the test.
    TrayProgram& makeProgram(const QByteArray& iniText = "[Parameters]\nLanguage=1\n")
    {
        writeFile(exeDir() + QStringLiteral("Lang.txt"), testLanguageFile());
        writeFile(iniPath(), iniText);
        TrayProgramSetup setup;
        setup.exeDir = exeDir();
        setup.iniFileName = QStringLiteral("QZ55xx.ini");
        setup.defaultLanguage = 1;
        setup.dialogs = &dialogs;
        setup.clock = &clock;
        setup.makeLink = [this](const TIniRec&, const QString&) {
            auto made = std::make_unique<sim::SimulatedLink>();
            made->setInitFails(linkInitFails);
            link = made.get();
            return made;
        };
        program = std::make_unique<TrayProgram>(setup);
        TDM55xx& dm = program->dm();
        dm.resetCurSerial = [this] { ++curSerialResets; };
        dm.openHelp = [this](const QString& file) { helpOpened << file; };
        dm.quit = [this] { ++quits; };
        dm.execModal = [this](QDialog& dialog) {
            modalWindows << dialog.objectName();
            if (!onModal)
                return int(QDialog::Rejected);
            dialog.show();
            onModal(dialog);
            if (dialog.isVisible())
                dialog.reject();
            return dialog.result();
        };
        return *program;
    }

    // Started, and past the end-of-start-up timer.
    TrayProgram& startedProgram(const QByteArray& iniText = "[Parameters]\nLanguage=1\n")
    {
        TrayProgram& p = makeProgram(iniText);
        p.start();
        fireHideTimer();
        return p;
    }

    // Lets the real TimerHide fire without waiting its 3 s.
    void fireHideTimer()
    {
        TDM55xx& dm = program->dm();
        if (!dm.TimerHide.isActive())
            return;
        dm.TimerHide.start(0);
        for (int i = 0; i < 100 && dm.TimerHide.isActive(); ++i)
            QCoreApplication::processEvents();
    }

    QList<sim::TranscriptEntry::Call> linkCalls() const
    {
        QList<sim::TranscriptEntry::Call> calls;
        for (const sim::TranscriptEntry& e : link->transcript())
            calls << e.call;
        return calls;
    }

    QTemporaryDir dir;
    TestClock clock;
    ScopedClock scopedClock;
    ScriptedDialogs dialogs;
    bool linkInitFails = false;
    sim::SimulatedLink* link = nullptr;
    std::unique_ptr<TrayProgram> program;
    int curSerialResets = 0;
    int quits = 0;
    QStringList helpOpened;
    QStringList modalWindows;
    std::function<void(QDialog&)> onModal;
};

} // namespace qz::test

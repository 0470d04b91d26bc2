#pragma once

#include "common/platform/DialogService.h"
#include "common/platform/Progress.h"
#include "common/platform/RtfWriter.h"
#include "tray/history/ui/TFormHist.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"

#include <QApplication>
#include <QProcess>
#include <QStringList>

namespace qz::test {

inline QApplication& historyUiApp()
{
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "test_history_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// Records the progress calls and the tag changes in the order they come.
class ProgressLog final : public Progress {
public:
    QStringList calls;
    void ProgressShow(int maximum, int step) override
    {
        calls.append(QStringLiteral("show %1 %2").arg(maximum).arg(step));
    }
    void ProgressStep() override { calls.append(QStringLiteral("step")); }
    void ProgressDone() override { calls.append(QStringLiteral("done")); }
};

// The program-wide services a history window needs: language line n reads "L<n>".
struct HistWindowContext {
    LangTable lang;
    ScriptedDialogs dialogs;
    ProgressLog progress;
    TIniRec ini;
    AppContext ctx;

    HistWindowContext()
    {
        historyUiApp();
        for (int n = 1; n <= LangTable::kLines; ++n)
            lang.setLine(n, QStringLiteral("L%1").arg(n));
        ctx.lang = &lang;
        ctx.dialogs = &dialogs;
        ctx.progress = &progress;
        ctx.ini = &ini;
        ctx.setProgressTag = [this](int tag) {
            progress.calls.append(QStringLiteral("tag %1").arg(tag));
        };
    }
};

// What a posted line must look like in the window: the name column in red or green when a
// colour is given (else in the text colour), the rest in italic brown; all bold.
inline RtfLine expectedLook(const QString& text, int width, int colour)
{
    const auto rgb = [](const QColor& c) {
        return RtfColour{uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())};
    };
    const QColor name = colour == 1   ? QColor(255, 0, 0)
                        : colour == 2 ? QColor(0, 128, 0)
                                      : QColor(108, 12, 116);
    RtfLine line;
    const int column = std::min(width, int(text.size()));
    if (column > 0)
        line.append({text.left(column), rgb(name), false, true});
    if (column < text.size())
        line.append({text.mid(column), rgb(QColor(105, 79, 24)), true, true});
    return line;
}

// Runs a program; its standard output, or an empty text with the reason in `error`.
inline QString runTool(const QString& program, const QStringList& args, QString* error)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = program + QStringLiteral(" failed: ") + p.errorString() + QLatin1Char(' ') +
                 QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace qz::test

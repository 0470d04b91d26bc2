#include "tray/history/ui/TFormHist.h"

#include "HistWindowTestSupport.h"
#include "common/platform/ui/RichTextBox.h"
#include "history/HistoryTestSupport.h"
#include "platform/ui/UnrtfReader.h"
#include "tray/history/HistoryLineThread.h"

#include <QAction>
#include <QFile>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace qz {
namespace {

using test::HistWindowContext;

// A device card, its separator and some event lines, as the session posts them.
struct Posted {
    QString text;
    int width;
    int colour;
};

QList<Posted> cardLines()
{
    return {{QStringLiteral("Model                         QZ5520GN"), 30, 0},
            {QStringLiteral("Serial number                 1234"), 30, 0},
            {QString(55, QLatin1Char('-')), 0, 0}};
}

void post(TFormHist& form, const QList<Posted>& lines)
{
    for (const Posted& l : lines)
        form.PostHistoryLine(l.text, l.width, l.colour);
}

TEST(TFormHist, WindowLayoutAndCaptionsOnShow)
{
    HistWindowContext c;
    TFormHist form(c.ctx);
    c.lang.setLine(23, QStringLiteral("History")); // captions are read when the window shows
    form.show();
    EXPECT_EQ(form.size(), QSize(691, 433));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(230, 231, 236));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("History"));
    EXPECT_EQ(c.progress.calls, QStringList{QStringLiteral("done")});

    // Toolbar order with separators; captions and hints.
    QStringList order;
    for (QAction* a : form.ToolBarHist->actions())
        order.append(a->isSeparator() ? QStringLiteral("|")
                                      : form.ToolBarHist->widgetForAction(a)->objectName());
    EXPECT_EQ(order.join(u' '), QStringLiteral("tbtnSave | tbtnAddDB | tbtnPrint | tbtnExit"));
    const struct {
        QToolButton* button;
        const char* caption;
        const char* hint;
    } buttons[] = {{form.tbtnSave, "L48", "L48"},
                   {form.tbtnAddDB, "L71", "L49"},
                   {form.tbtnPrint, "L46", "L46"},
                   {form.tbtnExit, "L45", "L45"}};
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->text(), QLatin1String(b.caption));
        EXPECT_EQ(b.button->toolTip(), QLatin1String(b.hint));
        EXPECT_TRUE(b.button->font().italic());
        EXPECT_EQ(b.button->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
        EXPECT_EQ(b.button->size(), QSize(61, 36));
    }

    const QFont font = form.reHist->font();
    EXPECT_EQ(font.family(), QStringLiteral("Courier New"));
    EXPECT_TRUE(font.fixedPitch());
    EXPECT_EQ(font.pixelSize(), 16);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(form.reHist->isReadOnly());
    EXPECT_EQ(form.reHist->palette().color(QPalette::Base), QColor(247, 251, 251));
    EXPECT_EQ(form.reHist->palette().color(QPalette::Text), QColor(108, 12, 116));
    EXPECT_EQ(form.StatusBarHist->height(), 18);
    form.hide();
}

TEST(TFormHist, EventLinesFromTheLineThreadKeepTheirColoursAndItalics)
{
    HistWindowContext c;
    TFormHist form(c.ctx);
    post(form, cardLines());
    const LangTable lang = test::numberedLang();
    const HistoryTextFormat format = test::fixedFormat();
    const QList<HistoryEvent> events{
        {'A', 45000.5, 10, 0, 0.5, 0.0, true},     // red name column
        {'C', 45001.0, 0, 0, 3.0, 0.0, true},      // green
        {'F', 45002.25, 7, 0, 0.02, 0.01, true},   // no colour; two lines with the neutron line
        {'s', 45003.0, 0x0102, 0, 0.0, 0.0, true}, // second line has no name column
    };
    const HistorySessionValues session{QStringLiteral("L95"), true, true, false, false};
    form.reHist->select(0, 5); // a line posted later leaves nothing selected

    TInsHistThread thread(events, session, lang, form, format);
    runHistoryLineThread(thread);

    QList<Posted> expected = cardLines();
    for (const HistoryLine& l : historyLines(events, session, lang, format))
        expected.append({l.text, l.width, l.colour});
    ASSERT_GE(expected.size(), 9);
    QStringList texts;
    RtfDocument looks;
    for (const Posted& p : expected) {
        texts.append(p.text);
        looks.lines.append(test::expectedLook(p.text, p.width, p.colour));
    }
    EXPECT_EQ(form.lines(), texts);
    const RtfDocument doc = form.reHist->toRtfDocument();
    ASSERT_EQ(doc.lines.size(), looks.lines.size());
    for (qsizetype i = 0; i < looks.lines.size(); ++i)
        EXPECT_EQ(doc.lines[i], looks.lines[i]) << "line " << i << ": " << texts[i].toStdString();
    EXPECT_EQ(form.selectionLength(), 0);
    EXPECT_EQ(form.selectionStart(), int(texts.join(u'\n').size()));

    form.clearText();
    EXPECT_TRUE(form.lines().isEmpty());
}

// Closing: the steps of the close handler, whether the lines are stored and whether the
// operator is asked about an unsaved history.
struct CloseCase {
    const char* name;
    const char* user;     // nullptr: the session set no user hook
    bool storeClearsMark; // the writer stored the lines
    bool storeHookSet;
    DialogResult answer; // to the unsaved question, when asked
    bool expectStore;
    bool expectQuestion;
    bool expectClosed;
};

void PrintTo(const CloseCase& c, std::ostream* os)
{
    *os << c.name;
}

class TFormHistClose : public testing::TestWithParam<CloseCase> {};

TEST_P(TFormHistClose, StoresAsksAndClosesOrStaysOpen)
{
    const CloseCase& k = GetParam();
    HistWindowContext c;
    TFormHist form(c.ctx);
    post(form, cardLines());
    form.setUnsavedHistory(true);
    if (k.user)
        form.currentUserName = [&k] { return QLatin1String(k.user); };
    int stores = 0;
    if (k.storeHookSet)
        form.storeHistory = [&] {
            ++stores;
            c.progress.calls.append(QStringLiteral("store"));
            if (k.storeClearsMark)
                form.setUnsavedHistory(false);
        };
    int released = 0;
    form.onClosed = [&released] { ++released; };
    if (k.expectQuestion)
        c.dialogs.answerMessage(k.answer);
    form.show();
    c.progress.calls.clear();

    form.tbtnExit->click();

    EXPECT_EQ(stores, k.expectStore ? 1 : 0);
    QStringList steps{QStringLiteral("done"), QStringLiteral("tag 1"),
                      QStringLiteral("show 520 1")};
    if (k.expectStore)
        steps.append(QStringLiteral("store"));
    steps.append(QStringLiteral("done"));
    EXPECT_EQ(c.progress.calls, steps);
    ASSERT_EQ(c.dialogs.asked().size(), k.expectQuestion ? 1 : 0);
    if (k.expectQuestion) {
        EXPECT_EQ(c.dialogs.asked()[0].text, QStringLiteral("L52"));
        EXPECT_EQ(c.dialogs.asked()[0].caption, QStringLiteral("L53"));
        EXPECT_EQ(c.dialogs.asked()[0].buttons, DialogButtons::OkCancel);
    }
    EXPECT_EQ(form.isVisible(), !k.expectClosed);
    EXPECT_EQ(released, k.expectClosed ? 1 : 0);
    if (k.expectClosed)
        EXPECT_EQ(form.result(), QDialog::Accepted);
    else
        EXPECT_EQ(form.lines().size(), cardLines().size()); // content kept
    form.hide();
}

INSTANTIATE_TEST_SUITE_P(Cases, TFormHistClose,
                         testing::Values(CloseCase{"NobodyCancelKeepsOpen", "--", true, true,
                                                   DialogResult::Cancel, false, true, false},
                                         CloseCase{"NobodyOkCloses", "--", true, true,
                                                   DialogResult::Ok, false, true, true},
                                         CloseCase{"NoUserHookIsNobody", nullptr, true, true,
                                                   DialogResult::Cancel, false, true, false},
                                         CloseCase{"HolderStoredAsksNothing", "Ivanov", true, true,
                                                   DialogResult::Ok, true, false, true},
                                         CloseCase{"HolderStoreFailedAsks", "Ivanov", false, true,
                                                   DialogResult::Cancel, true, true, false},
                                         CloseCase{"HolderWithoutWriterAsks", "Ivanov", false,
                                                   false, DialogResult::Ok, false, true, true}),
                         [](const testing::TestParamInfo<CloseCase>& info) {
                             return info.param.name;
                         });

TEST(TFormHist, ClosingASavedHistoryAsksNothingAndEscapeRunsTheHandlerToo)
{
    HistWindowContext c;
    TFormHist form(c.ctx);
    form.setUnsavedHistory(false);
    form.show();
    form.reject(); // Escape and the window's close button end here
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(c.dialogs.asked().isEmpty());
    EXPECT_TRUE(c.progress.calls.contains(QStringLiteral("show 520 1")));
}

void statusBarEvent(TFormHist& form, QEvent::Type type, Qt::MouseButton button)
{
    QMouseEvent event(type, QPointF(5, 5), form.StatusBarHist->mapToGlobal(QPointF(5, 5)), button,
                      button, Qt::NoModifier);
    QCoreApplication::sendEvent(form.StatusBarHist, &event);
}

TEST(TFormHist, ServiceFunctionTogglesAndRunsJobZeroOnOk)
{
    HistWindowContext c;
    TFormHist form(c.ctx);
    QList<int> jobs;
    form.runDeviceJob = [&jobs](int job) { jobs.append(job); };
    form.show();

    // Off: a right click asks nothing.
    statusBarEvent(form, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_TRUE(c.dialogs.asked().isEmpty());

    // Two double clicks switch it on and off again.
    statusBarEvent(form, QEvent::MouseButtonDblClick, Qt::LeftButton);
    EXPECT_TRUE(form.serviceMode());
    statusBarEvent(form, QEvent::MouseButtonDblClick, Qt::LeftButton);
    EXPECT_FALSE(form.serviceMode());
    statusBarEvent(form, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_TRUE(c.dialogs.asked().isEmpty());

    // On: a left press does nothing; a right press asks, Cancel runs nothing, OK runs job 0.
    statusBarEvent(form, QEvent::MouseButtonDblClick, Qt::LeftButton);
    statusBarEvent(form, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(c.dialogs.asked().isEmpty());
    c.dialogs.answerMessage(DialogResult::Cancel);
    statusBarEvent(form, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_TRUE(jobs.isEmpty());
    c.dialogs.answerMessage(DialogResult::Ok);
    statusBarEvent(form, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_EQ(jobs, QList<int>{0});
    ASSERT_EQ(c.dialogs.asked().size(), 2);
    EXPECT_EQ(c.dialogs.asked()[1].text, QStringLiteral("Delete history?"));
    EXPECT_EQ(c.dialogs.asked()[1].caption, QStringLiteral("L53"));
    EXPECT_EQ(c.dialogs.asked()[1].buttons, DialogButtons::OkCancel);
    EXPECT_TRUE(c.dialogs.unexpected().isEmpty());
    form.hide();
}

TEST(TFormHist, AddToDatabaseRunsTheRegistration)
{
    HistWindowContext c;
    TFormHist form(c.ctx);
    form.tbtnAddDB->click(); // no hook yet: nothing
    int registrations = 0;
    form.startRegistration = [&registrations] { ++registrations; };
    form.tbtnAddDB->click();
    EXPECT_EQ(registrations, 1);
}

struct SaveCase {
    const char* name;
    const char* chosen; // file name answered in the save dialog
    const char* written;
};

void PrintTo(const SaveCase& c, std::ostream* os)
{
    *os << c.name;
}

class TFormHistSave : public testing::TestWithParam<SaveCase> {};

TEST_P(TFormHistSave, WritesRichTextThatAReaderGetsBack)
{
    HistWindowContext c;
    QTemporaryDir dir;
    TFormHist form(c.ctx);
    QList<Posted> lines = cardLines();
    lines +=
        {{QStringLiteral("Тревога, гамма                01.02.2024/10:00   1,5 мкЗв/ч"), 30, 1},
         {QStringLiteral("Back\\slash {x}               01.02.2024/10:05"), 30, 2},
         {QStringLiteral("                              plain"), 30, 0}};
    post(form, lines);
    form.setUnsavedHistory(true);
    c.dialogs.answerFile(dir.filePath(QLatin1String(GetParam().chosen)));

    form.tbtnSave->click();

    ASSERT_EQ(c.dialogs.asked().size(), 1);
    EXPECT_EQ(c.dialogs.asked()[0].kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_TRUE(c.dialogs.asked()[0].text.contains(QLatin1String("*.rtf")));
    EXPECT_EQ(c.dialogs.asked()[0].detail, QStringLiteral("rtf"));
    EXPECT_FALSE(form.unsavedHistory());
    const QString path = dir.filePath(QLatin1String(GetParam().written));
    ASSERT_TRUE(QFile::exists(path)) << path.toStdString();

    const test::ReadBack back = test::readWithUnrtf(path);
    ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
    QStringList folded;
    RtfDocument looks;
    for (const Posted& p : lines) {
        folded.append(p.text.simplified());
        looks.lines.append(test::expectedLook(p.text, p.width, p.colour));
    }
    EXPECT_EQ(back.foldedText().join(u'\n').toStdString(), folded.join(u'\n').toStdString());
    EXPECT_EQ(test::readLooks(back).join(u'\n').toStdString(),
              test::documentLooks(looks).join(u'\n').toStdString());
}

INSTANTIATE_TEST_SUITE_P(Names, TFormHistSave,
                         testing::Values(SaveCase{"ExtensionAdded", "hist", "hist.rtf"},
                                         SaveCase{"ExtensionKept", "hist.rtf", "hist.rtf"},
                                         SaveCase{"OtherExtensionKept", "hist.doc", "hist.doc"}),
                         [](const testing::TestParamInfo<SaveCase>& info) {
                             return info.param.name;
                         });

TEST(TFormHist, UnwritableFileIsReportedAndTheHistoryStaysUnsaved)
{
    HistWindowContext c;
    QTemporaryDir dir;
    TFormHist form(c.ctx);
    post(form, cardLines());
    form.setUnsavedHistory(true);
    c.dialogs.answerFile(dir.filePath(QStringLiteral("no/such/folder/hist")));
    c.dialogs.answerMessage(DialogResult::Ok);
    form.tbtnSave->click();
    ASSERT_EQ(c.dialogs.asked().size(), 2);
    EXPECT_EQ(c.dialogs.asked()[1].kind, ScriptedDialogs::Kind::Message);
    EXPECT_EQ(c.dialogs.asked()[1].caption, QStringLiteral("L7"));
    EXPECT_FALSE(c.dialogs.asked()[1].text.isEmpty());
    EXPECT_TRUE(form.unsavedHistory());

    // A cancelled dialog writes nothing and keeps the mark as well.
    c.dialogs.cancelNext(ScriptedDialogs::Kind::SaveFile);
    form.tbtnSave->click();
    EXPECT_TRUE(form.unsavedHistory());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

} // namespace
} // namespace qz

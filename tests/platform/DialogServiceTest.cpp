#include "common/platform/DialogService.h"

#include <gtest/gtest.h>

using qz::DialogButtons;
using qz::DialogResult;
using qz::ScriptedDialogs;
using Kind = ScriptedDialogs::Kind;

TEST(ScriptedDialogs, AnswersInOrderAndRecordsEveryQuestion)
{
    ScriptedDialogs dialogs;
    dialogs.answerMessage(DialogResult::Cancel);
    dialogs.answerInput(QStringLiteral("secret"));
    dialogs.answerFile(QStringLiteral("/tmp/history.rtf"));
    dialogs.answerFile(QStringLiteral("/tmp/in.txt"));
    dialogs.answerPrint(qz::PrintChoice{QStringLiteral("PDF"), 2, false, {}});
    dialogs.answerMessage(DialogResult::Ok);

    qz::DialogService& ask = dialogs;
    EXPECT_EQ(ask.messageBox(QStringLiteral("Delete?"), QStringLiteral("Question"),
                             DialogButtons::OkCancel),
              DialogResult::Cancel);
    EXPECT_EQ(
        ask.inputBox(QStringLiteral("Password"), QString(), QString(), qz::InputEcho::Password),
        QStringLiteral("secret"));
    EXPECT_EQ(ask.saveFileName(QStringLiteral("Save"), QStringLiteral("RTF (*.rtf)"),
                               QStringLiteral("rtf")),
              QStringLiteral("/tmp/history.rtf"));
    EXPECT_EQ(ask.openFileName(QStringLiteral("Open"), QStringLiteral("Text (*.txt)"),
                               QStringLiteral("txt")),
              QStringLiteral("/tmp/in.txt"));
    const auto print = ask.printDialog(QStringLiteral("Print"));
    ASSERT_TRUE(print.has_value());
    EXPECT_EQ(print->printerName, QStringLiteral("PDF"));
    EXPECT_EQ(print->copies, 2);
    EXPECT_EQ(ask.messageBox(QStringLiteral("Wrong password"), QStringLiteral("Error"),
                             DialogButtons::Ok),
              DialogResult::Ok);

    EXPECT_EQ(dialogs.pendingAnswers(), 0);
    EXPECT_TRUE(dialogs.unexpected().isEmpty());
    struct Seen {
        Kind kind;
        const char* caption;
        const char* text;
        const char* detail;
    };
    const Seen seen[] = {
        {Kind::Message, "Question", "Delete?", ""},
        {Kind::Input, "Password", "", ""},
        {Kind::SaveFile, "Save", "RTF (*.rtf)", "rtf"},
        {Kind::OpenFile, "Open", "Text (*.txt)", "txt"},
        {Kind::Print, "Print", "", ""},
        {Kind::Message, "Error", "Wrong password", ""},
    };
    ASSERT_EQ(dialogs.asked().size(), qsizetype(std::size(seen)));
    for (size_t i = 0; i < std::size(seen); ++i) {
        SCOPED_TRACE(i);
        const ScriptedDialogs::Question& q = dialogs.asked()[qsizetype(i)];
        EXPECT_EQ(q.kind, seen[i].kind);
        EXPECT_EQ(q.caption, QString::fromUtf8(seen[i].caption));
        EXPECT_EQ(q.text, QString::fromUtf8(seen[i].text));
        EXPECT_EQ(q.detail, QString::fromUtf8(seen[i].detail));
        EXPECT_TRUE(q.expected);
    }
    EXPECT_EQ(dialogs.asked()[0].buttons, DialogButtons::OkCancel);
    EXPECT_EQ(dialogs.asked()[1].echo, qz::InputEcho::Password);
}

TEST(ScriptedDialogs, QuestionsWithoutAnAnswerAreCancelledAndFlagged)
{
    ScriptedDialogs dialogs;
    EXPECT_EQ(
        dialogs.messageBox(QStringLiteral("Sure?"), QStringLiteral("Q"), DialogButtons::OkCancel),
        DialogResult::Cancel);
    // An Ok-only box has no other answer.
    EXPECT_EQ(dialogs.messageBox(QStringLiteral("Failed"), QStringLiteral("E"), DialogButtons::Ok),
              DialogResult::Ok);
    EXPECT_FALSE(dialogs.inputBox(QStringLiteral("Name"), QString(), QStringLiteral("x")));
    EXPECT_FALSE(dialogs.saveFileName(QStringLiteral("Save"), QString(), QString()));
    EXPECT_FALSE(dialogs.printDialog(QStringLiteral("Print")));

    const auto unexpected = dialogs.unexpected();
    ASSERT_EQ(unexpected.size(), 5);
    EXPECT_EQ(unexpected[0].text, QStringLiteral("Sure?"));
    EXPECT_EQ(unexpected[1].text, QStringLiteral("Failed"));
    EXPECT_EQ(unexpected[2].kind, Kind::Input);
    EXPECT_EQ(unexpected[2].detail, QStringLiteral("x"));
    EXPECT_EQ(unexpected[4].kind, Kind::Print);
}

TEST(ScriptedDialogs, AnswerOfAnotherKindWaitsForItsQuestion)
{
    ScriptedDialogs dialogs;
    dialogs.answerInput(QStringLiteral("1"));
    // A message box nobody expected comes first: cancelled, flagged, the answer kept.
    EXPECT_EQ(dialogs.messageBox(QStringLiteral("?"), QStringLiteral("Q"), DialogButtons::OkCancel),
              DialogResult::Cancel);
    EXPECT_EQ(dialogs.pendingAnswers(), 1);
    EXPECT_EQ(dialogs.inputBox(QStringLiteral("P"), QString(), QString()), QStringLiteral("1"));
    ASSERT_EQ(dialogs.unexpected().size(), 1);
    EXPECT_EQ(dialogs.unexpected()[0].kind, Kind::Message);
}

TEST(ScriptedDialogs, CancelledOnPurposeIsExpected)
{
    ScriptedDialogs dialogs;
    for (const Kind kind :
         {Kind::Message, Kind::Input, Kind::SaveFile, Kind::OpenFile, Kind::Print})
        dialogs.cancelNext(kind);
    EXPECT_EQ(dialogs.messageBox(QStringLiteral("?"), QStringLiteral("Q"), DialogButtons::OkCancel),
              DialogResult::Cancel);
    EXPECT_FALSE(dialogs.inputBox(QStringLiteral("P"), QString(), QStringLiteral("def")));
    EXPECT_FALSE(dialogs.saveFileName(QStringLiteral("S"), QString(), QString()));
    EXPECT_FALSE(dialogs.openFileName(QStringLiteral("O"), QString(), QString()));
    EXPECT_FALSE(dialogs.printDialog(QStringLiteral("Print")));
    EXPECT_EQ(dialogs.asked().size(), 5);
    EXPECT_TRUE(dialogs.unexpected().isEmpty());

    // An empty text entered is an answer, not a cancel.
    dialogs.answerInput(QString());
    const auto empty = dialogs.inputBox(QStringLiteral("P"), QString(), QString());
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isEmpty());

    dialogs.clear();
    EXPECT_TRUE(dialogs.asked().isEmpty());
    EXPECT_EQ(dialogs.pendingAnswers(), 0);
}

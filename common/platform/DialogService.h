#pragma once

#include <QList>
#include <QString>

#include <deque>
#include <optional>

namespace qz {

enum class DialogButtons { Ok, OkCancel };
enum class DialogResult { Ok, Cancel };
enum class InputEcho { Normal, Password };

// What a print dialog offers besides the printer: printing only the selection.
struct PrintRequest {
    bool offerSelection = false;       // the selection can be printed alone
    bool selectionPreselected = false; // ... and is chosen when the dialog opens
};

// What the operator chose in a print dialog. An outputFile prints into a PDF file instead
// of to the printer (the printer dialogs' "print to file"; tests use it).
struct PrintChoice {
    QString printerName;
    int copies = 1;
    bool selectionOnly = false;
    QString outputFile;
};

// Every question the program puts to the operator: message boxes, input boxes, file and
// print dialogs. The program uses the widget implementation; tests use ScriptedDialogs,
// which answers from prepared answers and records what was asked.
class DialogService {
public:
    virtual ~DialogService() = default;

    // A message box. An Ok-only box always answers Ok, however it is closed.
    virtual DialogResult messageBox(const QString& text, const QString& caption,
                                    DialogButtons buttons) = 0;

    // An input box: the text entered, or nothing when cancelled.
    virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                            const QString& defaultText,
                                            InputEcho echo = InputEcho::Normal) = 0;

    // File dialogs: the chosen path, or nothing when cancelled. The filter is in the
    // "Text files (*.txt)" form; the default extension (no dot) is added to a name typed
    // without one. initialPath proposes a folder or a file.
    virtual std::optional<QString> saveFileName(const QString& caption, const QString& filter,
                                                const QString& defaultExtension,
                                                const QString& initialPath = QString()) = 0;
    virtual std::optional<QString> openFileName(const QString& caption, const QString& filter,
                                                const QString& defaultExtension,
                                                const QString& initialPath = QString()) = 0;

    // A print dialog: the choice, or nothing when cancelled.
    virtual std::optional<PrintChoice> printDialog(const QString& caption,
                                                   const PrintRequest& request = {}) = 0;
};

// The dialog service of tests. Answers are queued in the order the questions will come;
// every question is recorded. A question with no prepared answer of its kind is answered
// Cancel (an Ok-only message box: Ok, its only answer) and recorded as unexpected, so a
// test can fail on it instead of hanging on a window nobody closes. A prepared answer of
// another kind stays queued for the question it was meant for.
class ScriptedDialogs final : public DialogService {
public:
    enum class Kind { Message, Input, SaveFile, OpenFile, Print };

    struct Question {
        Kind kind = Kind::Message;
        QString caption;
        // Message box: its text; input box: the prompt; file dialogs: the filter.
        QString text;
        // Input box: the default text; file dialogs: the default extension.
        QString detail;
        DialogButtons buttons = DialogButtons::Ok; // message boxes
        InputEcho echo = InputEcho::Normal;        // input boxes
        PrintRequest print;                        // print dialogs
        bool expected = true;                      // a prepared answer was there
    };

    // Prepared answers, one per question to come.
    void answerMessage(DialogResult result);
    void answerInput(const QString& text);
    void answerFile(const QString& path); // the next save or open dialog
    void answerPrint(const PrintChoice& choice);
    // The next question of the given kind is cancelled.
    void cancelNext(Kind kind);

    const QList<Question>& asked() const { return m_asked; }
    QList<Question> unexpected() const;
    // Prepared answers that no question used.
    qsizetype pendingAnswers() const { return qsizetype(m_answers.size()); }
    void clear();

    DialogResult messageBox(const QString& text, const QString& caption,
                            DialogButtons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultText,
                                    InputEcho echo = InputEcho::Normal) override;
    std::optional<QString> saveFileName(const QString& caption, const QString& filter,
                                        const QString& defaultExtension,
                                        const QString& initialPath = QString()) override;
    std::optional<QString> openFileName(const QString& caption, const QString& filter,
                                        const QString& defaultExtension,
                                        const QString& initialPath = QString()) override;
    std::optional<PrintChoice> printDialog(const QString& caption,
                                           const PrintRequest& request = {}) override;

private:
    struct Answer {
        Kind kind = Kind::Message;
        bool accepted = true;
        DialogResult result = DialogResult::Ok;
        QString text;
        PrintChoice print;
    };
    // Takes the first queued answer when it is of the kind asked (file answers serve both
    // file dialogs); records the question.
    std::optional<Answer> take(Question question);
    std::optional<QString> askFile(Kind kind, const QString& caption, const QString& filter,
                                   const QString& defaultExtension);

    std::deque<Answer> m_answers;
    QList<Question> m_asked;
};

const char* toString(ScriptedDialogs::Kind kind);

} // namespace qz

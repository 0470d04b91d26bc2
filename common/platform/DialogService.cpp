#include "common/platform/DialogService.h"

namespace qz {

namespace {

bool serves(ScriptedDialogs::Kind answer, ScriptedDialogs::Kind question)
{
    using K = ScriptedDialogs::Kind;
    const auto isFile = [](K k) { return k == K::SaveFile || k == K::OpenFile; };
    return answer == question || (isFile(answer) && isFile(question));
}

} // namespace

const char* toString(ScriptedDialogs::Kind kind)
{
    switch (kind) {
    case ScriptedDialogs::Kind::Message:
        return "message box";
    case ScriptedDialogs::Kind::Input:
        return "input box";
    case ScriptedDialogs::Kind::SaveFile:
        return "save dialog";
    case ScriptedDialogs::Kind::OpenFile:
        return "open dialog";
    case ScriptedDialogs::Kind::Print:
        return "print dialog";
    }
    return "?";
}

void ScriptedDialogs::answerMessage(DialogResult result)
{
    Answer a;
    a.kind = Kind::Message;
    a.result = result;
    m_answers.push_back(a);
}

void ScriptedDialogs::answerInput(const QString& text)
{
    Answer a;
    a.kind = Kind::Input;
    a.text = text;
    m_answers.push_back(a);
}

void ScriptedDialogs::answerFile(const QString& path)
{
    Answer a;
    a.kind = Kind::SaveFile;
    a.text = path;
    m_answers.push_back(a);
}

void ScriptedDialogs::answerPrint(const PrintChoice& choice)
{
    Answer a;
    a.kind = Kind::Print;
    a.print = choice;
    m_answers.push_back(a);
}

void ScriptedDialogs::cancelNext(Kind kind)
{
    Answer a;
    a.kind = kind;
    a.accepted = false;
    a.result = DialogResult::Cancel;
    m_answers.push_back(a);
}

QList<ScriptedDialogs::Question> ScriptedDialogs::unexpected() const
{
    QList<Question> out;
    for (const Question& q : m_asked) {
        if (!q.expected)
            out.append(q);
    }
    return out;
}

void ScriptedDialogs::clear()
{
    m_answers.clear();
    m_asked.clear();
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::take(Question question)
{
    std::optional<Answer> answer;
    if (!m_answers.empty() && serves(m_answers.front().kind, question.kind)) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    question.expected = answer.has_value();
    m_asked.append(question);
    return answer;
}

DialogResult ScriptedDialogs::messageBox(const QString& text, const QString& caption,
                                         DialogButtons buttons)
{
    Question q;
    q.kind = Kind::Message;
    q.caption = caption;
    q.text = text;
    q.buttons = buttons;
    const std::optional<Answer> a = take(q);
    if (buttons == DialogButtons::Ok)
        return DialogResult::Ok;
    return a ? a->result : DialogResult::Cancel;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString& caption, const QString& prompt,
                                                 const QString& defaultText, InputEcho echo)
{
    Question q;
    q.kind = Kind::Input;
    q.caption = caption;
    q.text = prompt;
    q.detail = defaultText;
    q.echo = echo;
    const std::optional<Answer> a = take(q);
    if (!a || !a->accepted)
        return std::nullopt;
    return a->text;
}

std::optional<QString> ScriptedDialogs::askFile(Kind kind, const QString& caption,
                                                const QString& filter,
                                                const QString& defaultExtension)
{
    Question q;
    q.kind = kind;
    q.caption = caption;
    q.text = filter;
    q.detail = defaultExtension;
    const std::optional<Answer> a = take(q);
    if (!a || !a->accepted)
        return std::nullopt;
    return a->text;
}

std::optional<QString> ScriptedDialogs::saveFileName(const QString& caption, const QString& filter,
                                                     const QString& defaultExtension,
                                                     const QString& /*initialPath*/)
{
    return askFile(Kind::SaveFile, caption, filter, defaultExtension);
}

std::optional<QString> ScriptedDialogs::openFileName(const QString& caption, const QString& filter,
                                                     const QString& defaultExtension,
                                                     const QString& /*initialPath*/)
{
    return askFile(Kind::OpenFile, caption, filter, defaultExtension);
}

std::optional<PrintChoice> ScriptedDialogs::printDialog(const QString& caption,
                                                        const PrintRequest& request)
{
    Question q;
    q.kind = Kind::Print;
    q.caption = caption;
    q.print = request;
    const std::optional<Answer> a = take(q);
    if (!a || !a->accepted)
        return std::nullopt;
    return a->print;
}

} // namespace qz

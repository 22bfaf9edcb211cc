#include "storage/prompter.h"

#include <QCoreApplication>

bool Prompter::confirm(const QString& text) {
    Question q;
    q.text = text;
    q.buttons = {QCoreApplication::translate("Prompter", "是"),
                 QCoreApplication::translate("Prompter", "否")};
    return ask(q).button == 0;
}

Prompter::Answer ScriptedPrompter::ask(const Question& question) {
    asked.append(question);
    if (!answers.isEmpty())
        return answers.takeFirst();
    Answer answer;
    answer.button = defaultButton >= 0 ? defaultButton : int(question.buttons.size()) - 1;
    return answer;
}

void ScriptedPrompter::message(Icon icon, const QString& text) {
    messages.append({icon, text});
}

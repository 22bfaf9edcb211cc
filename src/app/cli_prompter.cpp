#include "app/cli_prompter.h"

#include <cstdio>

Prompter::Answer CliPrompter::ask(const Question& question) {
    QMutexLocker lock(&m_mutex);
    Answer answer = ScriptedPrompter::ask(question);
    // Nobody can tick a list here: what is offered ticked is taken.
    if (!question.choices.isEmpty()) {
        answer.button = 0;
        answer.chosen = question.preselected;
    }
    const QString button = question.buttons.value(answer.button);
    if (m_before)
        m_before();
    std::fprintf(stderr, "%s %s\n", question.text.toUtf8().constData(), button.toUtf8().constData());
    return answer;
}

void CliPrompter::message(Icon icon, const QString& text) {
    QMutexLocker lock(&m_mutex);
    ScriptedPrompter::message(icon, text);
    if (m_before)
        m_before();
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

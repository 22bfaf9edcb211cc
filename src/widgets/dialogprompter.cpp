#include "widgets/dialogprompter.h"

#include "widgets/messages.h"

#include <QCoreApplication>
#include <QThread>

namespace {

// Runs work on the application's thread and waits for it.
void onGuiThread(const std::function<void()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(app, work, Qt::BlockingQueuedConnection);
}

} // namespace

Prompter::Answer DialogPrompter::ask(const Question& question) {
    Answer answer;
    onGuiThread([&] {
        // The jobs of e-book output only ask yes/no questions.
        answer.button = Messages::question(m_parent, question.text) ? 0 : 1;
    });
    return answer;
}

void DialogPrompter::message(Icon icon, const QString& text) {
    onGuiThread([&] {
        if (icon == Icon::Warning)
            Messages::warning(m_parent, text);
        else
            Messages::information(m_parent, text);
    });
}

#include "widgets/desktopprompter.h"

#include "widgets/messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHash>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QSemaphore>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

namespace {

DesktopPrompter::Handler& handler() {
    static DesktopPrompter::Handler h;
    return h;
}

QHash<QString, DesktopPrompter::QuestionWindow>& questionWindows() {
    static QHash<QString, DesktopPrompter::QuestionWindow> windows;
    return windows;
}

bool isYesNo(const Prompter::Question& q) {
    return q.choices.isEmpty() && q.applyToAllText.isEmpty() && q.buttons.size() == 2 &&
           q.buttons.at(0) == QCoreApplication::translate("Prompter", "是") &&
           q.buttons.at(1) == QCoreApplication::translate("Prompter", "否");
}

// What the worker and the window share; the worker may give up before the window answers.
struct Exchange {
    QSemaphore done;
    Prompter::Answer answer;
};

} // namespace

DesktopPrompter::DesktopPrompter(QWidget* parentWidget)
    : m_parentWidget(parentWidget) {}

DesktopPrompter::~DesktopPrompter() {
    close();
}

void DesktopPrompter::setHandler(Handler h) {
    handler() = std::move(h);
}

void DesktopPrompter::setQuestionWindow(const QString& questionText, QuestionWindow window) {
    questionWindows().insert(questionText, std::move(window));
}

void DesktopPrompter::close() {
    m_closed.store(true);
}

Prompter::Answer DesktopPrompter::onWindowThread(const std::function<Answer()>& work) {
    if (m_closed.load())
        return {};
    if (QThread::currentThread() == thread())
        return work();
    auto exchange = std::make_shared<Exchange>();
    QMetaObject::invokeMethod(
        this,
        [this, exchange, work] {
            if (!m_closed.load())
                exchange->answer = work();
            exchange->done.release();
        },
        Qt::QueuedConnection);
    // Waiting in slices so that a closing window releases the worker.
    while (!exchange->done.tryAcquire(1, 100))
        if (m_closed.load())
            return {};
    return exchange->answer;
}

Prompter::Answer DesktopPrompter::ask(const Question& question) {
    return onWindowThread([this, question] { return askHere(question); });
}

void DesktopPrompter::message(Icon icon, const QString& text) {
    onWindowThread([this, icon, text] {
        if (icon == Icon::Warning)
            Messages::warning(m_parentWidget, text);
        else
            Messages::information(m_parentWidget, text);
        return Answer{};
    });
}

Prompter::Answer DesktopPrompter::askHere(const Question& question) {
    Answer answer;
    if (isYesNo(question)) {
        answer.button = Messages::question(m_parentWidget, question.text) ? 0 : 1;
        return answer;
    }
    if (handler())
        return handler()(question);
    if (const QuestionWindow window = questionWindows().value(question.text))
        return window(question, m_parentWidget);

    QDialog dialog(m_parentWidget);
    dialog.setWindowTitle(QApplication::applicationDisplayName());
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(question.text, &dialog);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    QListWidget* list = nullptr;
    if (!question.choices.isEmpty()) {
        list = new QListWidget(&dialog);
        for (int i = 0; i < question.choices.size(); ++i) {
            auto* item = new QListWidgetItem(question.choices.at(i), list);
            item->setCheckState(question.preselected.contains(i) ? Qt::Checked : Qt::Unchecked);
        }
        layout->addWidget(list);
    }
    QCheckBox* all = nullptr;
    if (!question.applyToAllText.isEmpty()) {
        all = new QCheckBox(question.applyToAllText, &dialog);
        layout->addWidget(all);
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    for (int i = 0; i < question.buttons.size(); ++i) {
        QPushButton* button = buttons->addButton(question.buttons.at(i), QDialogButtonBox::ActionRole);
        connect(button, &QPushButton::clicked, &dialog, [&dialog, i] { dialog.done(100 + i); });
    }
    layout->addWidget(buttons);
    const int result = dialog.exec();
    answer.button = result >= 100 ? result - 100 : -1;
    if (list)
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->checkState() == Qt::Checked)
                answer.chosen << i;
    answer.applyToAll = all && all->isChecked();
    return answer;
}

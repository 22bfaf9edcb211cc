#pragma once

#include "storage/prompter.h"

#include <QObject>

#include <atomic>
#include <functional>

class QWidget;

// The prompter of the desktop program: a job's question is shown on the window's thread while the
// worker waits for the answer. Once the window closes, waiting workers get "no answer" instead of
// waiting for a window that will not come.
class DesktopPrompter : public QObject, public Prompter {
    Q_OBJECT

public:
    // Lives on the thread that creates it (the window's); parentWidget owns the message boxes.
    explicit DesktopPrompter(QWidget* parentWidget);
    ~DesktopPrompter() override;

    Answer ask(const Question& question) override;
    void message(Icon icon, const QString& text) override;

    // Questions asked from now on, and those waiting, get no answer.
    void close();

    // Tests answer the questions with buttons other than Yes/No here (messages and Yes/No questions
    // go through Messages).
    using Handler = std::function<Answer(const Question&)>;
    static void setHandler(Handler handler);

    // A question whose text is questionText is asked with a window of its own (the renewal's choice of
    // new chapters); the program registers them, as this folder knows no subsystem's windows.
    using QuestionWindow = std::function<Answer(const Question&, QWidget* parent)>;
    static void setQuestionWindow(const QString& questionText, QuestionWindow window);

private:
    Answer askHere(const Question& question);
    Answer onWindowThread(const std::function<Answer()>& work);

    QWidget* m_parentWidget;
    std::atomic<bool> m_closed{false};
};

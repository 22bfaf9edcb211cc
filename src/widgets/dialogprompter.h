#pragma once

#include "storage/prompter.h"

#include <QPointer>
#include <QWidget>

// A job's questions and messages as message boxes over a window. Called from the job's worker
// thread it shows them on the window's thread and waits for the answer.
class DialogPrompter : public Prompter {
public:
    explicit DialogPrompter(QWidget* parent)
        : m_parent(parent) {}

    Answer ask(const Question& question) override;
    void message(Icon icon, const QString& text) override;

private:
    QPointer<QWidget> m_parent;
};

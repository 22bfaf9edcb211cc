#pragma once

#include "storage/prompter.h"

#include <QMutex>

#include <functional>

// The command line's answers: every question gets the button given (the last one, "否", unless a
// flag said otherwise), a list to choose from is taken as offered; questions and messages go to
// stderr. Jobs call it from their own thread.
class CliPrompter : public ScriptedPrompter {
public:
    explicit CliPrompter(int button = -1) { defaultButton = button; }

    Answer ask(const Question& question) override;
    void message(Icon icon, const QString& text) override;
    // Called before each question or message is written, so that what came before is out first.
    void setBeforeWriting(std::function<void()> before) { m_before = std::move(before); }

private:
    QMutex m_mutex;
    std::function<void()> m_before;
};

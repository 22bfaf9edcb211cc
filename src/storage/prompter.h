#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How work that runs away from the window asks the user something or tells them something. The
// desktop program asks on the window's thread (the worker waits for the answer), the command line
// answers from its flags, tests answer from a script.
class Prompter {
public:
    enum class Icon { None, Information, Warning, Question };

    struct Question {
        QString text;
        QStringList buttons; // e.g. {"是", "否"}; the index of the one pressed is the answer
        Icon icon = Icon::Question;
        QStringList choices; // optional list to choose from
        QList<int> preselected;
        QString applyToAllText; // optional check box ("全部照此处理")
        QString subject;        // what the question is about, for a window that needs it (a NovelID)
    };

    struct Answer {
        int button = -1;   // -1: closed without an answer
        QList<int> chosen; // indexes into Question::choices
        bool applyToAll = false;
        // The choices as the user left them, when the window lets them be edited; empty otherwise.
        QStringList edited;
    };

    virtual ~Prompter() = default;
    virtual Answer ask(const Question& question) = 0;
    virtual void message(Icon icon, const QString& text) = 0;

    // Yes/No with the question icon; true for Yes.
    bool confirm(const QString& text);
    void warning(const QString& text) { message(Icon::Warning, text); }
    void information(const QString& text) { message(Icon::Information, text); }
};

// Answers every question with a fixed button (by default the last, the "No"/"Cancel" one) and keeps
// the messages. The command line uses it with its flags; tests read what was said.
class ScriptedPrompter : public Prompter {
public:
    // Answers given in order; when they run out, defaultButton is used (-1: the last button).
    QList<Answer> answers;
    int defaultButton = -1;

    QList<Question> asked;
    QList<QPair<Icon, QString>> messages;

    Answer ask(const Question& question) override;
    void message(Icon icon, const QString& text) override;
};

#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QStringList>

class SpeechEngine;

// Reads sentences aloud one after the other through a speech engine, saying which one is being read.
class ReadAloud : public QObject {
    Q_OBJECT

public:
    explicit ReadAloud(SpeechEngine* engine, QObject* parent = nullptr);

    // Settings keys of book.ini's Main: the rate -10..10 and the voice's name ("" for the first
    // Chinese one).
    static QString rateKey() { return QStringLiteral("SpeechRate"); }
    static QString voiceKey() { return QStringLiteral("SpeechVoice"); }
    // "" when the engine can read Chinese, else the message for the user.
    static QString unavailableMessage(const SpeechEngine& engine);

    // From the sentence where the selection begins (see SpeechText::from), or from the top.
    void start(const QStringList& sentences, const QString& selection = {});
    void stop();
    bool isReading() const { return m_at >= 0; }

Q_SIGNALS:
    void reading(int index, const QString& sentence);
    // At the end, on stop(), and after an engine error.
    void finished();
    void failed(const QString& message);

private:
    void next();
    void end();

    QPointer<SpeechEngine> m_engine;
    QStringList m_sentences;
    int m_at = -1;
};

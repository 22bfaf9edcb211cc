#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// What reading aloud needs of a speech engine: one sentence at a time, a stop, and the Chinese voices.
class SpeechEngine : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether the engine started at all (a speech service to talk to).
    virtual bool isAvailable() const = 0;
    virtual QString name() const = 0;
    // The voices that read Chinese, by name.
    virtual QStringList chineseVoices() const = 0;
    bool hasChineseVoice() const { return !chineseVoices().isEmpty(); }
    // "" chooses the first Chinese voice.
    virtual void setVoice(const QString& voice) = 0;
    // -1 (slowest) .. 1 (fastest).
    virtual void setRate(double rate) = 0;
    virtual void say(const QString& text) = 0;
    virtual void stop() = 0;

    // The engine reading aloud uses; tests put a fake in its place.
    using Factory = std::function<SpeechEngine*(QObject* parent)>;
    static SpeechEngine* create(QObject* parent);
    static void setFactory(Factory factory);
    // The rate setting (-10..10) as the engine's.
    static double rateOf(int setting) { return qBound(-10, setting, 10) / 10.0; }

Q_SIGNALS:
    // The sentence given to say() has been said (not after stop()).
    void sentenceFinished();
    void error(const QString& message);
};

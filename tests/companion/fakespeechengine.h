#pragma once

#include "companion/speechengine.h"

// A speech engine that says nothing: it records what it is given; finish() ends the sentence.
class FakeSpeechEngine : public SpeechEngine {
public:
    explicit FakeSpeechEngine(QStringList voices = {QStringLiteral("zh")}, bool available = true,
                              QObject* parent = nullptr)
        : SpeechEngine(parent)
        , m_voices(std::move(voices))
        , m_available(available) {}

    bool isAvailable() const override { return m_available; }
    QString name() const override { return QStringLiteral("fake"); }
    QStringList chineseVoices() const override { return m_voices; }
    void setVoice(const QString& voice) override { this->voice = voice; }
    void setRate(double rate) override { this->rate = rate; }
    void say(const QString& text) override { said << text; }
    void stop() override { ++stops; }
    void finish() { Q_EMIT sentenceFinished(); }

    QStringList said;
    int stops = 0;
    QString voice;
    double rate = 0;

private:
    QStringList m_voices;
    bool m_available;
};

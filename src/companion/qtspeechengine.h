#pragma once

#include "companion/speechengine.h"

class QTextToSpeech;

// The desktop's speech service through Qt's text-to-speech (speech-dispatcher on Linux).
class QtSpeechEngine : public SpeechEngine {
    Q_OBJECT

public:
    // engine: one of engines(); "" for Qt's default.
    explicit QtSpeechEngine(const QString& engine = {}, QObject* parent = nullptr);
    ~QtSpeechEngine() override;

    static QStringList engines();

    bool isAvailable() const override;
    QString name() const override { return m_name; }
    QStringList chineseVoices() const override;
    void setVoice(const QString& voice) override;
    void setRate(double rate) override;
    void say(const QString& text) override;
    void stop() override;

private:
    QTextToSpeech* m_speech = nullptr;
    QString m_name;
    bool m_saying = false;
};

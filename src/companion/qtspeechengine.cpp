#include "companion/qtspeechengine.h"

#include <QLocale>
#include <QTextToSpeech>
#include <QVoice>

namespace {

SpeechEngine::Factory& factory() {
    static SpeechEngine::Factory f;
    return f;
}

QList<QLocale> chineseLocales(const QTextToSpeech& speech) {
    QList<QLocale> found;
    for (const QLocale& locale : speech.availableLocales())
        if (locale.language() == QLocale::Chinese)
            found << locale;
    return found;
}

} // namespace

SpeechEngine* SpeechEngine::create(QObject* parent) {
    return factory() ? factory()(parent) : new QtSpeechEngine(QString(), parent);
}

void SpeechEngine::setFactory(Factory f) {
    factory() = std::move(f);
}

QtSpeechEngine::QtSpeechEngine(const QString& engine, QObject* parent)
    : SpeechEngine(parent) {
    const QStringList all = engines();
    m_name = engine.isEmpty() ? all.value(0) : engine;
    // No plugin at all: nothing to talk to, and QTextToSpeech would only complain.
    if (m_name.isEmpty() || !all.contains(m_name))
        return;
    m_speech = new QTextToSpeech(m_name, this);
    connect(m_speech, &QTextToSpeech::stateChanged, this, [this](QTextToSpeech::State state) {
        if (state == QTextToSpeech::Ready && m_saying) {
            m_saying = false;
            Q_EMIT sentenceFinished();
        } else if (state == QTextToSpeech::Error) {
            m_saying = false;
            Q_EMIT error(m_speech->errorString());
        }
    });
}

QtSpeechEngine::~QtSpeechEngine() = default;

QStringList QtSpeechEngine::engines() {
    return QTextToSpeech::availableEngines();
}

bool QtSpeechEngine::isAvailable() const {
    return m_speech && m_speech->state() != QTextToSpeech::Error;
}

QStringList QtSpeechEngine::chineseVoices() const {
    if (!isAvailable())
        return {};
    // Voices come per language: each Chinese one is chosen in turn, then the chosen one comes back.
    const QLocale was = m_speech->locale();
    QStringList names;
    for (const QLocale& locale : chineseLocales(*m_speech)) {
        m_speech->setLocale(locale);
        for (const QVoice& voice : m_speech->availableVoices())
            if (!names.contains(voice.name()))
                names << voice.name();
    }
    m_speech->setLocale(was);
    return names;
}

void QtSpeechEngine::setVoice(const QString& name) {
    if (!isAvailable())
        return;
    for (const QLocale& locale : chineseLocales(*m_speech)) {
        m_speech->setLocale(locale);
        for (const QVoice& voice : m_speech->availableVoices())
            if (name.isEmpty() || voice.name() == name) {
                m_speech->setVoice(voice);
                return;
            }
    }
}

void QtSpeechEngine::setRate(double rate) {
    if (m_speech)
        m_speech->setRate(qBound(-1.0, rate, 1.0));
}

void QtSpeechEngine::say(const QString& text) {
    if (!isAvailable())
        return Q_EMIT error(tr("语音引擎不可用"));
    m_saying = true;
    m_speech->say(text);
}

void QtSpeechEngine::stop() {
    m_saying = false;
    if (m_speech)
        m_speech->stop();
}

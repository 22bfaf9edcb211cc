#include "companion/readaloud.h"

#include "companion/speechengine.h"
#include "companion/speechtext.h"

ReadAloud::ReadAloud(SpeechEngine* engine, QObject* parent)
    : QObject(parent)
    , m_engine(engine) {
    connect(engine, &SpeechEngine::sentenceFinished, this, [this] {
        if (isReading())
            next();
    });
    connect(engine, &SpeechEngine::error, this, [this](const QString& message) {
        if (!isReading())
            return;
        end();
        Q_EMIT failed(message);
    });
}

QString ReadAloud::unavailableMessage(const SpeechEngine& engine) {
    if (engine.isAvailable() && engine.hasChineseVoice())
        return {};
    return QCoreApplication::translate("ReadAloud",
                                       "需要安装中文语音引擎（speech-dispatcher 与 espeak-ng）才能进行朗读");
}

void ReadAloud::start(const QStringList& sentences, const QString& selection) {
    stop();
    m_sentences = SpeechText::from(sentences, selection);
    next();
}

void ReadAloud::stop() {
    if (!isReading())
        return;
    if (m_engine)
        m_engine->stop();
    end();
}

void ReadAloud::next() {
    if (++m_at >= m_sentences.size() || !m_engine)
        return end();
    Q_EMIT reading(m_at, m_sentences.at(m_at));
    m_engine->say(m_sentences.at(m_at));
}

void ReadAloud::end() {
    const bool was = isReading();
    m_at = -1;
    m_sentences.clear();
    if (was)
        Q_EMIT finished();
}

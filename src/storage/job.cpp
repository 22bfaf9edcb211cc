#include "storage/job.h"

#include "storage/prompter.h"

#include <QThread>

namespace {

// Without a prompter: the last button of every question, messages to the log.
class LoggingPrompter : public ScriptedPrompter {
public:
    void message(Icon icon, const QString& text) override {
        ScriptedPrompter::message(icon, text);
        qInfo("%s", qPrintable(text));
    }
};

} // namespace

Job::Job(QObject* parent)
    : QObject(parent) {}

Job::~Job() {
    // Too late for the derived members; at least do not leave the thread behind.
    if (isRunning())
        qCritical("job %s destroyed while running", metaObject()->className());
    stopAndWait(); // also lets a finished thread leave execute() before it is deleted
    delete m_thread;
}

Prompter& Job::prompter() {
    if (m_prompter)
        return *m_prompter;
    if (!m_fallbackPrompter)
        m_fallbackPrompter = std::make_unique<LoggingPrompter>();
    return *m_fallbackPrompter;
}

void Job::execute() {
    m_running.store(true);
    run();
    m_running.store(false);
    Q_EMIT finished();
}

void Job::start() {
    if (m_thread)
        return;
    m_running.store(true); // running from the moment it is asked to start
    m_thread = QThread::create([this] { execute(); });
    m_thread->setObjectName(metaObject()->className());
    m_thread->start();
}

void Job::runHere() {
    execute();
}

bool Job::wait(int milliseconds) {
    if (!m_thread)
        return true;
    return milliseconds < 0 ? m_thread->wait() : m_thread->wait(QDeadlineTimer(milliseconds));
}

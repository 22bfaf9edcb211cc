#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class Prompter;
class QThread;

// Work that takes time: a download run, an export, a conversion, a compilation. run() is written
// sequentially and executes on a worker thread of its own (its own network manager and database
// connection are made there); it reports through the signals, which reach the window queued, and
// looks at stopRequested() at least every item and every 100 ms.
class Job : public QObject {
    Q_OBJECT

public:
    explicit Job(QObject* parent = nullptr);
    // A job must not be destroyed while its work runs: the work uses the members of the derived
    // class, which are gone by the time this destructor runs. Owners call stopAndWait() first (or
    // delete the job once finished() came).
    ~Job() override;

    // Starts run() on a new worker thread. A job runs once.
    void start();
    // Runs run() on the calling thread (command line, tests).
    void runHere();
    bool isRunning() const { return m_running.load(); }
    bool wait(int milliseconds = -1);

    // Thread-safe; the work ends at its next check.
    void requestStop() { m_stop.store(true); }
    void stopAndWait() {
        requestStop();
        wait();
    }
    bool stopRequested() const { return m_stop.load(); }

    // Who answers the job's questions; must outlive the job. Without one, questions get their last
    // button and messages go to the log.
    void setPrompter(Prompter* prompter) { m_prompter = prompter; }
    Prompter& prompter();

Q_SIGNALS:
    void statusChanged(const QString& text);
    void progressChanged(int value, int maximum);
    void finished();

protected:
    virtual void run() = 0;
    void setStatus(const QString& text) { Q_EMIT statusChanged(text); }
    void setProgress(int value, int maximum) { Q_EMIT progressChanged(value, maximum); }

private:
    void execute();

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    QThread* m_thread = nullptr;
    Prompter* m_prompter = nullptr;
    std::unique_ptr<Prompter> m_fallbackPrompter;
};

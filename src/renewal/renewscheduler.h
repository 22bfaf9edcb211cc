#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The automatic renewal of all novels every IntervalTime minutes while the program runs. The main
// window drives it: start() ticks once a minute (or the window calls tick() itself); when the
// interval is reached and no run is going on, renewAllDue() asks for "更新所有小说". A run that is
// going on when the time comes is not waited for: the next one is an interval later. Minutes while
// a renewal it asked for runs are not counted.
class RenewScheduler : public QObject {
    Q_OBJECT

public:
    explicit RenewScheduler(QObject* parent = nullptr);

    // IntervalTime: minutes between renewals; "0", empty or not a number switches it off.
    void setIntervalTime(const QString& minutes);
    int interval() const { return m_interval; }
    // Whether a run is going on (the window's busy state).
    void setBusyCheck(std::function<bool()> busy) { m_busy = std::move(busy); }

    void start(int tickMs = 60000);
    void stop();

    // One minute has passed.
    void tick();
    int counter() const { return m_counter; }

Q_SIGNALS:
    void renewAllDue();

private:
    bool busy() const { return m_busy && m_busy(); }

    QTimer m_timer;
    std::function<bool()> m_busy;
    int m_interval = 0;
    int m_counter = 0;
    bool m_waitingForOwnRun = false;
};

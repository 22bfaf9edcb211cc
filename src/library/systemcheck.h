#pragma once

#include "fetch/fetchoptions.h"
#include "storage/job.h"

#include <QList>
#include <QMetaType>
#include <QString>

class Settings;

// One line of the system check: the item, how it stands and what the user is told.
struct CheckLine {
    enum class State { Info, Ok, Warning, Failed, Skipped, Pending };
    QString item;
    State state = State::Pending;
    QString text;
};
Q_DECLARE_METATYPE(CheckLine)

// "常见问题检测": whether this computer has what downloading and the e-book tools need, one line per
// item. The network line comes last, as it may wait for the network; every line is told as soon as
// it is known.
class SystemCheck : public Job {
    Q_OBJECT

public:
    // networkAddress: the page the network line fetches; "" leaves the network unchecked.
    SystemCheck(const Settings& settings, const QString& networkAddress, QObject* parent = nullptr);
    ~SystemCheck() override;

    // Every line still waiting for its check, in the order of the report.
    static QList<CheckLine> pendingLines();
    static QString stateName(CheckLine::State state); // "ok", "failed" …

    // After finished().
    const QList<CheckLine>& lines() const { return m_lines; }
    bool nothingFailed() const;

Q_SIGNALS:
    void lineChecked(int index, const CheckLine& line);

protected:
    void run() override;

private:
    CheckLine checkHttp(bool https) const;
    CheckLine checkNetwork() const;
    CheckLine checkTesseract() const;

    FetchOptions m_options;
    QString m_networkAddress;
    QList<CheckLine> m_lines;
};

#pragma once

#include "storage/job.h"

#include <QString>

// Writes every file of a compiled help book under a folder, as a job with progress and a stop.
class ChmUnpackJob : public Job {
    Q_OBJECT

public:
    ChmUnpackJob(QString chmPath, QString folder, QObject* parent = nullptr);

    struct Result {
        bool ok = false;
        bool stopped = false;
        QString error;
    };
    const Result& result() const { return m_result; }

protected:
    void run() override;

private:
    QString m_chmPath;
    QString m_folder;
    Result m_result;
};

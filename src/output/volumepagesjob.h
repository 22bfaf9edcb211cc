#pragma once

#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/settings.h"

#include <QString>
#include <QStringList>

class Database;

// The volume pages "vol<n>.htm" of novels: one page per volume run of the contents page, made from
// the chapter template, with every chapter of the volume one after the other. Prior and Next lead to
// the neighbouring volumes, and from the ends to the contents page.
class VolumePagesJob : public Job {
    Q_OBJECT

public:
    VolumePagesJob(Database& db, const LibraryFolder& folder, const Settings& settings, QStringList novelIds,
                   QObject* parent = nullptr);

    struct Result {
        bool ok = false;
        bool stopped = false;
        QString error;
        QStringList files;
    };
    Result result() const { return m_result; }

protected:
    void run() override;

private:
    bool writeVolumePages(const QString& novelId);

    Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    QStringList m_novelIds;
    Result m_result;
};

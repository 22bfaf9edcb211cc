#pragma once

#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/settings.h"

#include <QString>
#include <QStringList>

class Database;

// One text file per volume of a novel into a chosen folder. With "只制作未读章节" on, only the
// unread chapters are taken.
class VolumeTextJob : public Job {
    Q_OBJECT

public:
    VolumeTextJob(Database& db, const LibraryFolder& folder, const Settings& settings, QString novelId,
                  QString exportFolder, QObject* parent = nullptr);

    struct Result {
        bool ok = false;
        bool stopped = false;
        QString error;
        QStringList files;
        QString openPath;
    };
    Result result() const { return m_result; }

protected:
    void run() override;

private:
    void fail(const QString& message);

    Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    QString m_novelId;
    QString m_exportFolder;
    Result m_result;
};

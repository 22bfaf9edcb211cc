#pragma once

#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/settings.h"

#include <QStringList>

class Database;

// Rewrites the contents page List.htm of each of the novels, then says "目录页生成完成".
class ListPagesJob : public Job {
    Q_OBJECT

public:
    ListPagesJob(Database& db, const LibraryFolder& folder, const Settings& settings, QStringList novelIds,
                 QObject* parent = nullptr);

    QStringList errors() const { return m_errors; }

protected:
    void run() override;

private:
    Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    QStringList m_novelIds;
    QStringList m_errors;
};

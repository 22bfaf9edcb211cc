#pragma once

#include "storage/database.h"
#include "storage/libraryfolder.h"
#include "storage/settings.h"

#include <QCoreApplication>
#include <QString>

#include <memory>

// One open library: its folder, settings and database, opened in the start-up order of the program
// (folder and shipped files, settings, filter lists, database, schema upgrade).
class LibraryContext {
    Q_DECLARE_TR_FUNCTIONS(LibraryContext)

public:
    explicit LibraryContext(const QString& folder);

    // Returns false with the user's message in error; a database that cannot be opened gives
    // "数据库连接不成功，请查看"使用说明"-"常见问题"。".
    bool open(QString* error);

    const LibraryFolder& folder() const { return m_folder; }
    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }
    Database& database() { return *m_db; }
    const Database& database() const { return *m_db; }

    // Link titles and link addresses that chapter-list extraction drops (filter1.txt, filter2.txt).
    QString filterTitles() const { return m_filterTitles; }
    QString filterUrls() const { return m_filterUrls; }
    bool saveFilters(const QString& titles, const QString& urls);

    bool createdSettings() const { return m_createdSettings; }

private:
    LibraryFolder m_folder;
    Settings m_settings;
    std::unique_ptr<Database> m_db;
    QString m_filterTitles;
    QString m_filterUrls;
    bool m_createdSettings = false;
};

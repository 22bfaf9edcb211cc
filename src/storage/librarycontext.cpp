#include "storage/librarycontext.h"

#include "storage/textfile.h"

LibraryContext::LibraryContext(const QString& folder)
    : m_folder(folder)
    , m_settings(m_folder.path())
    , m_db(std::make_unique<Database>(m_folder.databasePath())) {}

bool LibraryContext::open(QString* error) {
    QString detail;
    if (!m_folder.prepare(&detail)) {
        if (error)
            *error = detail;
        return false;
    }
    m_createdSettings = !m_settings.startUp();
    m_filterTitles = readTextFile(m_folder.file(QStringLiteral("filter1.txt")));
    m_filterUrls = readTextFile(m_folder.file(QStringLiteral("filter2.txt")));
    if (!m_db->open(&detail)) {
        if (error)
            *error = tr("数据库连接不成功，请查看\"使用说明\"-\"常见问题\"。");
        qWarning("database %s: %s", qPrintable(m_folder.databasePath()), qPrintable(detail));
        return false;
    }
    return true;
}

bool LibraryContext::saveFilters(const QString& titles, const QString& urls) {
    const bool ok = writeTextFile(m_folder.file(QStringLiteral("filter1.txt")), titles) &&
                    writeTextFile(m_folder.file(QStringLiteral("filter2.txt")), urls);
    if (ok) {
        m_filterTitles = titles;
        m_filterUrls = urls;
    }
    return ok;
}

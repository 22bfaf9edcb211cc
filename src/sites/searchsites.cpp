#include "sites/searchsites.h"

#include "storage/libraryfolder.h"
#include "storage/textfile.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

QSet<int> parseRows(const QString& text) {
    QSet<int> rows;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int row = part.trimmed().toInt(&ok);
        if (ok)
            rows.insert(row);
    }
    return rows;
}

} // namespace

void SearchSites::load(const QString& libraryFolder, const QString& downSiteStr) {
    // The built-in table belongs to the program: the shipped file wins over an older copy in the library.
    QString builtIn = LibraryFolder::shippedDataDir() + u'/' + builtInFileName();
    if (LibraryFolder::shippedDataDir().isEmpty() || !QFileInfo::exists(builtIn))
        builtIn = libraryFolder + u'/' + builtInFileName();
    loadFiles(builtIn, libraryFolder + u'/' + userFileName(), downSiteStr);
}

void SearchSites::loadFiles(const QString& builtInPath, const QString& userPath, const QString& downSiteStr) {
    m_sites.clear();
    loadBuiltInSites(builtInPath, m_sites);
    loadUserSites(userPath, m_sites);
    if (!downSiteStr.trimmed().isEmpty())
        applySelection(downSiteStr);
}

int SearchSites::userSiteCount() const {
    return int(
        std::count_if(m_sites.cbegin(), m_sites.cend(), [](const NovelSite& s) { return s.userAdded; }));
}

QString SearchSites::selectionText() const {
    QString text;
    for (int i = 0; i < m_sites.size(); ++i)
        if (m_sites.at(i).isSelected())
            text += QString::number(i + 1) + u',';
    return text;
}

void SearchSites::applySelection(const QString& downSiteStr) {
    const QSet<int> rows = parseRows(downSiteStr);
    for (int i = 0; i < m_sites.size(); ++i)
        m_sites[i].setSelected(rows.contains(i + 1));
}

QList<NovelSite> SearchSites::sitesToSearch(bool selectedOnly) const {
    QList<NovelSite> sites;
    for (const NovelSite& site : m_sites)
        if (!selectedOnly || site.isSelected())
            sites.append(site);
    return sites;
}

bool SearchSites::saveUserSites(const QString& libraryFolder) const {
    return ::saveUserSites(libraryFolder + u'/' + userFileName(), m_sites);
}

QString SearchSites::editProblem(int row) const {
    if (row < 0 || row >= m_sites.size())
        return tr("请点选具体自增项进行修改");
    return m_sites.at(row).userAdded ? QString() : tr("系统项不能修改");
}

QString SearchSites::deleteProblem(int row) const {
    if (row < 0 || row >= m_sites.size())
        return tr("请点选具体自增项进行删除");
    return m_sites.at(row).userAdded ? QString() : tr("系统项不能删除");
}

QString SearchSites::proposedExportName(const QDate& day) {
    return tr("自定义搜索网站-") + day.toString(QStringLiteral("yyyyMMdd")) + QLatin1String(".dat");
}

QString SearchSites::importUserFile(const QString& source, const QString& libraryFolder) {
    if (!QFileInfo(source).isFile())
        return tr("无此文件");
    QList<NovelSite> sites;
    if (!loadUserSites(source, sites))
        return tr("文件格式有误");
    // Written again rather than copied: whatever the file held, book.dat gets the program's own form.
    for (NovelSite& site : sites)
        site.userAdded = true;
    if (!::saveUserSites(libraryFolder + u'/' + userFileName(), sites))
        return tr("无法写入文件") + libraryFolder + u'/' + userFileName();
    return {};
}

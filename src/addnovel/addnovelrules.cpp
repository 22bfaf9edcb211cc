#include "addnovel/addnovelrules.h"

#include "fetch/pagesource.h"
#include "storage/novelstore.h"
#include "text/regex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Sites that write their own name before the book's in page titles.
const QStringList& sitesNamedFirst() {
    static const QStringList names = {QStringLiteral("演示小说站"), QStringLiteral("清风书屋"),
                                      QStringLiteral("书香阁")};
    return names;
}

} // namespace

QString AddNovelRules::checkName(const Database& db, const QString& name, bool isNew,
                                 const QString& tempFolder, const QString& exceptNovelId) {
    if (name.trimmed().isEmpty())
        return isNew ? namePrompt() : tr("小说名称不能为空");
    if (name.contains(u'#') || name.contains(u'%') || !canNameFile(name, tempFolder))
        return badNameText();
    if (NovelStore(db).nameExists(name, exceptNovelId))
        return duplicateNameText();
    return {};
}

bool AddNovelRules::canNameFile(const QString& name, const QString& tempFolder) {
    // A separator would put the file into another folder, or somewhere else entirely.
    if (name.contains(u'/') || name.contains(u'\\') || name.contains(QChar(0)))
        return false;
    QDir().mkpath(tempFolder);
    const QString path = tempFolder + u'/' + name + QLatin1String(".txt");
    if (QFileInfo::exists(path))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.close();
    file.remove();
    return true;
}

bool AddNovelRules::isLocalPath(const QString& address) {
    const QString a = address.trimmed();
    return (a.size() > 1 && a.at(1) == u':') || a.startsWith(u'/') ||
           a.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

QString AddNovelRules::checkListUrl(PageSource& source, const QString& address, QByteArray* page,
                                    QString* contentType) {
    if (isLocalPath(address))
        return {};
    const FetchedPage answer = source.fetch(address.trimmed());
    if (!answer.ok())
        return badListUrlText();
    if (page)
        *page = answer.body;
    if (contentType)
        *contentType = answer.contentType;
    return {};
}

bool AddNovelRules::hasSiteRoot(const QString& address) {
    const QString a = address.trimmed();
    return a.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           a.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QString AddNovelRules::checkSearchName(const QString& name) {
    const QString n = name.trimmed();
    if (n.isEmpty() || n == QLatin1String("\"\"") || n == QStringLiteral("“”"))
        return tr("名称不能为空");
    return {};
}

QString AddNovelRules::checkAuthor(const QString& author) {
    return author.trimmed().isEmpty() ? tr("作者姓名不能为空") : QString();
}

QString AddNovelRules::titleToName(const QString& title) {
    if (title.isEmpty())
        return {};
    QString text = title;
    text.replace(QLatin1String("-->"), QLatin1String("-"));
    text.replace(QLatin1String("---"), QLatin1String("-"));
    for (const QString& separator :
         {QStringLiteral("/"), QStringLiteral("|"), QStringLiteral("_"), QStringLiteral("、"),
          QStringLiteral("·"), QStringLiteral("－"), QStringLiteral(" ")})
        text.replace(separator, QLatin1String("-"));
    // "站名 - 书名" gives empty pieces between the hyphens; they are no part of the name.
    QStringList pieces;
    for (const QString& piece : text.split(u'-'))
        if (!piece.trimmed().isEmpty())
            pieces << piece;
    if (pieces.isEmpty())
        return {};
    if (pieces.size() > 1 && sitesNamedFirst().contains(pieces.first().trimmed()))
        return pieces.at(1).trimmed();
    QString name = pieces.first().trimmed();
    name.remove(u'>');
    return name;
}

QString AddNovelRules::nameFromPage(const QString& page) {
    QString title = regexMatchValues(page, QStringLiteral("<title[\\s\\S]+?</title>")).value(0);
    title = regexRemove(QStringLiteral("<[^>]*>"), title);
    return titleToName(title.trimmed());
}

AddNovelRules::Handed AddNovelRules::handedAddress(const QString& text) {
    const QString t = text.trimmed();
    if (!t.startsWith(QLatin1String("http:"), Qt::CaseInsensitive) &&
        !t.startsWith(QLatin1String("https:"), Qt::CaseInsensitive))
        return {};
    const qsizetype bars = t.indexOf(QLatin1String("||"));
    if (bars < 0)
        return {t, QString()};
    return {t.left(bars).trimmed(), titleToName(t.mid(bars + 2).trimmed())};
}

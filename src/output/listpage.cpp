#include "output/listpage.h"

#include "output/listtable.h"
#include "output/outputstore.h"
#include "output/pagetemplates.h"
#include "storage/libraryfolder.h"
#include "storage/novelstore.h"
#include "storage/settings.h"
#include "storage/textfile.h"
#include "text/charset.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

QString fillListTemplate(const QString& pageTemplate, const ListPageValues& values) {
    // One pass over the template: a value is never searched for placeholders itself (a chapter
    // titled "[[author]]" stays so).
    const std::pair<QLatin1String, QString> fills[] = {
        {QLatin1String("[[Content]]"), values.table},
        {QLatin1String("[[theDir]]"), htmlEscapeText(values.theDir)},
        {QLatin1String("[[BookName]]"), htmlEscapeText(values.bookName)},
        {QLatin1String("[[author]]"), htmlEscapeText(values.author)},
        {QLatin1String("[[brief]]"), values.brief},
        {QLatin1String("[[BookImg]]"), values.bookImg},
    };
    QString page;
    page.reserve(pageTemplate.size() + values.table.size() + 1024);
    qsizetype done = 0;
    for (qsizetype at = pageTemplate.indexOf(QLatin1String("[[")); at >= 0;
         at = pageTemplate.indexOf(QLatin1String("[["), at)) {
        const auto fill = std::find_if(std::cbegin(fills), std::cend(fills), [&](const auto& f) {
            return QStringView(pageTemplate).sliced(at).startsWith(f.first);
        });
        if (fill == std::cend(fills)) {
            ++at;
            continue;
        }
        page += QStringView(pageTemplate).sliced(done, at - done);
        page += fill->second;
        at += fill->first.size();
        done = at;
    }
    page += QStringView(pageTemplate).sliced(done);
    return page;
}

QString listPageDir() {
    return QStringLiteral("../");
}

bool writeListPage(const Database& db, const LibraryFolder& folder, const Settings& settings,
                   const QString& novelId, QString* error) {
    const std::optional<NovelRecord> novel = NovelStore(db).loadNovel(novelId);
    if (!novel) {
        if (error)
            *error = QCoreApplication::translate("ListPage", "没有找到小说 %1").arg(novelId);
        return false;
    }
    ListPageValues values;
    values.table = buildListTable(OutputStore(db).chapters(novelId),
                                  settings.intValue(QStringLiteral("ListPerLineNums"), 2),
                                  settings.isOn(QStringLiteral("bIsVolumeSet")));
    values.theDir = listPageDir();
    values.bookName = novel->novelName;
    values.author = novel->author;
    if (!novel->brief.isEmpty()) {
        // Briefs read from a site carry "<br>" after each paragraph; typed ones are plain lines.
        static const QRegularExpression lineBreak(QStringLiteral("<br\\s*/?>(\r?\n)?"),
                                                  QRegularExpression::CaseInsensitiveOption);
        QString brief = QString(novel->brief).replace(lineBreak, QStringLiteral("\r\n"));
        while (brief.endsWith(QLatin1String("\r\n")))
            brief.chop(2);
        values.brief = QStringLiteral("内容简介：") + htmlEscapeText(brief);
    }
    if (!novel->bookImg.isEmpty())
        values.bookImg = QLatin1String("<img src=\"") +
                         QString(novel->bookImg).replace(u'"', QLatin1String("&quot;")) +
                         QLatin1String("\" height=125 width=100>");
    const QString page = fillListTemplate(
        PageTemplates::readListTemplate(folder, settings.value(QStringLiteral("ArticleStyle"))), values);
    // Made again from the library after every renewal, like the chapter pages it lists: replaced
    // whole, without waiting for the disk.
    return replaceFileBytes(folder.novelListPage(novelId),
                            encodeHtmlForCharset(page, QStringLiteral("gb2312")), error);
}

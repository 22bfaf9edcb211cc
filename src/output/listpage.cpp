#include "output/listpage.h"

#include "output/listtable.h"
#include "output/outputstore.h"
#include "output/pagetemplates.h"
#include "storage/libraryfolder.h"
#include "storage/novelstore.h"
#include "storage/settings.h"
#include "storage/textfile.h"

#include <QCoreApplication>
#include <QRegularExpression>

QString fillListTemplate(const QString& pageTemplate, const ListPageValues& values) {
    QString page = pageTemplate;
    page.replace(QLatin1String("[[Content]]"), values.table);
    page.replace(QLatin1String("[[theDir]]"), htmlEscapeText(values.theDir));
    page.replace(QLatin1String("[[BookName]]"), htmlEscapeText(values.bookName));
    page.replace(QLatin1String("[[author]]"), htmlEscapeText(values.author));
    page.replace(QLatin1String("[[brief]]"), values.brief);
    page.replace(QLatin1String("[[BookImg]]"), values.bookImg);
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
    return writeTextFile(folder.novelListPage(novelId), page, "GB18030", error);
}

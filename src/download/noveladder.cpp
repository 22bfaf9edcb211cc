#include "download/noveladder.h"

#include "download/pagesource.h"
#include "download/sitesigntable.h"
#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/database.h"
#include "storage/html.h"
#include "storage/novelstore.h"
#include "storage/regex.h"
#include "storage/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Site names some sites put before the book name in their page titles.
const QStringList& leadingSiteNames() {
    static const QStringList names = {QStringLiteral("演示小说站"), QStringLiteral("清风书屋"),
                                      QStringLiteral("书香阁")};
    return names;
}

} // namespace

NovelAdder::NovelAdder(const Database& db, const LibraryFolder& folder, const SiteSignTable* signs)
    : m_db(db)
    , m_folder(folder)
    , m_signs(signs) {}

QString NovelAdder::checkName(const QString& name, bool isNew, const QString& exceptNovelId) const {
    if (name.trimmed().isEmpty())
        return isNew ? tr("请输入小说名称或者目录页网址") : tr("小说名称不能为空");
    const QString invalid = tr("小说名称不能包含<>?:\"|*%#等特殊符号，请重新输入");
    if (name.contains(u'#') || name.contains(u'%'))
        return invalid;
    // The name must do as a file name: the e-books and exports are named after it.
    QDir().mkpath(m_folder.tempDir());
    QFile probe(m_folder.tempDir() + u'/' + name + QLatin1String(".txt"));
    if (name.contains(u'/') || !probe.open(QIODevice::WriteOnly))
        return invalid;
    probe.close();
    probe.remove();
    if (NovelStore(m_db).nameExists(name, isNew ? QString() : exceptNovelId))
        return tr("已有同名的小说，请重新输入");
    return {};
}

QString NovelAdder::checkListUrl(PageSource& source, const QString& url, QByteArray* page,
                                 QString* contentType) {
    if (url.size() > 1 && url.at(1) == u':')
        return {};
    const FetchedPage answer = source.fetch(url.trimmed());
    if (!answer.ok())
        return tr("无效的目录页网址");
    if (page)
        *page = answer.body;
    if (contentType)
        *contentType = answer.contentType;
    return {};
}

NovelAdder::Result NovelAdder::storeNewNovel(const NewNovel& novel) const {
    Result result;
    NovelRecord record;
    if (!novel.categoryName.isEmpty()) {
        record.lb = CategoryStore(m_db).codeOf(novel.categoryName);
        if (record.lb.isEmpty()) {
            result.error = tr("没有这个分类：%1").arg(novel.categoryName);
            result.field = Result::Field::Category;
            return result;
        }
    }
    record.novelName = novel.name.trimmed();
    record.listUrl = novel.listUrl.trimmed();
    record.author = novel.author;
    record.brief = novel.brief;
    record.bookImg = novel.bookImg;
    record.bIsEnd = novel.bIsEnd;
    NovelMarkers markers;
    if (novel.markers) {
        markers = *novel.markers;
    } else if (m_signs) {
        const int index = m_signs->find(getSiteRoot(record.listUrl));
        if (index >= 0)
            markers = m_signs->signs().at(index).markers();
    }
    record.listStart = markers.listStart;
    record.listEnd = markers.listEnd;
    record.volumeStart = markers.volumeStart;
    record.volumeEnd = markers.volumeEnd;
    record.contentStart = markers.contentStart;
    record.contentEnd = markers.contentEnd;
    record.needDelStr = markers.needDelStr;

    const bool stored = m_db.transaction([&] {
        record.novelId = NovelStore(m_db).nextNovelId();
        if (record.novelId.isEmpty() || !NovelStore(m_db).insertNovel(record))
            return false;
        // The folder and its empty list page before the commit: a novel never lacks them.
        const QString listPage = m_folder.novelListPage(record.novelId);
        if (!QFileInfo::exists(listPage) && !writeTextFile(listPage, QString(), "GB18030", &result.error))
            return false;
        return BookcaseStore(m_db).registerEntry(record.novelName, record.lb, record.author, listPage);
    });
    if (!stored) {
        if (result.error.isEmpty())
            result.error = record.novelId.isEmpty() ? tr("小说编号已用完") : tr("无法保存小说");
        return result;
    }
    result.novelId = record.novelId;
    return result;
}

QString NovelAdder::nameFromTitle(const QString& title) {
    if (title.isEmpty())
        return {};
    QString text = title;
    text.replace(QLatin1String("-->"), QLatin1String("-"));
    text.replace(QLatin1String("---"), QLatin1String("-"));
    for (const QChar c : {u'/', u'|', u'_', u'、', u'·', u'－', u' '})
        text.replace(c, u'-');
    const QStringList pieces = text.split(u'-');
    QString name = pieces.first().trimmed();
    if (leadingSiteNames().contains(name) && pieces.size() > 1)
        return pieces.at(1).trimmed();
    return name.remove(u'>');
}

QString NovelAdder::nameFromPage(const QString& page) {
    const QStringList titles = regexMatchValues(page, QStringLiteral("<title[\\s\\S]+?</title>"));
    if (titles.isEmpty())
        return {};
    return nameFromTitle(cleanTitleText(titles.first()).trimmed());
}

#include "addnovel/noveladder.h"

#include "sites/sitesigntable.h"
#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A folder left by a novel whose storing failed may hold a file of that name.
bool copyReplacing(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to);
}

} // namespace

NovelAdder::NovelAdder(const Database& db, const LibraryFolder& folder, const SiteSignTable* signs)
    : m_db(db)
    , m_folder(folder)
    , m_signs(signs) {}

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
        if (record.novelId.isEmpty())
            return false;
        // A cover that cannot be copied is no reason to refuse the novel.
        const QString coverName = QFileInfo(novel.coverFile).fileName();
        if (!coverName.isEmpty() && QDir().mkpath(m_folder.novelDir(record.novelId)) &&
            copyReplacing(novel.coverFile, m_folder.novelDir(record.novelId) + u'/' + coverName))
            record.bookImg = coverName;
        if (!NovelStore(m_db).insertNovel(record))
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

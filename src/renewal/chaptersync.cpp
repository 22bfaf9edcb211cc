#include "renewal/chaptersync.h"

#include "output/listpage.h"
#include "renewal/downloadcontext.h"
#include "renewal/renewstore.h"
#include "storage/chapterfiles.h"
#include "storage/database.h"
#include "storage/dbvalue.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"

#include <QSet>

ChapterSync::ChapterSync(DownloadContext& context, NovelRenewer& renewer, Prompter& prompter)
    : m_context(context)
    , m_renewer(renewer)
    , m_prompter(prompter) {}

QString ChapterSync::questionText() {
    return tr("同步处理如下：1、删除该书在网上已删除的章节 2、按目录页重新排序 3、重新下载更改标题的章节 "
              "4、增加新章节；您是否确定？");
}

ChapterSync::Result ChapterSync::run(const QString& novelId, const Options& options) {
    Result result;
    const std::optional<NovelRecord> novel = NovelStore(m_context.db).loadNovel(novelId);
    if (!novel)
        return result;
    if (!options.dryRun && !m_prompter.confirm(questionText())) {
        result.outcome = Result::Outcome::Refused;
        return result;
    }

    NovelRenewer::Outcome read;
    const ChapterLinks site = m_renewer.readSiteList(*novel, &read);
    if (read.stopped) {
        result.outcome = Result::Outcome::Stopped;
        return result;
    }
    if (keptCount(site) == 0) {
        m_context.events.status(noChaptersText());
        result.outcome = Result::Outcome::NoChapters;
        return result;
    }
    QList<SyncedChapter> stored;
    for (const StoredChapter& c : RenewStore(m_context.db).chapters(novelId))
        stored.append({c.id, c.title, c.comeFrom, c.displayorder});
    result.plan = SyncPlan::make(novelId, site, stored, NovelStore(m_context.db).needDelUrl(novelId),
                                 m_context.options.list.displayCharset);
    const SyncPlan& plan = result.plan;
    if (options.dryRun) {
        result.outcome = Result::Outcome::Done;
        return result;
    }
    if (m_context.stopped()) {
        result.outcome = Result::Outcome::Stopped;
        return result;
    }

    QList<qint64> deleting;
    if (!plan.deletions.isEmpty()) {
        Prompter::Question question;
        question.text = deletionText();
        question.buttons = {tr("是"), tr("否")};
        for (int i = 0; i < plan.deletions.size(); ++i) {
            question.choices << plan.deletions.at(i).title;
            question.preselected << i;
        }
        question.subject = novelId;
        const Prompter::Answer answer = m_prompter.ask(question);
        if (answer.button == 0)
            for (const int i : answer.chosen)
                if (i >= 0 && i < plan.deletions.size() && !deleting.contains(plan.deletions.at(i).id))
                    deleting << plan.deletions.at(i).id;
        result.deletionRefused = deleting.size() < plan.deletions.size();
    }

    QList<qint64> inserted;
    if (!apply(novelId, plan, deleting, &inserted))
        return result; // Failed: the database said why, nothing changed
    result.deleted = int(deleting.size());
    result.inserted = inserted;
    const bool changed = !deleting.isEmpty() || !plan.retitles.isEmpty() || !plan.inserts.isEmpty() ||
                         !plan.renumbered.isEmpty() ||
                         std::any_of(plan.deletions.cbegin(), plan.deletions.cend(), [&](const auto& d) {
                             return !deleting.contains(d.id) && d.keptOrder != d.displayorder;
                         });
    if (changed)
        m_context.events.countsChanged(novelId);

    QList<qint64> fetching = inserted;
    for (const SyncPlan::Retitle& r : plan.retitles)
        fetching << r.id;
    if (options.download && !fetching.isEmpty() && !m_context.stopped()) {
        // In display order; only the inserted ones are new to the library.
        const QList<StoredChapter> chapters = RenewStore(m_context.db).chapters(novelId, fetching);
        result.download =
            m_renewer.redownloadChapters(*novel, chapters, QSet<qint64>(inserted.cbegin(), inserted.cend()));
    }
    const bool stopped = result.download.stopped || m_context.stopped();
    if (changed || result.download.stored > 0)
        writeListPage(m_context.db, m_context.folder, m_context.options.settings, novelId);
    result.outcome = stopped ? Result::Outcome::Stopped : Result::Outcome::Done;
    return result;
}

bool ChapterSync::apply(const QString& novelId, const SyncPlan& plan, const QList<qint64>& deleting,
                        QList<qint64>* inserted) {
    const Database& db = m_context.db;
    const QSet<qint64> deleted(deleting.cbegin(), deleting.cend());
    QList<QVariantList> retitles;
    for (const SyncPlan::Retitle& r : plan.retitles)
        retitles.append({r.title, r.displayorder, nullIfEmpty(r.volume), r.id});
    QList<QVariantList> orders;
    for (const SyncPlan::Renumber& r : plan.renumbered)
        orders.append({r.displayorder, r.id});
    // Chapters the user kept although the site no longer lists them go after the site's chapters.
    for (const SyncPlan::Deletion& d : plan.deletions)
        if (!deleted.contains(d.id) && d.keptOrder != d.displayorder)
            orders.append({d.keptOrder, d.id});

    const ChapterStore chapters(db);
    const bool ok = db.transaction([&] {
        if (!deleting.isEmpty() && !chapters.deleteChapters(deleting))
            return false;
        // A new title is news: the chapter is unread again, whatever its old text was.
        if (!retitles.isEmpty() &&
            !db.execEach(
                QStringLiteral("UPDATE book_novelcontent SET Title=?, Displayorder=?, Volume=?, BIsRead='0' "
                               "WHERE id=?"),
                retitles))
            return false;
        if (!orders.isEmpty() &&
            !db.execEach(QStringLiteral("UPDATE book_novelcontent SET Displayorder=? WHERE id=?"), orders))
            return false;
        if (plan.inserts.isEmpty())
            return true;
        *inserted = chapters.insertChapters(plan.inserts);
        return !inserted->isEmpty();
    });
    if (!ok) {
        inserted->clear();
        return false;
    }
    if (!deleting.isEmpty())
        ChapterFiles::remove(m_context.folder, novelId, deleting);
    return true;
}

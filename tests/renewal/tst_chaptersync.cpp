// "同步书目" against the loopback site: a novel renewed from one version of its contents page, then
// synchronised with the next; afterwards the stored chapters are the site's, and nothing is lost on the way.
#include "localsite/localsite.h"
#include "renewal/chaptersync.h"
#include "renewal/downloadoptions.h"
#include "renewal/renewjob.h"
#include "renewal/renewstore.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/textfile.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"

#include <QFileInfo>
#include <QTest>

namespace {

const QString kSign = QStringLiteral("<div id=\"content\">");

QString addNovel(TestLibrary& lib, const QString& listUrl) {
    NovelStore novels(lib.db());
    NovelRecord record;
    record.novelId = novels.nextNovelId();
    record.novelName = QStringLiteral("同步小说");
    record.listUrl = listUrl;
    record.listStart = QStringLiteral("<div id=\"list\">");
    record.listEnd = QStringLiteral("</div><!--list-->");
    record.contentStart = kSign;
    record.contentEnd = QStringLiteral("</div><!--content-->");
    record.bIsEnd = QStringLiteral("0");
    return novels.insertNovel(record) ? record.novelId : QString();
}

// mode 0: no download after the sync; otherwise MultGetNums.
DownloadOptions optionsFor(TestLibrary& lib, int mode) {
    Settings& settings = lib.context().settings();
    settings.setValue(QStringLiteral("MultGetNums"), QString::number(qMax(mode, 1)));
    settings.setValue(QStringLiteral("NovelConnTimeOut"), QStringLiteral("1.5"));
    // Deletions by hand would join the excluded links; a sync's never do.
    settings.setValue(QStringLiteral("bIsDeleteUrl"), QStringLiteral("1"));
    // The fixture chapters are a line each, no stubs.
    settings.setValue(QStringLiteral("PlaceholderMinChars"), QStringLiteral("0"));
    DownloadOptions options = DownloadOptions::fromLibrary(lib.context());
    options.fetch.retryDelayMs = 20;
    options.fetch.timeoutRetries = 0;
    return options;
}

struct Run {
    RenewJob::Result result;
    ScriptedPrompter prompter;
    QStringList statuses;
    int storedWhileWorkingOn = 0; // chapters stored while the run said it worked on their novel only
};

void run(TestLibrary& lib, const DownloadOptions& options, RenewJob::Request request, Run& out) {
    RenewJob job(lib.db(), lib.context().folder(), options, request);
    job.setPrompter(&out.prompter);
    QObject::connect(&job, &Job::statusChanged, [&out](const QString& text) { out.statuses << text; });
    QObject::connect(&job, &RenewJob::chapterStored, [&out](const QString& novelId, qint64) {
        if (RenewJob::isWorkingOn(novelId) && !RenewJob::isWorkingOn(QStringLiteral("999999")))
            ++out.storedWhileWorkingOn;
    });
    job.runHere();
    out.result = job.result();
}

RenewJob::Request syncRequest(const QString& novelId, bool download = true, bool dryRun = false) {
    RenewJob::Request request;
    request.command = RenewJob::Command::Synchronise;
    request.novelIds = {novelId};
    request.noDownload = !download;
    request.dryRun = dryRun;
    return request;
}

Prompter::Answer answer(int button, const QList<int>& chosen = {}) {
    Prompter::Answer a;
    a.button = button;
    a.chosen = chosen;
    return a;
}

QStringList titles(TestLibrary& lib, const QString& novelId) {
    QStringList list;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(novelId))
        list << c.title;
    return list;
}

// id, title, address, order, length, read mark and page of every chapter: what nothing may change.
QStringList everything(TestLibrary& lib, const QString& novelId) {
    QStringList rows;
    QSqlQuery q = lib.db().query(QStringLiteral("SELECT id, Title, ComeFrom, Displayorder, WordNums, BIsRead "
                                                "FROM book_novelcontent ORDER BY id"));
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < 6; ++i)
            row << q.value(i).toString();
        row << QString::fromUtf8(
            fileBytes(lib.context().folder().chapterPage(novelId, q.value(0).toLongLong())));
        rows << row.join(u'|');
    }
    return rows;
}

} // namespace

class TestChapterSync : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void siteChanged_data();
    void siteChanged();
    void nothingChanged_data();
    void nothingChanged();
    void commandLine();

private:
    // "1=一|3=三": the contents page lists c1.html "一", c3.html "三"; each chapter page says its
    // number and the version.
    void serveVersion(const QString& list, int version);
    // A library with the chapters of the first version, all read.
    QString storeFirstVersion(TestLibrary& lib, const QString& list);

    std::unique_ptr<TestSite> m_site;
};

void TestChapterSync::init() {
    m_site = std::make_unique<TestSite>(QStringLiteral("renew"));
    QVERIFY2(m_site->start(), qPrintable(m_site->errorString()));
}

void TestChapterSync::cleanup() {
    m_site.reset();
}

void TestChapterSync::serveVersion(const QString& list, int version) {
    QString items;
    for (const QString& entry : list.split(u'|', Qt::SkipEmptyParts))
        items += QStringLiteral("<li><a href=\"c%1.html\">%2</a></li>\n")
                     .arg(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    LocalSiteRule contents;
    contents.body =
        QStringLiteral("<html><body><div id=\"list\"><ul>\n%1</ul></div><!--list--></body></html>")
            .arg(items);
    m_site->site()->setRule(QStringLiteral("/sync/index.html"), contents);
    LocalSiteRule page;
    page.body = QStringLiteral("<html><body>%1正文{1}，第%2版。</div><!--content--></body></html>")
                    .arg(kSign)
                    .arg(version);
    m_site->site()->setRule(QStringLiteral("/sync/c*.html"), page);
}

QString TestChapterSync::storeFirstVersion(TestLibrary& lib, const QString& list) {
    serveVersion(list, 1);
    const QString id = addNovel(lib, m_site->url(QStringLiteral("sync/index.html")));
    Run renewal;
    RenewJob::Request request;
    request.command = RenewJob::Command::RenewNovels;
    request.novelIds = {id};
    run(lib, optionsFor(lib, 1), request, renewal);
    lib.db().exec(QStringLiteral("UPDATE book_novelcontent SET BIsRead='1'"));
    return id;
}

void TestChapterSync::siteChanged_data() {
    // mode: 0: no download, else MultGetNums; retitledGone: the retitled chapter's page answers 404
    columns<QString, QString, QString, bool, int, bool, QString>(
        "before", "after", "needDelUrl", "deleteThem", "mode", "retitledGone", "expected");
    const QString four = QStringLiteral("1=一|2=二|3=三|4=四");
    const QString changed = QStringLiteral("1=一|3=三|2=贰|5=五");
    addRow("deleted, swapped, retitled, new", four, changed, "", true, 1, false, "一|三|贰|五");
    addRow("five at a time", four, changed, "", true, 5, false, "一|三|贰|五");
    addRow("retitled page gone keeps its text", four, changed, "", true, 1, true, "一|三|贰|五");
    addRow("retitled page gone, five at a time", four, changed, "", true, 5, true, "一|三|贰|五");
    addRow("without download", four, changed, "", true, 0, false, "一|三|贰|五");
    addRow("deletion refused: kept after the site's", four, changed, "", false, 1, false, "一|三|贰|五|四");
    addRow("excluded and new suffixes", four, "1=一|2=二|3=三new|6=六New|9=九", "[[c(2|9)\\.html]](二)||",
           true, 1, false, "一|三|六");
}

// Afterwards order and titles are the site's; a retitled chapter keeps its row and, when its page
// cannot be had, its text; deleted chapters leave no page, no picture and no excluded link; a second
// sync plans nothing.
void TestChapterSync::siteChanged() {
    const auto [before, after, needDelUrl, deleteThem, mode, retitledGone, expected] =
        fetch<QString, QString, QString, bool, int, bool, QString>(
            "before", "after", "needDelUrl", "deleteThem", "mode", "retitledGone", "expected");
    TestLibrary lib;
    const QString id = storeFirstVersion(lib, before);
    QVERIFY(NovelStore(lib.db()).setNeedDelUrl(id, needDelUrl));
    QHash<QString, qint64> ids; // by page
    QHash<QString, QString> oldTitles;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(id)) {
        ids.insert(c.comeFrom.section(u'/', -1), c.id);
        oldTitles.insert(c.comeFrom.section(u'/', -1), c.title);
    }
    QCOMPARE(ids.size(), before.count(u'|') + 1);
    auto picture = [&](qint64 chapter) -> QString {
        return lib.context().folder().novelDir(id) + QStringLiteral("/%1_%2_1.png").arg(id).arg(chapter);
    };
    for (const qint64 chapter : std::as_const(ids))
        QVERIFY(writeFile(picture(chapter), "png"));
    serveVersion(after, 2);
    if (retitledGone) {
        LocalSiteRule gone;
        gone.status = 404;
        m_site->site()->setRule(QStringLiteral("/sync/c2.html"), gone);
    }

    Run sync;
    sync.prompter.answers = {answer(0), answer(deleteThem ? 0 : 1, {0, 1, 2})};
    run(lib, optionsFor(lib, mode), syncRequest(id, mode > 0), sync);
    QCOMPARE(sync.prompter.asked.first().text, ChapterSync::questionText());
    QCOMPARE(titles(lib, id).join(u'|'), expected);
    QVERIFY(sync.prompter.messages.contains({Prompter::Icon::Information, ChapterSync::doneText()}));
    QCOMPARE(NovelStore(lib.db()).needDelUrl(id), needDelUrl);
    QCOMPARE(sync.storedWhileWorkingOn, sync.result.newChapters);
    QVERIFY(!RenewJob::isWorkingOn(id));

    const QList<StoredChapter> chapters = RenewStore(lib.db()).chapters(id);
    for (const StoredChapter& c : chapters) {
        const QString file = c.comeFrom.section(u'/', -1);
        const QString page = readTextFile(lib.context().folder().chapterPage(id, c.id));
        const bool isNew = !ids.contains(file);
        if (!isNew)
            QCOMPARE(c.id, ids.value(file)); // kept, moved or retitled: the same row
        const bool retitled = file == QLatin1String("c2.html") && c.title == QStringLiteral("贰");
        if (isNew || retitled) {
            const bool fetched = mode > 0 && !(retitled && retitledGone);
            const QString version = fetched ? QStringLiteral("第2版") : QStringLiteral("第1版");
            QVERIFY2(isNew && !fetched ? !c.wordNums && page.isEmpty() : page.contains(version),
                     qPrintable(file + u' ' + page));
            QCOMPARE(lib.db()
                         .scalar(QStringLiteral("SELECT BIsRead FROM book_novelcontent WHERE id=?"), {c.id})
                         .toString(),
                     QStringLiteral("0"));
        }
    }
    // The deleted ones are gone with their pages; the deletion listed them.
    QCOMPARE(sync.prompter.asked.value(1).text, ChapterSync::deletionText());
    for (auto it = ids.cbegin(); it != ids.cend(); ++it) {
        const bool stays = std::any_of(chapters.cbegin(), chapters.cend(),
                                       [&](const StoredChapter& c) { return c.id == it.value(); });
        QCOMPARE(QFileInfo::exists(lib.context().folder().chapterPage(id, it.value())), stays);
        QCOMPARE(QFileInfo::exists(picture(it.value())), stays);
        if (!stays)
            QVERIFY(sync.prompter.asked.value(1).choices.contains(oldTitles.value(it.key())));
    }
    QVERIFY(readTextFile(lib.context().folder().novelListPage(id)).contains(expected.section(u'|', -1)));

    // Again: nothing left to do but what the user refused.
    Run again;
    run(lib, optionsFor(lib, mode), syncRequest(id, true, true), again);
    QVERIFY(again.prompter.asked.isEmpty());
    QCOMPARE(again.result.plan.deletions.size(), deleteThem ? 0 : 1);
    QVERIFY(again.result.plan.retitles.isEmpty());
    QVERIFY(again.result.plan.renumbered.isEmpty());
    QVERIFY(again.result.plan.inserts.isEmpty());
}

void TestChapterSync::nothingChanged_data() {
    // listStatus: of the contents page
    columns<int, QString, int, QString>("listStatus", "after", "firstAnswer", "status");
    addRow("contents page gone", 404, "1=一|5=五", 0, "该目录页没有章节。");
    addRow("contents page without chapters", 200, "", 0, "该目录页没有章节。");
    addRow("question answered no", 200, "1=一|5=五", 1, "");
    addRow("dry run", 200, "1=一|5=五", -1, "");
}

// A failed list, a refusal or a dry run: rows, texts, read marks and pages as they were.
void TestChapterSync::nothingChanged() {
    auto [listStatus, after, firstAnswer, status] =
        fetch<int, QString, int, QString>("listStatus", "after", "firstAnswer", "status");
    TestLibrary lib;
    const QString id = storeFirstVersion(lib, QStringLiteral("1=一|2=二|3=三"));
    const QStringList stored = everything(lib, id);
    QCOMPARE(stored.size(), 3);
    serveVersion(after, 2);
    if (listStatus != 200) {
        LocalSiteRule gone;
        gone.status = listStatus;
        m_site->site()->setRule(QStringLiteral("/sync/index.html"), gone);
    }
    const int chapterRequests = m_site->site()->requestCount(QStringLiteral("/sync/c*.html"));
    Run sync;
    sync.prompter.answers = {answer(firstAnswer), answer(0, {0, 1})};
    run(lib, optionsFor(lib, 1), syncRequest(id, true, firstAnswer < 0), sync);
    QCOMPARE(everything(lib, id), stored);
    QCOMPARE(m_site->site()->requestCount(QStringLiteral("/sync/c*.html")), chapterRequests);
    QCOMPARE(sync.result.deleted, -1);
    if (!status.isEmpty())
        QCOMPARE(sync.statuses.last(), status);
    QVERIFY(!sync.prompter.messages.contains({Prompter::Icon::Information, ChapterSync::doneText()}));
    // A dry run still tells what a sync would do.
    QCOMPARE(sync.result.plan.inserts.size(), firstAnswer < 0 ? 1 : 0);
}

// The command line shows the plan and changes nothing without --yes; with it the library follows the site.
void TestChapterSync::commandLine() {
    TestLibrary lib;
    const QString id = storeFirstVersion(lib, QStringLiteral("1=一|2=二|3=三"));
    const QStringList stored = everything(lib, id);
    serveVersion(QStringLiteral("3=三|2=贰|4=四"), 2);
    const QStringList base = {"--library", lib.path(), "sync", id};

    ProcessResult r = runCli(base);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.out.contains(QStringLiteral("删除1章，改名1章，重新排序1章，新增1章")), qPrintable(r.out));
    QVERIFY(r.out.contains(QStringLiteral("删除\t%1\t一").arg(stored.first().section(u'|', 0, 0))));
    QVERIFY(r.err.contains(QStringLiteral("--yes")));
    QCOMPARE(everything(lib, id), stored);
    QCOMPARE(runCli(base + QStringList{"--dry-run"}).exitCode, 0);
    QCOMPARE(everything(lib, id), stored);
    QCOMPARE(runCli({"--library", lib.path(), "sync", "999999"}).exitCode, 1);
    QCOMPARE(runCli({"--library", lib.path(), "sync", id, "--bogus"}).exitCode, 2);

    r = runCli(base + QStringList{"--yes"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(r.err.contains(ChapterSync::doneText()));
    QCOMPARE(titles(lib, id),
             (QStringList{QStringLiteral("三"), QStringLiteral("贰"), QStringLiteral("四")}));
    r = runCli(base + QStringList{"--dry-run"});
    QVERIFY2(r.out.contains(QStringLiteral("删除0章，改名0章，重新排序0章，新增0章")), qPrintable(r.out));
}

QTEST_GUILESS_MAIN(TestChapterSync)
#include "tst_chaptersync.moc"

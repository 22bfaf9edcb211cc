// A novel added by its contents address: with "读取其他信息" the author, brief and cover the sign of its
// site points at are read before the novel is stored, and its cover lands in the novel's folder.
#include "addnovel/noveladdjob.h"
#include "localsite/localsite.h"
#include "sites/sitesigntable.h"
#include "storage/novelstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"

#include <QDir>
#include <QTest>

class TestNovelAddJob : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void information_data();
    void information();

private:
    TestSite m_site{QStringLiteral("qingfeng")};
};

void TestNovelAddJob::initTestCase() {
    QVERIFY(m_site.start());
}

void TestNovelAddJob::information_data() {
    columns<bool, bool, QString, QString, QString>("readInformation", "signKnown", "judgePicExt", "author",
                                                   "bookImg");
    addRow("read along", true, true, "0", "林间月", "cover.jpg");
    addRow("picture type from its bytes", true, true, "1", "林间月", "cover.gif");
    addRow("not asked for", false, true, "0", "", "");
    addRow("site without a sign", true, false, "0", "", "");
}

void TestNovelAddJob::information() {
    auto [readInformation, signKnown, judgePicExt, author, bookImg] =
        fetch<bool, bool, QString, QString, QString>("readInformation", "signKnown", "judgePicExt", "author",
                                                     "bookImg");
    m_site.site()->resetStatistics();
    TestLibrary library;
    SiteSignTable signs;
    if (signKnown)
        signs.setSigns({qingfengInformationSign(m_site.baseUrl())});
    QVERIFY(signs.save(library.path() + "/sitesign.xml"));
    library.context().settings().setValue("bIsJudgePicExt", judgePicExt);

    NovelAddJob::Request request;
    request.listUrl = m_site.url("/book/12/345/index.html");
    request.readInformation = readInformation;
    NovelAddJob job(library.db(), library.context().folder(), library.context().settings(), request);
    job.runHere();
    QVERIFY2(job.result().ok(), qPrintable(job.result().error));
    const QString id = job.result().novelId;
    const std::optional<NovelRecord> novel = NovelStore(library.db()).loadNovel(id);
    QCOMPARE(novel->novelName, QString("剑影流年最新章节"));
    QCOMPARE(novel->author, author);
    QCOMPARE(novel->brief.isEmpty(), author.isEmpty());
    QCOMPARE(novel->bookImg, bookImg);
    QCOMPARE(m_site.site()->requestCount("/info/345.html"), author.isEmpty() ? 0 : 1);
    if (!bookImg.isEmpty())
        QVERIFY(fileBytes(library.context().folder().novelDir(id) + "/" + bookImg).startsWith("GIF89a"));
    // Nothing is left waiting in the temporary folder.
    QCOMPARE(QDir(library.context().folder().tempDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());
}

QTEST_GUILESS_MAIN(TestNovelAddJob)
#include "tst_noveladdjob.moc"

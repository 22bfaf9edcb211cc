#include "novelfixture.h"
#include "output/textexportjob.h"

#include "storage/textfile.h"
#include <QtTest>

class TestTextExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void explore();
};

void TestTextExport::explore() {
    TestLibrary lib;
    QVERIFY(lib.isValid());
    {
        QString t = readTextFile(lib.path() + "/model/vbArticle1.htm");
        t.replace(" | ", " ");
        writeTextFile(lib.path() + "/model/vbArticle1.htm", t);
    }
    const QString id = addFixtureNovel(lib, QStringLiteral("测试小说"), QStringLiteral("某人"),
                                       {{QStringLiteral("第一章 风起"), QStringLiteral("第一卷")},
                                        {QStringLiteral("第二章 云涌"), QStringLiteral("第一卷")},
                                        {QStringLiteral("第三章 归来"), QString()}});
    TextExportJob job(lib.db(), lib.context().folder(), lib.context().settings(), id, TextExportJob::Mode::Text);
    job.setTargetPath(lib.path() + "/out.txt");
    job.runHere();
    qDebug().noquote() << job.result().error << QStringDecoder("GB18030").decode(fileBytes(lib.path() + "/out.txt")).operator QString().replace("\r\n", "⏎\n");
}

QTEST_GUILESS_MAIN(TestTextExport)
#include "tst_textexport.moc"

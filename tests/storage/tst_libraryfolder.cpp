// Choosing, preparing and opening the library folder.
#include "storage/librarycontext.h"
#include "storage/libraryfolder.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

class TestLibraryFolder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resolveOrder_data();
    void resolveOrder();
    void shippedDataLookup_data();
    void shippedDataLookup();
    void prepareCopiesOnlyMissingFiles();
    void openFreshLibrary();
    void filtersAreRead();
};

void TestLibraryFolder::resolveOrder_data() {
    columns<QString, QString, QString>("option", "home", "expectedSuffix");
    addRow("option wins", "/tmp/opt/lib", "/tmp/env/lib", "/tmp/opt/lib");
    addRow("environment", QString(), "/tmp/env/lib/", "/tmp/env/lib");
    addRow("default", QString(), QString(), "/xdg-data/Quiveral");
}

void TestLibraryFolder::resolveOrder() {
    const auto [option, home, expectedSuffix] =
        fetch<QString, QString, QString>("option", "home", "expectedSuffix");
    const QByteArray oldHome = qgetenv("QUIVERAL_HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("QUIVERAL_HOME", oldHome);
        qputenv("XDG_DATA_HOME", oldData);
    });
    qputenv("QUIVERAL_HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", "/tmp/xdg-data");
    QVERIFY2(LibraryFolder::resolve(option).endsWith(expectedSuffix),
             qPrintable(LibraryFolder::resolve(option)));
}

void TestLibraryFolder::shippedDataLookup_data() {
    // Folders under a scratch root; "*" is the source data/ compiled into the program.
    columns<QString, QString, QStringList, QString>("overrideDir", "appDir", "withModel", "expected");
    addRow("installed", QString(), "usr/bin", QStringList{"usr/share/quiveral"}, "usr/share/quiveral");
    addRow("beside the program", QString(), "portable", QStringList{"portable/data"}, "portable/data");
    addRow("installed before beside", QString(), "usr/bin", QStringList{"usr/share/quiveral", "usr/bin/data"},
           "usr/share/quiveral");
    addRow("override first", "mine", "usr/bin", QStringList{"mine", "usr/share/quiveral"}, "mine");
    addRow("override without model", "mine", "usr/bin", QStringList{"usr/share/quiveral"}, "usr/share/quiveral");
    addRow("build folder", QString(), "build/src", QStringList(), "*");
    addRow("no program folder", QString(), QString(), QStringList{"usr/share/quiveral"}, "*");
}

void TestLibraryFolder::shippedDataLookup() {
    const auto [overrideDir, appDir, withModel, expected] =
        fetch<QString, QString, QStringList, QString>("overrideDir", "appDir", "withModel", "expected");
    QTemporaryDir root;
    const auto under = [&root](const QString& relative) {
        return relative.isEmpty() ? QString() : root.filePath(relative);
    };
    QVERIFY(QDir().mkpath(root.filePath("mine/help")) && QDir().mkpath(root.filePath("usr/bin")));
    for (const QString& dir : withModel)
        QVERIFY(QDir().mkpath(root.filePath(dir + "/model")));
    const QString want =
        expected == "*" ? QDir::cleanPath(QUIVERAL_SOURCE_DATA_DIR) : QDir::cleanPath(root.filePath(expected));
    QCOMPARE(LibraryFolder::shippedDataDir(under(overrideDir), under(appDir)), want);
}

void TestLibraryFolder::prepareCopiesOnlyMissingFiles() {
    QTemporaryDir dir;
    const LibraryFolder folder(dir.filePath("lib"));
    QVERIFY(folder.prepare());
    for (const char* sub : {"chm", "temp", "usermodel", "model"})
        QVERIFY2(QDir(folder.file(sub)).exists(), sub);
    QVERIFY(QFile::exists(folder.file("filter1.txt")));
    QVERIFY(QFile::exists(folder.file("model/vbArticle1.htm")));
    // The desktop's files that data/ holds in a build stay out of the library.
    for (const char* name : {"quiveral.desktop", "icons", "quiveral-mime.xml", "io.github.quiveral.Quiveral.metainfo.xml"})
        QVERIFY2(!QFileInfo::exists(folder.file(name)), name);

    // The user's own files are never overwritten by the shipped ones.
    QVERIFY(writeTextFile(folder.file("model/vbArticle1.htm"), "我的模板"));
    QVERIFY(QFile::remove(folder.file("filter2.txt")));
    QVERIFY(folder.prepare());
    QCOMPARE(readTextFile(folder.file("model/vbArticle1.htm")), QString("我的模板"));
    QVERIFY(QFile::exists(folder.file("filter2.txt")));
}

void TestLibraryFolder::openFreshLibrary() {
    QTemporaryDir dir;
    LibraryContext library(dir.filePath("new/library"));
    QString error;
    QVERIFY2(library.open(&error), qPrintable(error));
    QVERIFY(library.createdSettings());
    QVERIFY(QFile::exists(dir.filePath("new/library/pim.db")));
    QVERIFY(QFile::exists(dir.filePath("new/library/book.ini")));
    QCOMPARE(library.settings().value("NovelChmPath"), dir.filePath("new/library/chm"));

    LibraryContext again(dir.filePath("new/library"));
    QVERIFY(again.open(&error));
    QVERIFY(!again.createdSettings());
}

void TestLibraryFolder::filtersAreRead() {
    QTemporaryDir dir;
    const LibraryFolder folder(dir.path());
    QVERIFY(folder.prepare());
    QVERIFY(writeTextFile(folder.file("filter1.txt"), "最新章节||[[^第.*?页$]]")); // written as GB18030
    QVERIFY(writeFile(folder.file("filter2.txt"), "\xEF\xBB\xBFhttp://ad.test/||\xE5\xB9\xBF\xE5\x91\x8A"));

    LibraryContext library(dir.path());
    QVERIFY(library.open(nullptr));
    QCOMPARE(library.filterTitles(), QString("最新章节||[[^第.*?页$]]"));
    QCOMPARE(library.filterUrls(), QString("http://ad.test/||广告"));
    QVERIFY(library.saveFilters("新||标题", QString()));
    LibraryContext reopened(dir.path());
    QVERIFY(reopened.open(nullptr));
    QCOMPARE(reopened.filterTitles(), QString("新||标题"));
    QCOMPARE(reopened.filterUrls(), QString());
}

QTEST_GUILESS_MAIN(TestLibraryFolder)
#include "tst_libraryfolder.moc"

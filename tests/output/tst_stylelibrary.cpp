#include "output/stylelibrary.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QtTest>

class TestStyleLibrary : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addStyle_data();
    void addStyle();
    void deleteStyle();
    void saveStyle_data();
    void saveStyle();
};

void TestStyleLibrary::addStyle_data() {
    columns<QString, QString>("name", "error");
    addRow("new", "我的样式", QString());
    addRow("built in", "简洁样式", "已有此名，请重新新增");
    addRow("exists", "旧样式", "已有此名，请重新新增");
    addRow("bad character", "a/b", "\"名称\"中不能包括以下字符：\\/:*?\"<>|',&");
}

void TestStyleLibrary::addStyle() {
    const auto [name, error] = fetch<QString, QString>("name", "error");
    TestLibrary lib;
    StyleLibrary styles(lib.context().folder());
    QVERIFY(styles.addStyle(QStringLiteral("旧样式"), QStringLiteral("普通样式")).isEmpty());
    QCOMPARE(styles.addStyle(name, QStringLiteral("旧样式")), error);
    if (!error.isEmpty())
        return;
    // The new style starts as a copy of the current one and is listed in BookModel.xml.
    QCOMPARE(styles.pageText(name, StyleLibrary::Page::Chapter),
             styles.pageText(QStringLiteral("旧样式"), StyleLibrary::Page::Chapter));
    QVERIFY(styles.pageText(name, StyleLibrary::Page::List).contains(QStringLiteral("[[Content]]")));
    QCOMPARE(styles.userStyles(), QStringList({name, QStringLiteral("旧样式")}));
    const QString list = readTextFile(lib.path() + QStringLiteral("/BookModel.xml"));
    QVERIFY(list.contains(QStringLiteral("<Name>") + name + QStringLiteral("</Name>")));
}

void TestStyleLibrary::deleteStyle() {
    TestLibrary lib;
    StyleLibrary styles(lib.context().folder());
    QCOMPARE(styles.deleteStyle(QStringLiteral("普通样式")), QStringLiteral("只能删除自增项，其他不能删除"));
    QVERIFY(QFileInfo::exists(lib.path() + QStringLiteral("/model/vbArticle1.htm")));
    QVERIFY(styles.addStyle(QStringLiteral("甲"), QStringLiteral("普通样式")).isEmpty());
    QVERIFY(styles.deleteStyle(QStringLiteral("甲")).isEmpty());
    QVERIFY(!QFileInfo::exists(lib.path() + QStringLiteral("/usermodel/甲")));
    QVERIFY(!readTextFile(lib.path() + QStringLiteral("/BookModel.xml")).contains(QStringLiteral("甲")));
}

void TestStyleLibrary::saveStyle_data() {
    // file: relative to the library, where the text went
    columns<QString, QString, int, QString, QString>("style", "newName", "page", "error", "file");
    addRow("built-in chapter page", "外框样式", "外框样式", 0, QString(), "model/vbArticle3.htm");
    addRow("built-in list page", "普通样式", "普通样式", 1, QString(), "model/vbarticlelist.htm");
    addRow("user page", "甲", "甲", 1, QString(), "usermodel/甲/listmodel.htm");
    addRow("renamed", "甲", "丙", 0, QString(), "usermodel/丙/chaptermodel.htm");
    addRow("empty name", "甲", " ", 0, "样式名称不能为空", QString());
    addRow("taken name", "甲", "乙", 0, "已有此样式名称，请重新输入", QString());
    addRow("built-in renamed", "普通样式", "新", 0, "已有此样式名称，请重新输入", QString());
}

void TestStyleLibrary::saveStyle() {
    const auto [style, newName, page, error, file] =
        fetch<QString, QString, int, QString, QString>("style", "newName", "page", "error", "file");
    TestLibrary lib;
    StyleLibrary styles(lib.context().folder());
    QVERIFY(styles.addStyle(QStringLiteral("甲"), QStringLiteral("普通样式")).isEmpty());
    QVERIFY(styles.addStyle(QStringLiteral("乙"), QStringLiteral("普通样式")).isEmpty());
    Settings& settings = lib.context().settings();
    const QString text = QStringLiteral("<p>[[title]]</p>[[Content]]");
    QCOMPARE(styles.saveStyle(style, newName,
                              page == 0 ? StyleLibrary::Page::Chapter : StyleLibrary::Page::List, text,
                              settings),
             error);
    if (!error.isEmpty()) {
        QCOMPARE(settings.value(QStringLiteral("ArticleStyle")), QStringLiteral("普通样式"));
        return;
    }
    QCOMPARE(readTextFile(lib.path() + u'/' + file), text);
    QCOMPARE(settings.value(QStringLiteral("ArticleStyle")), newName);
    QCOMPARE(settings.readIniValue(Settings::kMain, QStringLiteral("ArticleStyle")), newName);
}

QTEST_GUILESS_MAIN(TestStyleLibrary)
#include "tst_stylelibrary.moc"

// The rules of the options dialog and the reading schemes.
#include "library/optionchecks.h"
#include "library/readingschemes.h"
#include "storage/settings.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void numbers_data();
    void numbers();
    void intervals_data();
    void intervals();
    void chmFolder();
    void otherEditor();
    void schemes();
    void backgroundPictures();
};

void TestOptions::numbers_data() {
    columns<QString, QString, QString, QString>("key", "text", "message", "stored");
    addRow("within", "NovelConnTimeOut", "30", "", "30");
    addRow("lower limit", "DelayTime", "0", "", "0");
    addRow("below", "NovelConnTimeOut", "1", "连接超时数应该在5与300之间", "1");
    addRow("above", "MultGetNums", "11", "最大下载任务数应该在1与10之间", "11");
    addRow("list columns", "ListPerLineNums", "0", "目录页每行章数应该在1与8之间", "0");
    addRow("delay", "DelayTime", "61", "每章下载后等待时间应该在0与60之间", "61");
    addRow("depth", "LinkDepth", "3", "最大链接深度应该在1与2之间", "3");
    addRow("not a number: timeout", "NovelConnTimeOut", "abc", "", "10");
    addRow("not a number: tasks", "MultGetNums", "", "", "1");
    addRow("not a number: per line", "ListPerLineNums", "x", "", "2");
}

void TestOptions::numbers() {
    const auto [key, text, message, stored] =
        fetch<QString, QString, QString, QString>("key", "text", "message", "stored");
    const OptionChecks::NumberField* field = OptionChecks::numberField(key);
    QVERIFY(field);
    QCOMPARE(OptionChecks::checkNumber(*field, text), message);
    QCOMPARE(OptionChecks::numberValue(*field, text), stored);
}

void TestOptions::intervals_data() {
    columns<QString, int, QString>("stored", "index", "entry");
    addRow("empty", "", 0, "无");
    addRow("zero", "0", 0, "无");
    addRow("half an hour", "30", 1, "30分钟");
    addRow("two hours", "120", 3, "2小时");
    addRow("six hours", "360", 7, "6小时");
    addRow("not offered", "45", 0, "无");
}

void TestOptions::intervals() {
    const auto [stored, index, entry] = fetch<QString, int, QString>("stored", "index", "entry");
    QCOMPARE(OptionChecks::intervalIndex(stored), index);
    QCOMPARE(OptionChecks::intervalEntries().at(index), entry);
    if (index > 0)
        QCOMPARE(QString::number(OptionChecks::intervalMinutes(index)), stored);
}

void TestOptions::chmFolder() {
    QTemporaryDir dir;
    QCOMPARE(OptionChecks::checkChmFolder("  "), QString("电子书输出目录不能为空"));
    QCOMPARE(OptionChecks::checkChmFolder(dir.filePath("new/folder")), QString());
    QVERIFY(QFileInfo(dir.filePath("new/folder")).isDir());
    QVERIFY(writeFile(dir.filePath("a-file"), "x"));
    QCOMPARE(OptionChecks::checkChmFolder(dir.filePath("a-file")),
             QString("无效的电子书输出目录，请重新输入"));
    QCOMPARE(OptionChecks::checkChmFolder(dir.filePath("a-file/below")),
             QString("无效的电子书输出目录，请重新输入"));
}

void TestOptions::otherEditor() {
    QCOMPARE(OptionChecks::checkOtherEditor(false, QString()), QString());
    QCOMPARE(OptionChecks::checkOtherEditor(true, QString()), QString("请选择具体的外部编辑器文件。"));
    QCOMPARE(OptionChecks::checkOtherEditor(true, "/no/such/editor"),
             QString("请选择具体的外部编辑器文件。"));
    QCOMPARE(OptionChecks::checkOtherEditor(true, "sh"), QString()); // found on the PATH
}

void TestOptions::schemes() {
    TestLibrary lib;
    ReadingSchemes shipped(lib.path());
    QVERIFY(shipped.names().contains("护眼绿"));

    Settings settings;
    settings.setValue("BgColor", "#112233");
    settings.setValue("FontName", "楷体");
    settings.setValue("FontBold", "Bold");
    ShowType mine = ReadingSchemes::fromSettings("我的", settings);
    QVERIFY(shipped.put(mine));
    settings.setValue("FontName", "黑体");
    QVERIFY(shipped.put(ReadingSchemes::fromSettings("我的", settings))); // same name: replaced
    ReadingSchemes reread(lib.path());
    QCOMPARE(reread.names().count("我的"), 1);
    const ShowType stored = reread.list().at(reread.indexOf("我的"));

    Settings other;
    ReadingSchemes::applyTo(stored, other);
    QCOMPARE(other.value("BgColor"), QString("#112233"));
    QCOMPARE(other.value("FontName"), QString("黑体"));
    QCOMPARE(other.value("FontBold"), QString("Bold"));

    QVERIFY(reread.remove("我的"));
    QVERIFY(!reread.remove("我的"));
    QCOMPARE(ReadingSchemes(lib.path()).indexOf("我的"), -1);
}

void TestOptions::backgroundPictures() {
    TestLibrary lib;
    QTemporaryDir dir;
    ReadingSchemes schemes(lib.path());
    QVERIFY(schemes.backgroundPictures().contains("宣纸.jpg"));
    QCOMPARE(schemes.addBackgroundPicture(dir.filePath("missing.jpg")), QString("无此文件"));
    QVERIFY(writeFile(dir.filePath("宣纸.jpg"), "x"));
    QCOMPARE(schemes.addBackgroundPicture(dir.filePath("宣纸.jpg")),
             QString("在可选择的背景图片中已有同名的图片，请改名或者另选"));
    QVERIFY(QFile::rename(dir.filePath("宣纸.jpg"), dir.filePath("新图.jpg")));
    QCOMPARE(schemes.addBackgroundPicture(dir.filePath("新图.jpg")), QString());
    QVERIFY(schemes.backgroundPictures().contains("新图.jpg"));
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"

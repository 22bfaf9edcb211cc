// book.ini: creation, defaults, orders of writing, preservation of foreign content, encodings.
#include "storage/inifile.h"
#include "storage/settings.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Keys of one section in file order.
QStringList keysInFile(const QString& path, const QString& section) {
    QStringList keys;
    QString current;
    for (const QString& line : readTextFile(path).split("\r\n")) {
        if (line.startsWith('['))
            current = line.mid(1, line.indexOf(']') - 1);
        else if (current == section && line.contains('='))
            keys << line.section('=', 0, 0);
    }
    return keys;
}

QStringList chmKeyNames() {
    QStringList names;
    for (const Settings::Key& k : Settings::chmKeys())
        names << k.name;
    return names;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingFileIsCreated();
    void defaults_data();
    void defaults();
    void saveOrders();
    void foreignContentSurvives();
    void encodings_data();
    void encodings();
    void writeIniValueSingleKey();
    void iniCaseAndQuotes();
};

void TestSettings::missingFileIsCreated() {
    QTemporaryDir dir;
    Settings settings(dir.path());
    QVERIFY(!settings.startUp());
    const QString ini = dir.filePath("book.ini");
    QVERIFY(QFile::exists(ini));
    QCOMPARE(keysInFile(ini, "Main"), Settings::optionKeys() + Settings::windowKeys());
    QCOMPARE(keysInFile(ini, "Chm"), chmKeyNames());
    // Display keys are in force without being written.
    for (const QString& key : Settings::displayKeys())
        QVERIFY2(!keysInFile(ini, "Main").contains(key), qPrintable(key));
    QCOMPARE(settings.value("NovelChmPath"), dir.filePath("chm"));

    // A second start reads what the first wrote, and leaves the file as it was.
    const QString written = readTextFile(ini);
    Settings again(dir.path());
    QVERIFY(again.startUp());
    QCOMPARE(again.value("ArticleStyle"), QString("普通样式"));
    QCOMPARE(again.chmValue("chmPrint"), QString("1"));
    QCOMPARE(readTextFile(ini), written);
}

void TestSettings::defaults_data() {
    columns<QString, QString, QString>("fileLine", "key", "expected");
    addRow("missing key", "", "NovelConnTimeOut", "30");
    addRow("empty value takes default", "MultGetNums=", "MultGetNums", "5");
    addRow("value kept", "MultGetNums=3", "MultGetNums", "3");
    addRow("width not numeric", "TitleWidth2=abc", "TitleWidth2", "2000");
    addRow("skin not numeric", "Skin=x", "Skin", "1");
    addRow("splitter kept as written", "Left1=abc", "Left1", "abc");
    addRow("no default stays empty", "", "IntervalTime", "");
}

void TestSettings::defaults() {
    const auto [fileLine, key, expected] = fetch<QString, QString, QString>("fileLine", "key", "expected");
    QTemporaryDir dir;
    writeTextFile(dir.filePath("book.ini"), "[Main]\r\n" + fileLine + "\r\n");
    Settings settings(dir.path());
    QVERIFY(settings.startUp());
    QCOMPARE(settings.value(key), expected);
}

void TestSettings::saveOrders() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("book.ini");
    {
        Settings s(dir.path());
        QVERIFY(s.saveOptionSettings());
        QCOMPARE(keysInFile(ini, "Main"), Settings::optionKeys());
    }
    QFile::remove(ini);
    {
        Settings s(dir.path());
        QVERIFY(s.saveDisplaySettings());
        QCOMPARE(keysInFile(ini, "Main"), Settings::displayKeys());
        QVERIFY(s.saveMainSettings());
        // Keys already there keep their place; new ones follow in the order written.
        QCOMPARE(keysInFile(ini, "Main"),
                 Settings::displayKeys() + Settings::optionKeys() + Settings::windowKeys());
    }
}

void TestSettings::foreignContentSurvives() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("book.ini");
    writeTextFile(
        ini, "; kept "
             "comment\r\n[Other]\r\nx=1\r\n\r\n[Main]\r\nMyOwnKey=mine\r\nFontSize=14\r\n[Tail]\r\ny=2\r\n");
    Settings s(dir.path());
    QVERIFY(s.startUp());
    QCOMPARE(s.value("FontSize"), QString("14"));
    s.setValue("FontSize", "16");
    QVERIFY(s.saveDisplaySettings());
    QVERIFY(s.saveChmSettings());
    const QString text = readTextFile(ini);
    QVERIFY(text.startsWith(
        "; kept comment\r\n[Other]\r\nx=1\r\n\r\n[Main]\r\nMyOwnKey=mine\r\nFontSize=16\r\n"));
    QVERIFY(text.contains("[Tail]\r\ny=2\r\n"));
    QCOMPARE(text.count("\nFontSize="), 1);
    QCOMPARE(keysInFile(ini, "Chm"), chmKeyNames());
}

void TestSettings::encodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    addRow("gbk", QByteArray("[Main]\r\nFontName=\xBF\xAC\xCC\xE5\r\n"));
    addRow("utf-8 with bom", QByteArray("\xEF\xBB\xBF[Main]\nFontName=\xE6\xA5\xB7\xE4\xBD\x93\n"));
    addRow("utf-8 without bom", QByteArray("[Main]\nFontName=\xE6\xA5\xB7\xE4\xBD\x93\n"));
}

void TestSettings::encodings() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString ini = dir.filePath("book.ini");
    QVERIFY(writeFile(ini, bytes));
    Settings s(dir.path());
    QVERIFY(s.startUp());
    QCOMPARE(s.value("FontName"), QString("楷体"));
    // Written back as GB18030: GBK bytes for GBK characters, four-byte forms for the rest.
    s.setValue("chmAuthor", "作者😀");
    QVERIFY(s.saveOptionSettings());
    const QByteArray written = fileBytes(ini);
    QVERIFY(written.contains("FontName=\xBF\xAC\xCC\xE5"));
    QVERIFY(written.contains("chmAuthor=\xD7\xF7\xD5\xDF\x94\x39\xFC\x36"));
    QVERIFY(!written.contains('?'));
    Settings back(dir.path());
    back.startUp();
    QCOMPARE(back.value("chmAuthor"), QString("作者😀"));
}

void TestSettings::writeIniValueSingleKey() {
    QTemporaryDir dir;
    Settings s(dir.path());
    s.startUp();
    QVERIFY(s.writeIniValue("Main", "bIsViewLyric", "1"));
    QVERIFY(s.isOn("bIsViewLyric"));
    QVERIFY(s.writeIniValue("main", "tbrwebkey", "Prior,Next"));
    QCOMPARE(s.value("tbrWebKey"), QString("Prior,Next"));
    QVERIFY(s.writeIniValue("Main", "Skin", "")); // empty means the default in force
    QCOMPARE(s.value("Skin"), QString("1"));
    QVERIFY(s.writeIniValue("Chm", "chmHomeUrl", "http://x/"));
    const QString longValue = QString("站点").repeated(1200); // well past the old 499-character limit
    QVERIFY(s.writeIniValue("Main", "DownSiteStr", longValue));
    QVERIFY(s.writeIniValue("Main", "OtherEditor", "first\r\nsecond\nthird"));
    Settings back(dir.path());
    back.startUp();
    QCOMPARE(back.value("DownSiteStr"), longValue);
    QCOMPARE(back.value("OtherEditor"), QString("first second third"));
    QCOMPARE(back.value("bIsNovelNewDown"), QString("1")); // the file is still whole
    QCOMPARE(back.value("bIsViewLyric"), QString("1"));
    QCOMPARE(back.value("tbrWebKey"), QString("Prior,Next"));
    QCOMPARE(back.chmValue("chmHomeUrl"), QString("http://x/"));
    QCOMPARE(keysInFile(dir.filePath("book.ini"), "Main").count("tbrWebKey"), 1);
}

void TestSettings::iniCaseAndQuotes() {
    IniFile ini;
    ini.parse("[MAIN]\n  FontSize = 12 \nquoted=\"a b\"\n;x=comment\n[Empty]\n");
    QCOMPARE(ini.value("main", "fontsize"), QString("12"));
    QCOMPARE(ini.value("Main", "quoted"), QString("a b"));
    QVERIFY(!ini.contains("Main", ";x"));
    ini.setValue("empty", "k", "v");
    ini.setValue("New", "k", "w");
    QCOMPARE(ini.toText(),
             QString("[MAIN]\n  FontSize = 12 \nquoted=\"a b\"\n;x=comment\n[Empty]\nk=v\n[New]\nk=w\n"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

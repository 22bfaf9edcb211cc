// Record documents: writing, reading by position, encodings, and the lists kept in them.
#include "storage/recorddocument.h"
#include "storage/recordlists.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestRecords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripValues_data();
    void roundTripValues();
    void declarationAndBytesOnDisk();
    void encodingsRead_data();
    void encodingsRead();
    void gridIsCutToFirstRecord();
    void malformedInput_data();
    void malformedInput();
    void randomBytesNeverCrash();
    void tableRecords();
    void bookmarks_data();
    void bookmarks();
    void showTypesByPosition();
    void musicList();
    void userModels();
};

void TestRecords::roundTripValues_data() {
    QTest::addColumn<QString>("value");
    addRow("chinese", "斗破苍穹");
    addRow("markup", "<div id=\"list\">&nbsp;</div>");
    addRow("apostrophe and ampersand", "it's A&B");
    addRow("regex entry", "广告||[[<script[\\s\\S]*?</script>]]");
    addRow("line breaks kept", "a\r\nb\nc\td");
    addRow("outside gbk", "𠀀 😀");
    addRow("empty", "");
    addRow("spaces kept", "  padded  ");
}

void TestRecords::roundTripValues() {
    QFETCH(QString, value);
    RecordWriter writer("SiteSign");
    writer.add({"name", "url"}, {value, "http://a/"});
    writer.add({"name", "url"}, {"second", value});
    QTemporaryDir dir;
    const QString path = dir.filePath("x.xml");
    QVERIFY(writeRecordFile(path, writer.toText()));
    RecordGrid grid;
    QVERIFY(parseMessageRecords(readRecordFile(path), "SiteSign", grid));
    QCOMPARE(grid.size(), 2);
    QCOMPARE(grid[0][0].text, value);
    QCOMPARE(grid[1][1].text, value);
}

void TestRecords::declarationAndBytesOnDisk() {
    QTemporaryDir dir;
    const QString path = dir.filePath("x.xml");
    RecordWriter writer("Bookmark");
    writer.add({"name"}, {"中文"});
    QVERIFY(writeRecordFile(path, writer.toText()));
    const QByteArray bytes = fileBytes(path);
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<MESSAGE>"));
    QVERIFY(bytes.contains("<Bookmark><name>\xD6\xD0\xCE\xC4</name></Bookmark>"));
    QVERIFY(bytes.trimmed().endsWith("</MESSAGE>"));
    // The empty list is the bare root.
    RecordGrid grid;
    QVERIFY(!parseMessageRecords(RecordWriter("Bookmark").toText(), "Bookmark", grid));
}

void TestRecords::encodingsRead_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray body = "<MESSAGE><S><name>%1</name></S></MESSAGE>";
    addRow("gb2312", QByteArray("<?xml version=\"1.0\" encoding=\"gb2312\"?>") +
                         QByteArray(body).replace("%1", "\xD6\xD0\xCE\xC4"));
    addRow("gbk", QByteArray("<?xml version='1.0' encoding='GBK'?>") +
                      QByteArray(body).replace("%1", "\xD6\xD0\xCE\xC4"));
    addRow("gb18030", QByteArray("<?xml version=\"1.0\" encoding=\"GB18030\"?>") +
                          QByteArray(body).replace("%1", "\xD6\xD0\xCE\xC4"));
    addRow("utf-8 declared", QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>") +
                                 QByteArray(body).replace("%1", "\xE4\xB8\xAD\xE6\x96\x87"));
    addRow("utf-8 under old declaration", QByteArray("<?xml version=\"1.0\" encoding=\"gb2312\"?>") +
                                              QByteArray(body).replace("%1", "\xE4\xB8\xAD\xE6\x96\x87"));
    addRow("utf-8 bom", QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?>") +
                            QByteArray(body).replace("%1", "\xE4\xB8\xAD\xE6\x96\x87"));
    addRow("big5", QByteArray("<?xml version=\"1.0\" encoding=\"big5\"?>") +
                       QByteArray(body).replace("%1", "\xA4\xA4\xA4\xE5"));
    addRow("no declaration", QByteArray(body).replace("%1", "\xD6\xD0\xCE\xC4"));
}

void TestRecords::encodingsRead() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("x.xml");
    QVERIFY(writeFile(path, bytes));
    RecordGrid grid;
    QVERIFY(parseMessageRecords(readRecordFile(path), "S", grid));
    QCOMPARE(grid[0][0].text, QString("中文"));
}

void TestRecords::gridIsCutToFirstRecord() {
    const QString text = "<MESSAGE><S><a>1</a><b>2</b></S><S><a>3</a><b>4</b><c>5</c></S><S><a>6</a></S>"
                         "<Other><S><a>7</a><b>8</b></S></Other></MESSAGE>";
    RecordGrid grid;
    QVERIFY(parseMessageRecords(text, "S", grid));
    QCOMPARE(grid.size(), 4); // nested records count too
    QCOMPARE(grid[1].size(), 2);
    QCOMPARE(grid[1][1].text, QString("4"));
    QCOMPARE(grid[2].size(), 2);
    QCOMPARE(grid[2][1].text, QString());
    QCOMPARE(grid[3][0].text, QString("7"));
    QVERIFY(!parseMessageRecords(text, "Missing", grid));
    QCOMPARE(grid.size(), 4); // untouched on failure
}

void TestRecords::malformedInput_data() {
    QTest::addColumn<QString>("text");
    addRow("empty", "");
    addRow("truncated", "<?xml version=\"1.0\"?><MESSAGE><S><a>1</a><b>2");
    addRow("not xml", "name=value\nother");
    addRow("unclosed entity", "<MESSAGE><S><a>&amp</a></S></MESSAGE>");
    addRow("two roots", "<MESSAGE><S><a>1</a></S></MESSAGE><MESSAGE/>");
}

void TestRecords::malformedInput() {
    QFETCH(QString, text);
    RecordGrid grid;
    QVERIFY(!parseMessageRecords(text, "S", grid));
    QVERIFY(grid.isEmpty());
    QVERIFY(readMessageRecords(text).isEmpty());
}

void TestRecords::randomBytesNeverCrash() {
    QRandomGenerator rng(20261206);
    const QByteArray valid =
        "<?xml version=\"1.0\" encoding=\"gb2312\"?><MESSAGE><S><a>\xD6\xD0</a><b>x</b></S></MESSAGE>";
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes = valid;
        const int edits = 1 + int(rng.bounded(8));
        for (int e = 0; e < edits; ++e)
            bytes[int(rng.bounded(bytes.size()))] = char(rng.bounded(256));
        if (round % 3 == 0)
            bytes.truncate(int(rng.bounded(bytes.size())));
        RecordGrid grid;
        const QString text = decodeRecordBytes(bytes);
        if (parseMessageRecords(text, "S", grid))
            QVERIFY(!grid.isEmpty());
        readMessageRecords(text);
    }
}

void TestRecords::tableRecords() {
    TestLibrary lib;
    const QString id = lib.addNovel("书<名>&'");
    lib.db().exec("UPDATE book_novel SET Brief=?, Displayorder=NULL WHERE NovelID=?",
                  {"第一行\r\n第二行", id});
    // The columns the library added for itself are left out, as the novel list does.
    const QString text = tableRecordsText(lib.db(), "book_Novel", false, {"BookUuid", "bIsJoinPages"});
    const QList<Record> records = readMessageRecords(text);
    QCOMPARE(records.size(), 1);
    const Record& r = records.first();
    QCOMPARE(r.size(), 17);
    QCOMPARE(r[0], RecordField("NovelID", id));
    // Text values carry their own escaping inside the document's.
    QCOMPARE(r[1], RecordField("NovelName", "书&lt;名&gt;&amp;'"));
    QCOMPARE(unformatFieldValue(r[1].second), QString("书<名>&'"));
    QCOMPARE(r[2], RecordField("Author", "")); // Null text: empty element
    auto field = [&](const QString& name) {
        for (const RecordField& f : r)
            if (f.first == name)
                return f.second;
        return QString("missing");
    };
    QCOMPARE(field("Displayorder"), QString("0")); // Null integer: "0"
    QCOMPARE(field("Brief"), QString("第一行<br>\n第二行"));
    QVERIFY(text.startsWith("<?xml version=\"1.0\" encoding=\"gb2312\"?>"));
    QVERIFY(text.contains("<book_Novel>"));
    QVERIFY(readMessageRecords(tableRecordsText(lib.db(), "book_Novel", true)).isEmpty());
    QVERIFY(readMessageRecords(tableRecordsText(lib.db(), "no_such_table")).isEmpty());
}

void TestRecords::bookmarks_data() {
    // fullSuffix: after the library path
    columns<QString, QString>("url", "fullSuffix");
    addRow("relative", "000001\\12.htm", "/chm/000001/12.htm");
    addRow("relative slashes", "000001/12.htm", "/chm/000001/12.htm");
    addRow("inside library", "@LIB@/chm/000002/3.htm", "/chm/000002/3.htm");
}

void TestRecords::bookmarks() {
    auto [url, fullSuffix] = fetch<QString, QString>("url", "fullSuffix");
    QTemporaryDir dir;
    url.replace("@LIB@", dir.path());
    const QList<Bookmark> saved = {{"第十二章", url, "pos1", QString()},
                                   {"no address", QString(), "x", QString()}};
    QVERIFY(saveBookmarks(dir.path(), saved));
    QList<Bookmark> loaded;
    QVERIFY(loadBookmarks(dir.path(), loaded));
    QCOMPARE(loaded.size(), 1); // the one without address is not written
    QCOMPARE(loaded[0].name, QString("第十二章"));
    QCOMPARE(loaded[0].url, url);
    QCOMPARE(loaded[0].strPos, QString("pos1"));
    QCOMPARE(loaded[0].fullAddress, dir.path() + fullSuffix);
}

void TestRecords::showTypesByPosition() {
    QTemporaryDir dir;
    const QString path = dir.filePath("showtype.xml");
    ShowType night;
    night.fields = {"夜间", "#000000", "", "14", "#CCCCCC", "宋体", "Bold", "None", "黑体", "20"};
    QVERIFY(writeRecordFile(path, showTypesText({night})));
    QList<ShowType> loaded;
    QVERIFY(loadShowTypes(path, loaded));
    QCOMPARE(loaded.size(), 1);
    QCOMPARE(loaded[0].fields, night.fields);

    // A file with the colours swapped in element order loads them into the other property.
    QVERIFY(writeRecordFile(path, "<MESSAGE><ShowType><Name>x</Name><FontColor>#111111</FontColor>"
                                  "<BgColor>#222222</BgColor></ShowType></MESSAGE>"));
    QVERIFY(loadShowTypes(path, loaded));
    QCOMPARE(loaded[0].fields[1], QString("#111111")); // BgColor gets the FontColor element
    QCOMPARE(loaded[0].fields[2], QString("#222222"));
    QCOMPARE(loaded[0].fields[9], QString());

    QVERIFY(!loadShowTypes(dir.filePath("missing.xml"), loaded));
    QCOMPARE(loaded.size(), 1); // unchanged
}

void TestRecords::musicList() {
    QTemporaryDir dir;
    const QString path = dir.filePath("musiclist.dat");
    QVERIFY(
        writeTextFile(path, "/music/一.mp3\r\n   \r\n  /music/two.ogg\r\n\r\n/music/3.wav\n/music/4.wav"));
    QStringList entries;
    QVERIFY(loadMusicList(path, entries));
    QCOMPARE(entries, (QStringList{"/music/一.mp3", "  /music/two.ogg", "/music/3.wav", "/music/4.wav"}));
    QVERIFY(writeTextFile(path, "  \r\n"));
    QVERIFY(!loadMusicList(path, entries));
    QCOMPARE(entries.size(), 4);
}

void TestRecords::userModels() {
    QTemporaryDir dir;
    QList<BookModel> models;
    QVERIFY(!listUserModels(dir.path(), models));
    QVERIFY(QDir(dir.path()).mkpath("usermodel/我的样式"));
    QVERIFY(QDir(dir.path()).mkpath("usermodel/Another"));
    QVERIFY(listUserModels(dir.path(), models));
    QCOMPARE(models.size(), 2);
    QCOMPARE(models[0].name, QString("Another"));
    QCOMPARE(models[1].name, QString("我的样式"));
    const QString text = bookModelsText(models, "Model");
    RecordGrid grid;
    QVERIFY(parseMessageRecords(text, "Model", grid));
    QCOMPARE(grid[1][1].name, QString("Name"));
    QCOMPARE(grid[1][1].text, QString("我的样式"));
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"

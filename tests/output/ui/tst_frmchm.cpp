// The e-book cover editor.
#include "output/chmarchive.h"
#include "output/chmcompiler.h"
#include "output/novelfixture.h"
#include "output/chmbuildjob.h"
#include "output/ui/frmchm.h"
#include "output/ui/frmchm2htm.h"
#include "output/ui/frmchmcollection.h"
#include "output/ui/sourceeditor.h"
#include "storage/textfile.h"
#include "support/uitest.h"
#include "widgets/messages.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

class TestFrmChm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void coverAndListPages();
    void findAndReplace();
    void generate();
    void unpackWindow();
    void collectionWindow();

private:
    QList<QPair<Messages::Kind, QString>> m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;
};

void TestFrmChm::init() {
    m_messages.clear();
    m_answer = QMessageBox::Yes;
    Messages::setHandler([this](Messages::Kind kind, const QString& text) {
        m_messages.append({kind, text});
        return m_answer;
    });
}

void TestFrmChm::coverAndListPages() {
    TestLibrary lib;
    const QString novelId =
        addFixtureNovel(lib, QStringLiteral("书"), QString(), {{QStringLiteral("第一章")}});
    FrmChm window(lib.context(), novelId);
    const QString dir = lib.context().folder().novelDir(novelId);

    // A cover never edited starts from the template.
    auto* source = window.findChild<QPlainTextEdit*>(QStringLiteral("txtSource"));
    QVERIFY(source->toPlainText().contains(QStringLiteral("[[BookName]]")));
    QCOMPARE(window.currentPath(), dir + QStringLiteral("/Index.htm"));
    QCOMPARE(child<QLabel>(window, "lblPageName")->text(), QStringLiteral("页面名称：封面"));
    QCOMPARE(child<QLabel>(window, "lblFilePath")->text(), QStringLiteral("文件路径：") + dir + "/Index.htm");
    source->setPlainText(QStringLiteral("<h1>[[BookName]]</h1>我的封面"));
    child<QAction>(window, "Save")->trigger();
    QCOMPARE(m_messages.last().second, QStringLiteral("已保存"));
    QCOMPARE(readTextFile(dir + QStringLiteral("/Index.htm")),
             QStringLiteral("<h1>[[BookName]]</h1>我的封面"));

    // The contents page is made when the novel has none yet.
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("tvwChm"));
    QTreeWidgetItem* list =
        tree->findItems(QStringLiteral("目录"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    QVERIFY(list);
    tree->setCurrentItem(list);
    QCOMPARE(window.currentPath(), dir + QStringLiteral("/List.htm"));
    QVERIFY(QFileInfo::exists(dir + QStringLiteral("/List.htm")));
    QVERIFY(source->toPlainText().contains(QStringLiteral("第一章")));
}

void TestFrmChm::findAndReplace() {
    TestLibrary lib;
    const QString novelId =
        addFixtureNovel(lib, QStringLiteral("书"), QString(), {{QStringLiteral("第一章")}});
    FrmChm window(lib.context(), novelId);
    auto* source = window.findChild<QPlainTextEdit*>(QStringLiteral("txtSource"));
    source->setPlainText(QStringLiteral("甲乙甲"));
    child<QLineEdit>(window, "txtFind")->setText(QStringLiteral("丙"));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdFind")), Qt::LeftButton);
    QCOMPARE(m_messages.last().second, QStringLiteral("没有找到匹配字符"));

    child<QLineEdit>(window, "txtFind")->setText(QStringLiteral("甲"));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdFind")), Qt::LeftButton);
    QCOMPARE(source->textCursor().selectedText(), QStringLiteral("甲"));
    child<QLineEdit>(window, "txtReplace")->setText(QStringLiteral("丁"));
    m_answer = QMessageBox::No;
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdReplace")), Qt::LeftButton);
    QCOMPARE(m_messages.last().second, QStringLiteral("是否将内容里的\"甲\"替换为\"丁\"？"));
    QCOMPARE(source->toPlainText(), QStringLiteral("甲乙甲"));
    m_answer = QMessageBox::Yes;
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdReplace")), Qt::LeftButton);
    QCOMPARE(source->toPlainText(), QStringLiteral("丁乙丁"));
    source->undo();
    QCOMPARE(source->toPlainText(), QStringLiteral("甲乙甲"));
}

void TestFrmChm::generate() {
    if (ChmCompiler::findProgram().isEmpty())
        QSKIP("chmcmd (fp-utils) is not installed");
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("书"), QStringLiteral("某"),
                                            {{QStringLiteral("第一章")}, {QStringLiteral("第二章")}});
    lib.context().settings().setValue(QStringLiteral("bIsChmDefine"), QStringLiteral("1"));
    FrmChm window(lib.context(), novelId);
    QStringList opened;
    window.setOpener([&](const QString& path) { opened << path; });
    child<QPlainTextEdit>(window, "txtSource")
        ->setPlainText(QStringLiteral("<h1>[[BookName]]</h1><p>[[author]]</p>"));
    QSignalSpy generated(&window, &FrmChm::generated);
    child<QAction>(window, "Gen")->trigger();
    QVERIFY(generated.wait(120000));
    const QString book = lib.context().folder().chmDir() + QStringLiteral("/书.chm");
    QCOMPARE(generated.first().first().toString(), book);
    QCOMPARE(opened, QStringList{book});
    // The cover was saved first, then filled in for the book.
    QCOMPARE(readTextFile(lib.context().folder().novelDir(novelId) + QStringLiteral("/Index.htm")),
             QStringLiteral("<h1>书</h1><p>某</p>"));
}

// The unpacking window refuses what is missing, field by field, then unpacks a made book.
void TestFrmChm::unpackWindow() {
    if (ChmCompiler::findProgram().isEmpty())
        QSKIP("chmcmd (fp-utils) is not installed");
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("书"), QString(), {{QStringLiteral("第一章")}});
    ChmBuildJob build(lib.db(), lib.context().folder(), lib.context().settings(), novelId);
    build.runHere();
    QVERIFY2(build.result().ok, qPrintable(build.result().error));

    m_answer = QMessageBox::No;
    auto* window = new FrmChm2Htm(lib.path());
    QLineEdit* chm = child<QLineEdit>(*window, "txtChm");
    QLineEdit* folder = child<QLineEdit>(*window, "txtFolder");
    auto* start = child<QPushButton>(*window, "cmdStart");
    const QString out = lib.path() + QStringLiteral("/解包");
    const QList<QPair<QStringList, QString>> steps{
        {{QString(), QString()}, QStringLiteral("chm文件不能为空")},
        {{lib.path() + QStringLiteral("/无.chm"), QString()}, QStringLiteral("该chm文件不存在")},
        {{build.result().chmPath, QString()}, QStringLiteral("保存文件夹不能为空")},
        {{build.result().chmPath, out}, QStringLiteral("保存文件夹不存在，请重新输入")}};
    for (const auto& [fields, message] : steps) {
        chm->setText(fields.at(0));
        folder->setText(fields.at(1));
        start->click();
        QCOMPARE(m_messages.last().second, message);
    }
    QVERIFY(QDir().mkpath(out));
    start->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_messages.last().second, QStringLiteral("反编译chm文件完成，是否进入存放文件夹查看"), 20000);
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/chm/") + novelId + QStringLiteral("/List.htm")));
    delete window;
}

// The collection window refuses a bad name, asks before copying the picture, and makes the book.
void TestFrmChm::collectionWindow() {
    if (ChmCompiler::findProgram().isEmpty())
        QSKIP("chmcmd (fp-utils) is not installed");
    TestLibrary lib;
    const QStringList ids{addFixtureNovel(lib, QStringLiteral("甲"), QString(), {{QStringLiteral("一")}}),
                          addFixtureNovel(lib, QStringLiteral("乙"), QString(), {{QStringLiteral("二")}})};
    FrmChmCollection window(lib.context(), ids);
    window.setOpener([](const QString&) {});
    QCOMPARE(window.objectName(), QStringLiteral("frmChmCollection"));
    QVERIFY(child<QCheckBox>(window, "chkIndex")->isChecked());
    child<QAbstractButton>(window, "cmdBrowse");
    QLineEdit* name = child<QLineEdit>(window, "txtName");
    QCOMPARE(name->text(), QStringLiteral("合集"));
    name->setText(QStringLiteral("第#集"));
    click(window, "cmdOK");
    QCOMPARE(m_messages.last().second, QStringLiteral("合集名称不能包含<>?:\"|*%#等特殊符号，请重新输入"));

    name->setText(QStringLiteral("两本"));
    const QString picture = lib.path() + QStringLiteral("/封面.jpg");
    QVERIFY(writeFile(picture, "picture"));
    child<QLineEdit>(window, "txtImage")->setText(picture);
    QSignalSpy generated(&window, &FrmChmCollection::generated);
    click(window, "cmdOK");
    QCOMPARE(m_messages.last().second,
             QStringLiteral("封面图片如果需要在电子书中显示，需要复制到小说的下载目录中，您是否确定复制？"));
    QVERIFY(generated.wait(120000));
    const QString book = lib.context().folder().chmDir() + QStringLiteral("/两本.chm");
    QCOMPARE(generated.first().first().toString(), book);
    QVERIFY(ChmArchive(book).contains(QStringLiteral("/chm/CollectionCover.jpg")));
}

QTEST_MAIN(TestFrmChm)
#include "tst_frmchm.moc"

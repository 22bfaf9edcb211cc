// The e-book cover editor.
#include "output/chmcompiler.h"
#include "output/novelfixture.h"
#include "output/ui/frmchm.h"
#include "output/ui/sourceeditor.h"
#include "storage/textfile.h"
#include "support/uitest.h"
#include "widgets/messages.h"

#include <QAction>
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

QTEST_MAIN(TestFrmChm)
#include "tst_frmchm.moc"

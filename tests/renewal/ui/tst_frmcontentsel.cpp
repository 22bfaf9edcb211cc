// The manual choice of new chapters: ticking commands, sorting that keeps page positions, volume names.
#include "renewal/chapterchooser.h"
#include "renewal/ui/frmcontentsel.h"
#include "support/rows.h"
#include "support/uitest.h"
#include "widgets/desktopprompter.h"
#include "widgets/frmvolumeset.h"
#include "widgets/messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

const QStringList kRows = {"第3章 风起\t卷一\thttp://a.test/3.htm", "第1章 开端\t卷一\thttp://a.test/1.htm",
                           "第2章 相逢\t\thttp://a.test/2.htm", "第9章 番外\t卷二\thttp://a.test/9.htm"};

void selectRows(QTreeWidget* list, const QStringList& titles) {
    list->clearSelection();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (titles.contains(list->topLevelItem(i)->text(0)))
            list->topLevelItem(i)->setSelected(true);
}

} // namespace

class TestFrmContentSel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
    void sortingKeepsPagePositions();
    void volumeNames();
    void renewalAsksWithThisWindow();
};

void TestFrmContentSel::commands_data() {
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QList<int>>("chosen");
    addRow("all ticked at first", QStringList{}, QStringList{}, QList<int>{0, 1, 2, 3});
    addRow("not these", QStringList{"第9章 番外", "第1章 开端"}, QStringList{"cmdUnselect"},
           QList<int>{0, 2});
    addRow("none, then these", QStringList{"第9章 番外"}, QStringList{"cmdUnselectAll", "cmdSelect"},
           QList<int>{3});
    addRow("invert", QStringList{"第9章 番外"}, QStringList{"cmdUnselect", "cmdInvert"}, QList<int>{3});
    addRow("cleared selection changes no tick", QStringList{"第9章 番外"},
           QStringList{"cmdClearSelection", "cmdUnselect"}, QList<int>{0, 1, 2, 3});
    addRow("all again", QStringList{}, QStringList{"cmdUnselectAll", "cmdSelectAll"}, QList<int>{0, 1, 2, 3});
}

void TestFrmContentSel::commands() {
    QFETCH(QStringList, selected);
    QFETCH(QStringList, commands);
    QFETCH(QList<int>, chosen);
    FrmContentSel window(kRows);
    selectRows(child<QTreeWidget>(window, "lstContent"), selected);
    for (const QString& c : commands)
        click(window, qPrintable(c));
    QCOMPARE(window.chosen(), chosen);
    QVERIFY(!child<QPushButton>(window, "cmdNeedDelUrl")->isEnabled());
}

void TestFrmContentSel::sortingKeepsPagePositions() {
    FrmContentSel window(kRows);
    auto* list = child<QTreeWidget>(window, "lstContent");
    click(window, "cmdSortTitle");
    QCOMPARE(list->topLevelItem(0)->text(0), QString("第1章 开端"));
    selectRows(list, {"第1章 开端"});
    click(window, "cmdUnselect");
    click(window, "cmdSortUrl");
    QCOMPARE(list->topLevelItem(3)->text(2), QString("http://a.test/9.htm"));
    click(window, "cmdSortPage");
    QCOMPARE(list->topLevelItem(0)->text(0), QString("第3章 风起"));
    QCOMPARE(window.chosen(), (QList<int>{0, 2, 3}));
    child<QCheckBox>(window, "chkAutoFilter")->setChecked(true);
    click(window, "cmdOK");
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(window.filterUnchosen());
}

void TestFrmContentSel::volumeNames() {
    QStringList warnings;
    Messages::setHandler([&warnings](Messages::Kind, const QString& text) {
        warnings << text;
        return QMessageBox::Ok;
    });
    FrmContentSel window(kRows);
    auto* list = child<QTreeWidget>(window, "lstContent");
    list->clearSelection();
    click(window, "cmdVolumeSet");
    QCOMPARE(warnings, QStringList{"请选择具体项"});
    click(window, "cmdSortVolume");
    selectRows(list, {"第2章 相逢", "第9章 番外"});
    click(window, "cmdVolumeSet");
    auto* volume = window.findChild<FrmVolumeSet*>();
    QVERIFY(volume);
    auto* names = child<QComboBox>(*volume, "cboVolume");
    QCOMPARE(names->count(), 2); // 卷一, 卷二
    names->setCurrentText(" 卷三 ");
    click(*volume, "cmdOK");
    QCOMPARE(window.volumes(), (QStringList{"卷一", "卷一", "卷三", "卷三"}));
    Messages::setHandler({});
}

void TestFrmContentSel::renewalAsksWithThisWindow() {
    QWidget parent;
    DesktopPrompter prompter(&parent);
    DesktopPrompter::setQuestionWindow(ChapterChooserPrompt::questionText(),
                                       [](const Prompter::Question& question, QWidget* parent) {
                                           return FrmContentSel::answer(question, parent);
                                       });
    const ChapterLinks candidates = {{"第一章", "http://a.test/1.htm", "卷一"},
                                     {"第二章", "http://a.test/2.htm", ""}};
    whenDialogOpens("frmContentSel", [](QDialog* dialog) {
        auto* list = dialog->findChild<QTreeWidget*>("lstContent");
        list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        list->topLevelItem(1)->setText(1, "卷二");
        child<QCheckBox>(*dialog, "chkAutoFilter")->setChecked(true);
        click(*dialog, "cmdOK");
    });
    const ChapterChoice choice = ChapterChooserPrompt::chooser(prompter)(candidates);
    QVERIFY(choice.accepted);
    QCOMPARE(choice.chosen, QList<int>{1});
    QVERIFY(choice.filterUnchosen);
    QCOMPARE(choice.volumes, (QStringList{"卷一", "卷二"}));
}

QTEST_MAIN(TestFrmContentSel)
#include "tst_frmcontentsel.moc"

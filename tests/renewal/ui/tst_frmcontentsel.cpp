// The manual choice of new chapters: ticking commands, sorting that keeps page positions, volume names,
// and the novel's filtered links opened from it during a renewal of the main window.
#include "app/ui/frmbook.h"
#include "library/demolibrary.h"
#include "library/treekeys.h"
#include "renewal/chapterchooser.h"
#include "renewal/renewjob.h"
#include "renewal/ui/frmcontentsel.h"
#include "storage/novelstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
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
    void filterLinksDuringRenewal();
};

void TestFrmContentSel::commands_data() {
    columns<QStringList, QStringList, QList<int>>("selected", "commands", "chosen");
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
    const auto [selected, commands, chosen] =
        fetch<QStringList, QStringList, QList<int>>("selected", "commands", "chosen");
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
    auto* names = child<QComboBox>(*volume, "txtVolume");
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
    const ChapterChoice choice = ChapterChooserPrompt::chooser(prompter)("000001", candidates);
    QVERIFY(choice.accepted);
    QCOMPARE(choice.chosen, QList<int>{1});
    QVERIFY(choice.filterUnchosen);
    QCOMPARE(choice.volumes, (QStringList{"卷一", "卷二"}));
}

void TestFrmContentSel::filterLinksDuringRenewal() {
    TestSite site{DemoLibrary::siteFolder()};
    QVERIFY(site.start());
    TestLibrary lib;
    Settings& settings = lib.context().settings();
    for (const auto& [key, value] : {std::pair{"bIsManualSelect", "1"},
                                     {"MultGetNums", "1"},
                                     {"bIsNovelPicDown", "0"},
                                     {"bIsNewMessageView", "0"}})
        QVERIFY(settings.writeIniValue(Settings::kMain, key, value));
    QString novel;
    QCOMPARE(DemoLibrary::prepare(lib.context(), site.baseUrl(), &novel), QString());
    QVERIFY(NovelStore(lib.db()).setNeedDelUrl(novel, "http://nowhere.test/ad.html(旧链接)||"));
    FrmBook window(lib.context());
    window.show();
    QVERIFY(window.selectNode(TreeKeys::novel(novel)));

    // While choosing, the user drops the old entry from the novel's filtered links, then keeps the
    // first chapter only and leaves the others to the filter.
    bool filterShown = false;
    whenDialogOpens("frmContentSel", [&filterShown](QDialog* choice) {
        auto* filterButton = child<QPushButton>(*choice, "cmdNeedDelUrl");
        QVERIFY(filterButton->isEnabled());
        whenDialogOpens("frmNeedDelUrl", [&filterShown, choice](QDialog* filter) {
            filterShown = filter->parent() == choice;
            auto* entries = child<QTreeWidget>(*filter, "lstUrl");
            QCOMPARE(entries->topLevelItemCount(), 1);
            entries->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
            click(*filter, "cmdOK");
            auto* list = child<QTreeWidget>(*choice, "lstContent");
            for (int i = 1; i < list->topLevelItemCount(); ++i)
                list->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
            child<QCheckBox>(*choice, "chkAutoFilter")->setChecked(true);
            click(*choice, "cmdOK");
        });
        filterButton->click();
    });
    trigger(window, "mnuReNew");
    QTRY_VERIFY_WITH_TIMEOUT(filterShown, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!RenewJob::isBusy(), 30000);
    const QString filtered = NovelStore(lib.db()).needDelUrl(novel);
    QVERIFY2(!filtered.contains("旧链接"), qPrintable(filtered));
    QCOMPARE(filtered.count("||"), 29);
}

QUIVERAL_UI_TEST_MAIN(TestFrmContentSel)
#include "tst_frmcontentsel.moc"

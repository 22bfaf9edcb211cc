// The e-book panel settings window.
#include "output/ui/frmchmset.h"
#include "storage/settings.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestFrmChmSet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsAndStoresEveryKey();
    void cancelStoresNothing();
};

namespace {

const QStringList kChecks = {"chmList",  "chmIndex",   "chmBookmark", "chmHide", "chmLocate",
                             "chmBack",  "chmForward", "chmRefresh",  "chmStop", "chmNext",
                             "chmPrev",  "chmHome",    "chmPrint",    "chmFont", "chmOption",
                             "chmJump1", "chmJump2",   "chmSavePos"};

} // namespace

void TestFrmChmSet::showsAndStoresEveryKey() {
    TestLibrary lib;
    Settings& settings = lib.context().settings();
    FrmChmSet window(settings);

    // Every check box shows its key and is turned over; the custom buttons get a title and address.
    for (const QString& key : kChecks) {
        auto* check = window.findChild<QCheckBox*>(QStringLiteral("chk") + key);
        QVERIFY2(check, qPrintable(key));
        QCOMPARE(check->isChecked(), settings.chmValue(key) == QLatin1String("1"));
        check->setChecked(!check->isChecked());
    }
    child<QLineEdit>(window, "txtchmJump1Title")->setText(QStringLiteral("首页"));
    child<QLineEdit>(window, "txtchmJump1Url")->setText(QStringLiteral("http://example.test/"));
    child<QLineEdit>(window, "txtchmHomeUrl")->setText(QStringLiteral(" http://home.test/ "));
    const QHash<QString, QString> before = [&] {
        QHash<QString, QString> values;
        for (const QString& key : kChecks)
            values.insert(key, Settings(lib.path()).chmValue(key));
        return values;
    }();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QCOMPARE(window.result(), int(QDialog::Accepted));

    for (const QString& key : kChecks) {
        const QString stored = settings.readIniValue(Settings::kChm, key);
        QCOMPARE(stored, before.value(key) == QLatin1String("1") ? QStringLiteral("0") : QStringLiteral("1"));
        QCOMPARE(settings.chmValue(key), stored);
    }
    QCOMPARE(settings.readIniValue(Settings::kChm, QStringLiteral("chmJump1Title")), QStringLiteral("首页"));
    QCOMPARE(settings.readIniValue(Settings::kChm, QStringLiteral("chmJump1Url")),
             QStringLiteral("http://example.test/"));
    QCOMPARE(settings.readIniValue(Settings::kChm, QStringLiteral("chmHomeUrl")),
             QStringLiteral("http://home.test/"));
}

void TestFrmChmSet::cancelStoresNothing() {
    TestLibrary lib;
    Settings& settings = lib.context().settings();
    const QString before = settings.readIniValue(Settings::kChm, QStringLiteral("chmList"));
    FrmChmSet window(settings);
    window.checkBox(QStringLiteral("chmList"))->setChecked(before != QLatin1String("1"));
    window.reject();
    QCOMPARE(settings.readIniValue(Settings::kChm, QStringLiteral("chmList")), before);
    QCOMPARE(settings.chmValue(QStringLiteral("chmList")), before);
}

QTEST_MAIN(TestFrmChmSet)
#include "tst_frmchmset.moc"

// The desktop-session autostart entry.
#include "companion/autostart.h"
#include "storage/textfile.h"
#include "support/rows.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAutoStart : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void createAndRemove_data();
    void createAndRemove();

private:
    QTemporaryDir m_config;
};

void TestAutoStart::init() {
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void TestAutoStart::createAndRemove_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("execLine");
    addRow("plain", "/usr/bin/quiveral", "/home/u/lib", "Exec=/usr/bin/quiveral --library /home/u/lib");
    addRow("spaces and quotes", "/opt/my apps/quiveral", "/home/u/我的 \"书\"库",
           "Exec=\"/opt/my apps/quiveral\" --library \"/home/u/我的 \\\"书\\\"库\"");
    addRow("dollar", "/bin/q", "/tmp/$HOME", "Exec=/bin/q --library \"/tmp/\\$HOME\"");
}

void TestAutoStart::createAndRemove() {
    QFETCH(QString, program);
    QFETCH(QString, library);
    QFETCH(QString, execLine);
    QCOMPARE(AutoStart::entryPath(), m_config.filePath("autostart/quiveral.desktop"));
    QVERIFY(!AutoStart::isEnabled());
    QVERIFY(AutoStart::apply(true, program, library));
    QVERIFY(AutoStart::isEnabled());
    const QString entry = readTextFile(AutoStart::entryPath());
    QVERIFY(entry.startsWith("[Desktop Entry]\n"));
    QVERIFY2(entry.contains(execLine + "\n"), qPrintable(entry));
    QVERIFY(AutoStart::apply(false, program, library));
    QVERIFY(!AutoStart::isEnabled());
    QVERIFY(AutoStart::apply(false, program, library)); // removing twice is fine
}

QTEST_GUILESS_MAIN(TestAutoStart)
#include "tst_autostart.moc"

#include "text/textscan.h"

#include <QRandomGenerator>
#include <QTest>

class TestTextScan : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void agreesWithPlainLoop();
};

namespace {

qsizetype reference(QStringView text, qsizetype from, QLatin1String stops) {
    for (qsizetype i = qMax<qsizetype>(from, 0); i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isSurrogate() || (c.unicode() < 0x80 && stops.contains(QLatin1Char(char(c.unicode())))))
            return i;
    }
    return text.size();
}

} // namespace

void TestTextScan::agreesWithPlainLoop() {
    // Characters that share a byte with a stop ("ļ" is 0x13C, "<" is 0x3C), the edges of the
    // surrogate range, and stops at every place of an eight-character block.
    const char16_t alphabet[] = {u'正',  u'文',  u'a',   u'<',   u'>',   u'[',   u']',   0x013C, 0x3C00,
                                 0x3E3E, 0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF, 0x0000};
    const QLatin1String stopSets[] = {QLatin1String(""), QLatin1String("<"), QLatin1String("<>"),
                                      QLatin1String("<>["), QLatin1String("\0", 1)};
    QRandomGenerator random(20261207);
    for (int run = 0; run < 20000; ++run) {
        const int length = random.bounded(0, 40);
        QString text;
        // Mostly plain text with few stops, as in chapters; sometimes any character.
        const bool dense = random.bounded(3) == 0;
        for (int i = 0; i < length; ++i)
            text +=
                QChar(dense || random.bounded(10) == 0 ? alphabet[random.bounded(int(std::size(alphabet)))]
                                                       : alphabet[random.bounded(2)]);
        const QLatin1String stops = stopSets[random.bounded(int(std::size(stopSets)))];
        for (qsizetype from = -1; from <= text.size() + 1; ++from) {
            const qsizetype got = skipPlainText(text, from, stops);
            const qsizetype want = reference(text, from, stops);
            if (got != want)
                QFAIL(qPrintable(QStringLiteral("length %1, from %2, stops \"%3\": %4 instead of %5")
                                     .arg(text.size())
                                     .arg(from)
                                     .arg(stops)
                                     .arg(got)
                                     .arg(want)));
        }
    }
}

QTEST_GUILESS_MAIN(TestTextScan)
#include "tst_textscan.moc"

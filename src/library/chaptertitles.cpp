#include "library/chaptertitles.h"

#include "output/exporttext.h"
#include "text/chinese.h"
#include "text/regex.h"

#include <QStringList>

#include <algorithm>

namespace ChapterTitles {

int chineseNumberValue(const QString& text) {
    if (text.isEmpty())
        return -1;
    if (text == QStringLiteral("零"))
        return 0;
    int total = 0;
    int digit = -1;      // the digit waiting for its unit
    int lastUnit = 1000; // units must come in falling order
    bool afterZero = false;
    for (const QChar c : text) {
        const int v = chineseDigitValue(QString(c));
        if (v < 0 || v >= 1000)
            return -1;
        if (v < 10) {
            if (digit >= 0 && !afterZero)
                return -1; // two digits in a row: "一二" is not a number
            afterZero = v == 0;
            digit = v;
            continue;
        }
        if (v >= lastUnit || (digit == 0 && afterZero))
            return -1;
        // "十五": a unit without a digit before it counts once.
        total += (digit < 0 ? 1 : digit) * v;
        digit = -1;
        lastUnit = v;
        afterZero = false;
    }
    if (digit > 0)
        total += digit;
    return total > 999 ? -1 : total;
}

QString nextNumbered(const QString& title) {
    if (!title.startsWith(u'第'))
        return {};
    qsizetype unitAt = -1;
    for (const QChar unit : {u'章', u'回', u'节'}) {
        const qsizetype at = title.indexOf(unit, 1);
        if (at > 0 && (unitAt < 0 || at < unitAt))
            unitAt = at;
    }
    if (unitAt < 0)
        return {};
    const QString number = title.mid(1, unitAt - 1).trimmed();
    const QChar unit = title.at(unitAt);
    if (number.isEmpty())
        return {};
    bool digits = true;
    for (const QChar c : number)
        digits = digits && c >= u'0' && c <= u'9';
    if (digits) {
        bool ok = false;
        const qlonglong n = number.toLongLong(&ok);
        if (!ok)
            return {};
        // "第009章" goes on as "第010章".
        const QString next = QString::number(n + 1).rightJustified(number.size(), u'0');
        return u'第' + next + unit;
    }
    const int n = chineseNumberValue(number);
    if (n < 0)
        return {};
    const QString next = numberToChinese(n + 1);
    return next.isEmpty() ? QString() : u'第' + next + unit;
}

QString nextDefault(const QStringList& titles) {
    const QString prefix = QStringLiteral("新章节");
    int largest = 0;
    for (const QString& title : titles) {
        if (!title.startsWith(prefix))
            continue;
        bool ok = false;
        const int n = title.mid(prefix.size()).trimmed().toInt(&ok);
        if (ok && n > largest)
            largest = n;
    }
    return prefix + QString::number(largest + 1);
}

QString splicePageTitle(const QString& page, const QString& title) {
    static const QString patterns[] = {QStringLiteral("<title>[\\s\\S]*?</title>"),
                                       QStringLiteral("<font class=\"article_title\">[\\s\\S]+?</font>"),
                                       QStringLiteral("<h1 class=\"title\">[\\s\\S]*?</h1>")};
    QList<std::pair<qsizetype, qsizetype>> inner; // start and length of each element's content
    for (const QString& pattern : patterns) {
        const QList<RegexMatch> found = regexMatches(page, pattern);
        if (found.isEmpty())
            continue;
        const RegexMatch& m = found.first();
        const qsizetype open = page.indexOf(u'>', m.start) + 1;
        const qsizetype close = page.lastIndexOf(QLatin1String("</"), m.start + m.length - 1);
        if (open > 0 && close >= open)
            inner.append({open, close - open});
    }
    std::sort(inner.begin(), inner.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QString out = page;
    const QString escaped = ExportText::escapeMarkup(title);
    for (const auto& [start, length] : inner)
        out.replace(start, length, escaped);
    return out;
}

} // namespace ChapterTitles

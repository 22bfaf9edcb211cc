#include "tools/editorlink.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// Browsers drop blanks and control characters around and inside a scheme ("java\tscript:"), so a
// scheme is compared without any of them.
QString withoutBlanks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() > 0x20 && c.unicode() != 0x7f)
            out += c;
    }
    return out;
}

// The address as a page reads it once it stands in an href: "&#58;" or "&colon;" is a colon there.
QString withCharacterReferences(const QString& text) {
    static const QRegularExpression reference(
        QStringLiteral("&#(?:x([0-9a-f]+)|([0-9]+));?|&(colon|tab|newline);"),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype last = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        bool ok = false;
        uint code = 0;
        if (m.capturedLength(1))
            code = m.captured(1).toUInt(&ok, 16);
        else if (m.capturedLength(2))
            code = m.captured(2).toUInt(&ok, 10);
        if (ok) {
            // Anything out of range stands for U+FFFD, which no scheme holds.
            const char32_t c =
                code > 0 && code <= 0x10ffff ? char32_t(code) : char32_t(QChar::ReplacementCharacter);
            out += QString::fromUcs4(&c, 1);
            continue;
        }
        const QString name = m.captured(3).toLower();
        out += name == QLatin1String("colon") ? QStringLiteral(":")
               : name == QLatin1String("tab") ? QStringLiteral("\t")
                                              : QStringLiteral("\n");
    }
    out += QStringView(text).mid(last);
    return out;
}

bool runsScript(const QString& address) {
    static const QStringList prefixes{QStringLiteral("javascript:"), QStringLiteral("vbscript:"),
                                      QStringLiteral("data:text/html")};
    const QString compact = withoutBlanks(address).toLower();
    for (const QString& prefix : prefixes) {
        if (compact.startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace

QString checkLinkAddress(const QString& url) {
    const QString address = url.trimmed();
    if (address.isEmpty())
        return QStringLiteral("链接地址不能为空");
    if (runsScript(address) || runsScript(withCharacterReferences(address)))
        return QStringLiteral("不能插入脚本链接");
    return {};
}

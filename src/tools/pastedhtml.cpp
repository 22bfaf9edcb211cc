#include "tools/pastedhtml.h"

#include "text/html.h"

#include <QRegularExpression>

namespace {

const QRegularExpression::PatternOptions kOptions =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;

QString removeAll(QString text, const QString& pattern) {
    const QRegularExpression re(pattern, kOptions);
    return text.remove(re);
}

} // namespace

bool isWordProcessorHtml(const QString& html) {
    static const QRegularExpression marks(
        QStringLiteral("mso-|urn:schemas-microsoft-com:office|class=[\"']?Mso|<o:p[\\s>]|"
                       "<meta[^<>]*content=[\"']?LibreOffice"),
        QRegularExpression::CaseInsensitiveOption);
    return html.contains(marks);
}

QString cleanPastedHtml(const QString& html) {
    QString out = html;
    const bool word = isWordProcessorHtml(out);

    // Conditional comments hide whole xml and style blocks, so comments go before anything else.
    out = removeAll(out, QStringLiteral("<!--.*?-->"));
    // An unclosed comment opener would hide the rest of the chapter once pasted.
    out.remove(QStringLiteral("<!--"));
    for (const char* element : {"style", "script", "xml"})
        out = removeAll(out, QStringLiteral("<%1\\b[^>]*>.*?</%1\\s*>").arg(QLatin1String(element)));
    out = removeAll(out, QStringLiteral("<(?:meta|link)\\b[^>]*>"));
    // Office namespace elements in xml islands that had no <xml> wrapper, e.g. <w:WordDocument>.
    out = removeAll(out, QStringLiteral("</?(?:[owvm]|st1):[^>]*>"));

    if (word) {
        // Word quotes font names inside style values, which the simpler pattern of cleanWordHtml skips.
        out = removeAll(out, QStringLiteral("\\s+style\\s*=\\s*(?:\"[^\"]*\"|'[^']*')"));
        out = removeAll(out, QStringLiteral("\\s+class\\s*=\\s*(?:\"Mso[^\"]*\"|'Mso[^']*'|Mso[^\\s>]*)"));
        out = cleanWordHtml(out);
    }
    // Downlevel-revealed conditionals of any kind: the markers go, their content stays.
    out = removeAll(out, QStringLiteral("<!\\[(?:if[^\\]]*|endif)\\]>"));
    return out;
}

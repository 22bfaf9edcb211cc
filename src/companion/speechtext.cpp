#include "companion/speechtext.h"

#include "text/html.h"
#include "text/innertext.h"
#include "text/markers.h"

#include <QRegularExpression>

namespace {

bool endsSentence(QChar c) {
    static const QString marks = QStringLiteral("。！？!?…；");
    return marks.contains(c);
}

bool closesQuote(QChar c) {
    static const QString closers = QStringLiteral("”’」』）)》〉】");
    return closers.contains(c);
}

bool saysSomething(const QString& piece) {
    return std::any_of(piece.begin(), piece.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

QString titleOf(const QString& html) {
    static const QRegularExpression title(QStringLiteral("<title[^>]*>(.*?)</title>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = title.match(html);
    return m.hasMatch() ? htmlInnerText(m.captured(1)).simplified() : QString();
}

} // namespace

QStringList SpeechText::split(const QString& text) {
    QStringList out;
    QString current;
    const auto flush = [&] {
        const QString piece = current.trimmed();
        if (saysSomething(piece))
            out << piece;
        current.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n' || c == u'\r') {
            flush();
            continue;
        }
        current += c;
        if (!endsSentence(c))
            continue;
        // "……" and "！？" end one sentence; the quote they close goes with it.
        while (i + 1 < text.size() && (endsSentence(text.at(i + 1)) || closesQuote(text.at(i + 1))))
            current += text.at(++i);
        flush();
    }
    flush();
    return out;
}

QStringList SpeechText::sentences(const QString& html) {
    const QString between = getTextBetween(html, kBookContentStart, kBookContentEnd);
    QStringList body = split(htmlInnerText(between.isEmpty() ? html : between));
    const QString title = titleOf(html);
    if (title.isEmpty())
        return body;
    // A page without markers shows its title again as a heading: said once.
    if (!body.isEmpty() && body.first().simplified() == title)
        body.removeFirst();
    body.prepend(title);
    return body;
}

QStringList SpeechText::from(const QStringList& sentences, const QString& selection) {
    const QStringList picked = split(selection);
    if (picked.isEmpty())
        return sentences;
    // The selection's first piece, which may begin inside a sentence.
    const QString start = picked.first();
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        const qsizetype at = sentences.at(i).indexOf(start);
        if (at < 0)
            continue;
        QStringList rest = sentences.mid(i);
        rest.first() = rest.first().mid(at);
        return rest;
    }
    return sentences;
}

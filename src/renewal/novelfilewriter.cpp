#include "renewal/novelfilewriter.h"

#include "renewal/chaptertext.h"
#include "output/pagetemplates.h"
#include "text/charset.h"
#include "text/chinese.h"
#include "text/markers.h"
#include "storage/settings.h"
#include "storage/textfile.h"

namespace {

QString escapeTitle(const QString& title) {
    QString out = title;
    out.replace(u'&', QLatin1String("&amp;"));
    out.replace(u'<', QLatin1String("&lt;"));
    out.replace(u'>', QLatin1String("&gt;"));
    out.replace(u'"', QLatin1String("&quot;"));
    return out;
}

} // namespace

NovelFileWriter::NovelFileWriter(const LibraryFolder& folder, const Settings& settings)
    : NovelFileWriter(
          folder, PageTemplates::readChapterTemplate(folder, settings.value(QStringLiteral("ArticleStyle"))),
          settings.value(QStringLiteral("charset"))) {}

NovelFileWriter::NovelFileWriter(const LibraryFolder& folder, const QString& chapterTemplate,
                                 const QString& displayCharset)
    : m_folder(folder)
    , m_template(chapterTemplate)
    , m_displayCharset(displayCharset.trimmed().isEmpty() ? QStringLiteral("gb2312")
                                                          : displayCharset.trimmed().toLower()) {}

QString NovelFileWriter::fillChapterTemplate(const QString& pageTemplate, const QString& title,
                                             const QString& content) {
    const QString titleMark = QStringLiteral("[[title]]");
    const QString contentMark = QStringLiteral("[[Content]]");
    QString out;
    out.reserve(pageTemplate.size() + content.size() + title.size() * 2);
    const QString escaped = escapeTitle(title);
    qsizetype from = 0;
    while (true) {
        const qsizetype t = pageTemplate.indexOf(titleMark, from);
        const qsizetype c = pageTemplate.indexOf(contentMark, from);
        if (t < 0 && c < 0)
            break;
        const bool isTitle = c < 0 || (t >= 0 && t < c);
        const qsizetype at = isTitle ? t : c;
        out += QStringView(pageTemplate).mid(from, at - from);
        out += isTitle ? escaped : content;
        from = at + (isTitle ? titleMark.size() : contentMark.size());
    }
    out += QStringView(pageTemplate).mid(from);
    return out;
}

bool NovelFileWriter::isWholePage(const QString& text) {
    static const QLatin1String marks[] = {QLatin1String("<html"), QLatin1String("<head>"),
                                          QLatin1String("<meta")};
    return tagOpenersIn(text, marks, qsizetype(std::size(marks)), true) != 0 ||
           containsIgnoringCase(text, QLatin1String("xml version"));
}

QString NovelFileWriter::effectiveCharset(const QString& charset) const {
    return charset.trimmed().isEmpty() ? m_displayCharset : charset.trimmed().toLower();
}

QString NovelFileWriter::pageText(const QString& text, const QString& title, const QString& charset) const {
    QString page = isWholePage(text) ? text : fillChapterTemplate(m_template, title, text);
    const QString cs = effectiveCharset(charset);
    auto replaceDeclared = [&page](QLatin1String declared, const QString& by) {
        page = replaceIgnoringCase(page, declared, by);
    };
    if (cs == QLatin1String("big5")) {
        if (charset.trimmed().isEmpty())
            page = convertChineseScript(page, true, ScriptConversion::CharactersForBig5);
        replaceDeclared(QLatin1String("charset=gb2312"), QStringLiteral("charset=big5"));
        return page;
    }
    replaceDeclared(QLatin1String("charset=big5"), QLatin1String("charset=") + cs);
    // The page says the charset it is written in: a UTF-8 page must not claim gb2312.
    if (codecForCharset(cs) != codecForCharset(QStringLiteral("gb2312")))
        replaceDeclared(QLatin1String("charset=gb2312"), QLatin1String("charset=") + cs);
    return page;
}

QByteArray NovelFileWriter::pageBytes(const QString& text, const QString& title,
                                      const QString& charset) const {
    return encodeHtmlForCharset(pageText(text, title, charset), effectiveCharset(charset));
}

bool NovelFileWriter::writeNovelFile(const QString& novelId, qint64 chapterId, const QString& text,
                                     const QString& title, const QString& charset, QString* error) const {
    return replaceFileBytes(m_folder.chapterPage(novelId, chapterId), pageBytes(text, title, charset), error);
}

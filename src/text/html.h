#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Chapter text and page fragments: cleaning, paragraphs, pictures, titles.

// Chapter pages hold the chapter text between these two comments; pages written from the program's
// own article templates also carry the style comment.
inline const QString kBookContentStart = QStringLiteral("<!--BookContent Start-->");
inline const QString kBookContentEnd = QStringLiteral("<!--BookContent End-->");
inline const QString kStyledPageComment = QStringLiteral("<!--Quiveral样式-->");
// Whether the page carries that comment, also as a traditional-script page or a Big5 page (which has
// no 样 and writes it as a character reference) carries it.
bool hasStyledPageComment(const QString& html);

// Where a page holds its chapter text: between the content markers; not found without both.
struct BookContentRange {
    qsizetype start = -1; // after the start marker
    qsizetype length = 0;
    bool found() const { return start >= 0; }
};
BookContentRange bookContentRange(const QString& page);
// The page with its chapter text replaced in place (never searched for by its old text, which can
// occur in the title too); the page as it is without markers.
QString spliceBookContent(const QString& page, const QString& content);

// The text a reader sees, outside tags, comments, declarations and character references, passed
// piece by piece through map; the markup stays byte for byte.
QString mapTextOutsideMarkup(const QString& html, const std::function<QString(const QString&)>& map);

// The inner text of the fragment after dropping option lists, links, the "newfont2" spans and
// scripts, with doubled line breaks halved once.
QString htmlToPlainText(const QString& html);

// The few entities sites put into titles and names, plus "<br>" as a line break; exact case.
QString decodeHtmlEntities(const QString& text);

// Strips what a word processor leaves in pasted HTML: style attributes, spans, o:p tags, xml
// declarations and conditional comments; tables get a plain bordered look.
QString cleanWordHtml(const QString& html);

// The picture addresses of src="…", src='…' or (only when there are none of those) bare src=…
// attributes, each followed by "||"; "" as soon as the fragment holds an empty src="".
QString extractImageSources(const QString& fragment);
// extractImageSources over each part of the page the pattern matches.
QString extractImageSourcesByPattern(const QString& html, const QString& pattern);

// A novel name or author cut from a page: tags, entities, book-title marks and labels such as
// "书名：" removed.
QString cleanTitleText(const QString& fragment);

// Straight double quotes around words become Chinese curly quotes: "a" → “a”.
QString curlyQuotes(const QString& text);

// The value of an attribute fragment such as href="a.htm": the text between the first pair of
// quotes (double before single), without quotes, ">", CR LF, and "=" unless keepEquals.
QString extractQuotedValue(const QString& fragment, bool keepEquals);

// Stored chapter text as indented HTML paragraphs: "　　first<br><br>　　second". Line breaks are
// kept only after sentence-ending punctuation; other lines join.
QString formatParagraphs(const QString& text);

// formatParagraphs of the chapter text of a page the program wrote itself, or "-1" when the page
// lacks the style comment or has no text between the content comments.
QString getStyledPageContent(const QString& html);

// One attribute of a tag as an HTML parser reads it; places are indexes into the text.
struct HtmlAttribute {
    qsizetype start = 0; // its name
    qsizetype nameLength = 0;
    qsizetype valueStart = -1; // the value inside its quotes; -1 when it has none
    qsizetype valueEnd = -1;
    qsizetype end = 0; // after the value (and its closing quote), or after the name
};

// A tag the way an HTML parser reads it from a "<": name and attributes up to the ">" that ends it,
// wherever quotes put that. Quoted values run to their closing quote, unquoted ones to white space
// or ">", "/" parts attributes, a letter straight after a closing quote starts the next attribute.
struct HtmlTag {
    qsizetype start = 0;
    qsizetype end = 0;   // after the ">", or the end of the text when no ">" closes the tag
    bool closed = false; // a ">" ends it
    bool endTag = false; // "</name"
    QString name;        // in lower case
    QList<HtmlAttribute> attributes;
};

// The tag starting at text[at]: "<" and a letter, or "</" and a letter. Nothing for any other "<",
// which a parser takes for text, a comment or a declaration.
std::optional<HtmlTag> readHtmlTag(QStringView text, qsizetype at);

// Markup that cannot run anything, for chapter text stored as a page: tags named in keptTags (lower
// case) stay without their event handlers ("on…" attributes) and without attributes holding a
// script address ("javascript:", "vbscript:", also behind entities, tabs and line breaks) or a style
// that runs code; the "<" of every other tag, comment or declaration, and of a tag no ">" closes,
// becomes "&lt;", so that it shows as the text it was.
QString stripActiveContent(const QString& html, const QStringList& keptTags);

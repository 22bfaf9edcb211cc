#pragma once

#include <QString>

// Chapter text and page fragments: cleaning, paragraphs, pictures, titles.

// Chapter pages hold the chapter text between these two comments; pages written from the program's
// own article templates also carry the style comment.
inline const QString kBookContentStart = QStringLiteral("<!--BookContent Start-->");
inline const QString kBookContentEnd = QStringLiteral("<!--BookContent End-->");
inline const QString kStyledPageComment = QStringLiteral("<!--Quiveral样式-->");

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

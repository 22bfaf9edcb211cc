#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The text operations on a fetched chapter page, from the cut to the cleaned chapter text.

// Whether the text holds the literal, ignoring the case of its letters.
bool containsIgnoringCase(const QString& text, QLatin1String literal);

// The part of the page between the novel's content markers: between both; after the last start
// marker when only that is set; before the end marker when only that is set; the whole page when
// neither is set or the cut gives nothing.
QString cutChapterContent(const QString& page, const QString& start, const QString& end);

// Removes the novel's NeedDelStr entries ("||" between them): "[[pattern]]" removes the matches of
// the regular expression, any other entry every occurrence of its text.
QString removeNeedDelStr(const QString& text, const QString& needDelStr);

// Chapter HTML down to its text: the body of a page this program wrote itself, without head,
// comments, scripts, styles, frames and objects, every tag dropped except pictures, paragraphs and
// line breaks, and without the navigation texts sites put under a chapter. Nothing in it runs: the
// tags kept lose event handlers and script addresses, and any other markup left shows as text.
QString cleanChapterHtml(const QString& html);

// An address of the chapter page made absolute: http(s) addresses stay, "//host/…" gets "http:",
// "/…" and "\…" go to the site root, a bare host name (".com", ".net", ".org", ".cn") gets
// "http://", anything else is resolved against the page.
QString absoluteAddress(const QString& address, const QString& pageUrl);

// The picture addresses of the "<img" tags (their first attribute ending in "src" that has a value)
// or of the background="…" attributes, in order, each as written in the text.
QStringList pictureSources(const QString& text, bool background);

// Whether the text may hold pictures ("<img" tags or background attributes): the picture steps
// leave any other text as it is.
bool mayHoldPictures(const QString& text);

// Rewrites the picture addresses of the "<img" tags (or of the background="…" attributes): each
// address as written is handed to map, and what map returns takes its place ("" keeps it).
QString replacePictureSources(const QString& text, bool background,
                              const std::function<QString(const QString& source)>& map);

// Every "<img" tag between "<center>" and "</center>".
QString centerPictures(const QString& text);

// The "<script src=" sources and ".css" style sheet links made absolute; the style sheets are listed
// in styleSheets (absolute, in order) when given.
QString absoluteScriptAndStyleReferences(const QString& text, const QString& pageUrl,
                                         QStringList* styleSheets = nullptr);

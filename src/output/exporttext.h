#pragma once

#include <QByteArray>
#include <QString>

// Text and pages as exports read and write them.
namespace ExportText {

// True when the charset setting asks for UTF-8.
bool isUtf8Charset(const QString& charset);

// The plain text of an exported file: no NUL characters, every line break "\r\n".
QString postProcess(const QString& text);

// Text files go out in the charset setting's encoding: GBK for "gb2312" (what GBK lacks as the
// nearest character it has), Big5, or UTF-8 with a byte-order mark so that Windows editors
// recognise it.
QByteArray encodeText(const QString& text, const QString& charset);

// A page written from a chapter template: its meta tag names the charset it is encoded in, and a
// character the charset lacks becomes a character reference.
QByteArray encodePage(const QString& html, const QString& charset);

// "001_title.txt": the running number with at least three digits, the title made fit for a name.
QString chapterFileName(int number, const QString& title);

// "<", ">" and "&" as entities, for text put into a page.
QString escapeMarkup(const QString& text);

} // namespace ExportText

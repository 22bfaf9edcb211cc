#pragma once

#include <QString>

// The site root ("http://host/") and folder of a page address, for resolving relative links.
// An https address keeps its scheme in the root.
struct UrlBase {
    QString siteRoot;
    QString folder;
};
UrlBase splitUrlBase(const QString& address);

// Percent-escapes every character by its GBK bytes, letters and digits too ("%D6%D0%41"), for sites
// that take GBK query texts. A character outside GBK is escaped by its four GB18030 bytes.
QString urlEncodeAnsi(const QString& text);
// Escapes only the double-byte characters ("a中" → "a%D6%D0"); the rest, and anything outside GBK,
// is copied so that urlDecodeAnsi gives the text back whole.
QString urlEncodeDoubleByte(const QString& text);
// Copies characters below U+0800 and escapes the rest by their UTF-8 bytes ("中" → "%E4%B8%AD").
QString urlEncodeUtf8(const QString& text);
// "%D6%D0%CE%C4" → "中文": drops the "%" and reads groups of four hex digits as GBK characters.
// Anything that does not read that way comes back unchanged.
QString decodeHexChars(const QString& text);
// Undoes urlEncodeDoubleByte: each "%XX%XX" is read with decodeHexChars, the rest is copied.
QString urlDecodeAnsi(const QString& text);

// A relative reference inside a book or folder, seen from the folder baseFolder ("" for the root):
// "\" as "/", without "?query" and "#anchor", percent-escapes decoded, "." and ".." resolved. ""
// when it is empty, an address of another kind ("http:", "data:", …) or would leave the root.
QString resolveRelativePath(const QString& baseFolder, const QString& reference);

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Charsets of pages and files. The old files and most sites are GBK; the GB18030 codec reads and
// writes all of GBK and every other character besides, so "gb2312" and "gbk" mean GB18030 when
// reading and for the program's own files, and nothing turns into "?". Pages and text files made
// for other readers are written in GBK itself (encodeHtmlForCharset, encodeGbkNearest).

// The codec for a charset name as pages, headers and settings write it ("gb2312" → "GB18030",
// "big5" → "Big5"); empty when no codec knows the name.
QByteArray codecForCharset(const QString& charset);

// Decodes fetched bytes. charset holds the name the caller has for them and, on return, the name
// actually used: "GB2312_80" and other "gb2…" names become "gb2312", "none" becomes defaultCharset
// (the charset setting), "UTF8…" becomes "utf-8", and a name no codec knows falls back to "gb2312".
QString bytesToText(const QByteArray& bytes, QString& charset,
                    const QString& defaultCharset = QStringLiteral("gb2312"));

// The bytes read as GB18030 when they hold only ASCII and GBK's two-byte codes, as most pages do;
// nothing for any other bytes (four-byte codes, damaged bytes), which bytesToText leaves to the codec.
std::optional<QString> decodeGbkBytes(const QByteArray& bytes);
// The GB18030 bytes of a text of ASCII and characters with two-byte codes; nothing for any other.
std::optional<QByteArray> encodeGbkText(const QString& text);
// Encodes without ever substituting "?": GB18030 covers all of Unicode.
QByteArray encodeText(const QString& text, const char* encoding = "GB18030");

// Encodes a page in the charset it declares (same names as bytesToText). A character the charset
// cannot hold becomes a numeric character reference, so the page keeps it: a page declared
// "gb2312", "gbk" or an unknown name is written in GBK with references for the rest, one declared
// "gb18030" in GB18030.
QByteArray encodeHtmlForCharset(const QString& html, const QString& charset);

// A plain text file in GBK, which has no references: a character outside GBK becomes the nearest
// one GBK has (a space for any space, "fi" for "ﬁ", the letter without its accent), nothing for an
// invisible format character and "?" when nothing near exists.
QByteArray encodeGbkNearest(const QString& text);

// True when Big5 can hold the character.
bool big5CanEncode(char32_t ch);

// The character's value in the GBK code page: 0..0xFF for a single byte, lead * 256 + trail for a
// double-byte character, -1 outside GBK (such characters are written as four GB18030 bytes).
int codePageValue(char32_t ch);
bool isDoubleByte(char32_t ch);
// The character with that GBK value, or an empty string when there is none.
QString charFromCodePageValue(int value);

// Width of the text in GBK bytes: 2 for a double-byte character, 1 for a single-byte one. A
// character outside GBK counts 2 as well: it is as wide as a Chinese character on screen.
int ansiLength(const QString& text);

#pragma once

#include <QByteArray>
#include <QString>

// The character set of the page being worked on, and the decoding of fetched bytes in it.
//
// An HTML answer whose header names a charset sets it; one that names none clears it, so that the
// page's own meta tag or XML declaration decides; a plain-text or script answer without a charset
// keeps the one of the page fetched before it.
class PageDecoder {
public:
    explicit PageDecoder(const QString& defaultCharset = QStringLiteral("gb2312"))
        : m_defaultCharset(defaultCharset) {}

    QString pageCharset() const { return m_pageCharset; }
    void setPageCharset(const QString& charset) { m_pageCharset = charset; }

    // Applies the Content-Type header of an answer.
    void takeContentType(const QString& contentType);

    // Decodes in the page charset, or finds it (meta tag, XML declaration; without either, plausible
    // UTF-8, else GB18030, else a detected charset). A page not in gb2312 gets its charset name
    // replaced by "gb2312" in the text, because the text is kept in the program's charset from here on.
    QString decode(const QByteArray& bytes);

    // The charset named in the text: meta tag first, then the XML declaration; "" when neither.
    static QString declaredCharset(const QString& text);
    // For bytes that declare nothing. gbkBytes: the bytes are known to read as GBK throughout
    // (decodeGbkBytes), which spares a pass over them.
    static QString guessCharset(const QByteArray& bytes, bool gbkBytes = false);

private:
    QString m_defaultCharset;
    QString m_pageCharset;
};

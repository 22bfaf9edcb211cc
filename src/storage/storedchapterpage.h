#pragma once

#include <QByteArray>
#include <QString>

// A stored chapter page read whole. Pages come from many hands (this program in GBK, Big5 or UTF-8,
// pages saved by editors as UTF-16, imports), so the bytes say how they are read: a byte-order mark
// first, then a declared charset=big5, then valid UTF-8, otherwise GB18030. Whoever rewrites a page
// looks at `clean` first: text read from bytes that did not decode must never be written back.
class StoredChapterPage {
public:
    // charsetSetting is the display charset: "big5" reads a page that is not UTF-8 and declares no
    // charset of its own as Big5, as the program wrote such pages.
    static StoredChapterPage read(const QString& path, const QString& charsetSetting = QString());
    static StoredChapterPage decode(const QByteArray& bytes, const QString& charsetSetting = QString());

    // text as this page's bytes, for writing it back: a Big5 or UTF-8 page stays so (its byte-order
    // mark too), a GB18030 one becomes GBK with references for what GBK lacks, as the program writes
    // its pages.
    QByteArray bytesAsRead(const QString& text) const;

    QString text;
    // What the bytes were read as: "utf-8", "utf-16le", "utf-16be", "big5" or "gb18030"; empty for a
    // missing file.
    QString charset;
    bool exists = false;
    // Every byte decoded; false when a malformed sequence was replaced.
    bool clean = false;
    // The page began with a byte-order mark (which `text` does not hold).
    bool hadByteOrderMark = false;
};

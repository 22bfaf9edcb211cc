#include "tools/pictureocr.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <mutex>

namespace {

bool isCjk(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x4E00 && u <= 0x9FFF)                                  // unified ideographs
           || (u >= 0x3400 && u <= 0x4DBF)                               // extension A
           || (u >= 0xF900 && u <= 0xFAFF)                               // compatibility ideographs
           || (u >= 0x3000 && u <= 0x303F)                               // CJK punctuation
           || (u >= 0xFF00 && u <= 0xFFEF)                               // full-width forms
           || (u >= 0x2018 && u <= 0x201F) || u == 0x2014 || u == 0x2026 // quotes, dash, ellipsis
           || c.isSurrogate();                                           // extension B and later
}

// The engine reads the full-width marks of Chinese text as their ASCII look-alikes; after a Chinese
// character they were full-width in the picture.
QString widenPunctuation(const QString& line) {
    static const QString ascii = QStringLiteral(",:;!?");
    QString out = line;
    QChar previous;
    for (QChar& c : out) {
        if (ascii.contains(c) && !previous.isNull() && isCjk(previous))
            c = QChar(c.unicode() - 0x21 + 0xFF01);
        if (c != u' ')
            previous = c;
    }
    return out;
}

// The engine separates every recognised Chinese character with a blank; Chinese text has none.
QString joinChinese(const QString& line) {
    QString out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == u' ' && !out.isEmpty() && isCjk(out.back())) {
            qsizetype next = i;
            while (next < line.size() && line.at(next) == u' ')
                ++next;
            if (next < line.size() && isCjk(line.at(next))) {
                i = next - 1;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

QString cleanText(const QString& raw) {
    QStringList lines;
    for (const QString& line : raw.split(u'\n')) {
        const QString cleaned = joinChinese(widenPunctuation(line.trimmed()));
        if (!cleaned.isEmpty())
            lines.append(cleaned);
    }
    return lines.join(u'\n');
}

QString packageFor(const QString& language) {
    if (language == QStringLiteral("chi_tra"))
        return QStringLiteral("tesseract-ocr-chi-tra");
    if (language == QStringLiteral("chi_sim"))
        return QStringLiteral("tesseract-ocr-chi-sim");
    return QStringLiteral("tesseract-ocr-%1").arg(QString(language).replace(u'_', u'-'));
}

} // namespace

PictureOcr::PictureOcr(const QString& language)
    : m_api(std::make_unique<tesseract::TessBaseAPI>()) {
    // The engine and its picture library log through process-wide settings: silence them once, before
    // any job loads its data, so a missing language file or a broken picture does not spill onto the
    // console; the caller reports both in its own words.
    static std::once_flag quiet;
    std::call_once(quiet, [this] {
        m_api->SetVariable("debug_file", "/dev/null");
        setMsgSeverity(L_SEVERITY_NONE);
    });

    const QByteArray lang = language.toUtf8();
    if (m_api->Init(nullptr, lang.constData(), tesseract::OEM_DEFAULT) != 0) {
        m_error = QCoreApplication::translate("PictureOcr", "找不到文字识别的语言数据“%1”，请安装软件包 %2。")
                      .arg(language, packageFor(language));
        m_api.reset();
        return;
    }
    // A picture chapter holds lines of text in one block; automatic layout splits a single line of
    // Chinese into pieces and drops characters.
    m_api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
}

PictureOcr::~PictureOcr() {
    if (m_api)
        m_api->End();
}

QString PictureOcr::languageFor(const QString& displayCharset) {
    return displayCharset.trimmed().compare(QStringLiteral("big5"), Qt::CaseInsensitive) == 0
               ? QStringLiteral("chi_tra")
               : QStringLiteral("chi_sim");
}

QString PictureOcr::recognise(const QString& path, QString* error) {
    auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return QString();
    };
    if (error)
        error->clear();
    if (!m_api)
        return fail(m_error);

    Pix* pix = nullptr;
    if (QFileInfo(path).isFile())
        pix = pixRead(QFile::encodeName(path).constData());
    if (!pix)
        return fail(QCoreApplication::translate("PictureOcr", "无法读取图片：%1").arg(path));

    m_api->SetImage(pix);
    char* raw = m_api->GetUTF8Text();
    m_api->Clear();
    pixDestroy(&pix);
    if (!raw)
        return fail(QCoreApplication::translate("PictureOcr", "图片文字识别失败：%1").arg(path));
    const QString text = cleanText(QString::fromUtf8(raw));
    delete[] raw;
    return text;
}

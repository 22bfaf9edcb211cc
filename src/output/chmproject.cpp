#include "output/chmproject.h"

#include "storage/settings.h"
#include "storage/textfile.h"

namespace ChmProject {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool on(const Settings& settings, const char* key) {
    return settings.chmValue(QLatin1String(key)) == QLatin1String("1");
}

QString withoutLineBreaks(QString text) {
    return text.remove(QLatin1String("\r\n"));
}

// Attribute values end at a double quote; the compiler and the viewers know no escape for it.
QString attributeValue(const QString& text) {
    return withoutLineBreaks(text).remove(u'"');
}

QString sitemapHead() {
    return QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n"
                          "<HTML>\r\n"
                          "<HEAD>\r\n"
                          "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">\r\n"
                          "<!-- Sitemap 1.0 -->\r\n"
                          "</HEAD><BODY>\r\n");
}

// The link words as they stand in a chapter page: only where an ASCII byte precedes them, so that
// the trail byte of a GBK or Big5 character is never taken for their first letter.
qsizetype findLink(const QByteArray& page, const QByteArray& word, qsizetype from) {
    for (qsizetype at = page.indexOf(word, from); at >= 0; at = page.indexOf(word, at + 1)) {
        if (at == 0 || uchar(page.at(at - 1)) < 0x80)
            return at;
    }
    return -1;
}

void replaceLinks(QByteArray& page, const QByteArray& word, const QByteArray& target) {
    for (qsizetype at = findLink(page, word, 0); at >= 0; at = findLink(page, word, at + target.size()))
        page.replace(at, word.size(), target);
}

} // namespace

namespace {

// A collection's window has only the buttons that make sense without contents and index.
int mask(const Settings& settings, bool collection) {
    struct Button {
        const char* key;
        int value;
        bool inCollection;
    };
    static const Button buttons[] = {
        {"chmHide", 0x2, false},      {"chmBack", 0x4, true},       {"chmForward", 0x8, true},
        {"chmStop", 0x10, true},      {"chmRefresh", 0x20, true},   {"chmHome", 0x40, true},
        {"chmLocate", 0x800, false},  {"chmOption", 0x1000, false}, {"chmPrint", 0x2000, true},
        {"chmJump1", 0x40000, true},  {"chmJump2", 0x80000, true},  {"chmFont", 0x100000, true},
        {"chmNext", 0x200000, false}, {"chmPrev", 0x400000, false},
    };
    int sum = 0;
    for (const Button& button : buttons)
        if ((button.inCollection || !collection) && on(settings, button.key))
            sum += button.value;
    return sum;
}

// A collection has neither contents nor index, nor a bookmark pane.
QString window(const Settings& settings, bool collection) {
    const bool list = !collection && on(settings, "chmList");
    const bool index = !collection && on(settings, "chmIndex");
    QString line = QStringLiteral("Main=\"\",");
    line += list ? u'"' + kContentsFile + QLatin1String("\",") : QStringLiteral(",");
    line += index ? u'"' + kIndexFile + QLatin1String("\",") : QStringLiteral(",");
    line += QLatin1String("\"[[TopicFileName]]\",");
    const QString homeUrl = settings.chmValue(QStringLiteral("chmHomeUrl"));
    line += on(settings, "chmHome") && !homeUrl.isEmpty() ? u'"' + homeUrl + QLatin1String("\",")
                                                          : QStringLiteral("\"[[TopicFileName]]\",");
    for (const char* jump : {"chmJump1", "chmJump2"}) {
        const QString key = QLatin1String(jump);
        line += on(settings, jump)
                    ? u'"' + settings.chmValue(key + QLatin1String("Url")) + QLatin1String("\",\"") +
                          settings.chmValue(key + QLatin1String("Title")) + QLatin1String("\",")
                    : QStringLiteral(",,");
    }
    const bool savePos = on(settings, "chmSavePos");
    const bool bookmark = !collection && on(settings, "chmBookmark");
    line += savePos && bookmark ? QStringLiteral("0x41120,240,")
            : savePos           ? QStringLiteral("0x40120,240,")
            : bookmark          ? QStringLiteral("0x1120,240,")
                                : QStringLiteral("0x120,240,");
    line += QString::number(mask(settings, collection));
    line += QLatin1String(",[80,60,720,540],0x0,0x0,,");
    line += !collection && !list && !index ? u'1' : u'0';
    line += QLatin1String(",0,0,0");
    return line;
}

QString projectText(const QString& head, const QString& title, const QString& compiledFile,
                    const QString& windowLine, const QStringList& files, const QStringList& styleFiles) {
    QString text = head;
    text += QLatin1String("Default Window=Main\r\n");
    text += QStringLiteral("Language=0x804 中文(中国)\r\n");
    text += QLatin1String("Title =[[Title]]\r\n\r\n[WINDOWS]\r\n\r\n");
    text += windowLine + kCrLf + kCrLf;
    text += QLatin1String("[Files]\r\n");
    for (const QString& file : files)
        text += file + kCrLf;
    text += kCrLf;
    for (const QString& file : styleFiles)
        text += file + kCrLf;
    text += QLatin1String("[Alias]\r\n\r\n[INFOTYPES]\r\n\r\n");
    text.replace(QLatin1String("[[chmFileName]]"), compiledFile);
    text.replace(QLatin1String("[[TopicFileName]]"), kStartPage);
    text.replace(QLatin1String("[[Title]]"), withoutLineBreaks(title));
    return text;
}

} // namespace

int buttonMask(const Settings& settings) {
    return mask(settings, false);
}

QString windowLine(const Settings& settings) {
    return window(settings, false);
}

int collectionButtonMask(const Settings& settings) {
    return mask(settings, true);
}

QString collectionWindowLine(const Settings& settings) {
    return window(settings, true);
}

QString buildProjectText(const QString& title, const QString& compiledFile, const QString& windowLine,
                         const QStringList& files, const QStringList& styleFiles) {
    return projectText(QStringLiteral("[Options]\r\n"
                                      "Compatibility =1.1 Or later\r\n"
                                      "Compiled File =[[chmFileName]]\r\n"
                                      "Contents File =temp.hhc\r\n"
                                      "Default topic =[[TopicFileName]]\r\n"
                                      "Display compile progress=No\r\n"
                                      "Index File =temp.hhk\r\n"
                                      "Binary Index=No\r\n"),
                       title, compiledFile, windowLine, files, styleFiles);
}

QString buildCollectionProjectText(const QString& title, const QString& windowLine, const QStringList& files,
                                   const QStringList& styleFiles) {
    return projectText(QStringLiteral("[Options]\r\n"
                                      "Compatibility =1.1 Or later\r\n"
                                      "Compiled File =[[chmFileName]]\r\n"
                                      "Default topic =[[TopicFileName]]\r\n"
                                      "Display compile progress=No\r\n"),
                       title, kCollectionFile, windowLine, files, styleFiles);
}

QByteArray encodeProject(const QString& projectText) {
    QByteArray bytes;
    bool inFiles = false;
    for (const QString& line : projectText.split(kCrLf)) {
        if (line.startsWith(u'['))
            inFiles = line == QLatin1String("[Files]");
        if (!bytes.isEmpty())
            bytes += "\r\n";
        bytes += inFiles ? line.toUtf8() : encodeText(line);
    }
    return bytes;
}

QString buildContentsText(const QString& entries) {
    return sitemapHead() +
           QStringLiteral("<OBJECT type=\"text/site properties\">\r\n"
                          "    <param name=\"ImageType\" value=\"Folder\">\r\n"
                          "</OBJECT>\r\n"
                          "<UL>\r\n"
                          "   ") +
           entries + QStringLiteral("\r\n</UL>\r\n</BODY></HTML>\r\n");
}

QString buildIndexText(const QString& entries) {
    return sitemapHead() +
           QStringLiteral("<UL>\r\n"
                          "    <LI> <OBJECT type=\"text/sitemap\">\r\n"
                          "        ") +
           entries + QStringLiteral("\r\n        </OBJECT>\r\n</UL>\r\n</BODY></HTML>\r\n");
}

QString contentsEntry(const QString& name, const QString& folder, const QString& page, bool noLink) {
    QString text = QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"") +
                   attributeValue(name) + QLatin1String("\">\r\n");
    if (!noLink)
        text += QLatin1String("<param name=\"Local\" value=\"") + folder + page + QLatin1String("\">\r\n");
    text += QLatin1String("<param name=\"ImageNumber\" value=\"1\">\r\n</OBJECT>\r\n");
    return text;
}

QString contentsFolderEntry(const QString& name, const QString& folder, const QString& page, bool open,
                            bool noLink) {
    QString text =
        QStringLiteral("<UL>\r\n<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"") +
        attributeValue(name) + QLatin1String("\">\r\n");
    if (!noLink)
        text += QLatin1String("<param name=\"Local\" value=\"") + folder + page + QLatin1String("\">\r\n");
    if (open)
        text += QLatin1String("<param name=\"ImageNumber\" value=\"1\">\r\n");
    text += QLatin1String("</OBJECT>\r\n");
    if (!open)
        text += QLatin1String("</UL>\r\n");
    return text;
}

QString indexEntry(const QString& keyword, const QString& folder, const QString& page) {
    return QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Keyword\" value=\"") +
           attributeValue(keyword) + QLatin1String("\">\r\n<param name=\"Local\" value=\"") + folder + page +
           QLatin1String("\">\r\n</OBJECT>\r\n");
}

QString startPageText(const QString& startPage) {
    return QStringLiteral(
               "<html><head><title></title></head>"
               "<BODY leftMargin=0 topMargin=0 marginheight=0 marginwidth=0 style=\"overflow:hidden\">"
               "<iframe frameborder=0 style=\"width:100%;height:100%\" src=\"") +
           startPage + QLatin1String("\"><a href=\"") + startPage +
           QStringLiteral("\">点此进入</a></iframe></body></html>\r\n");
}

bool relinkPage(qsizetype position, const QStringList& pages, QByteArray& page) {
    static const QByteArray prior = QByteArrayLiteral("Prior.htm");
    static const QByteArray next = QByteArrayLiteral("Next.htm");
    if (findLink(page, next, 0) < 0)
        return false;
    const QByteArray list = QByteArrayLiteral("List.htm");
    const QByteArray before = position > 0 ? pages.at(position - 1).toUtf8() : list;
    const QByteArray after = position + 1 < pages.size() ? pages.at(position + 1).toUtf8() : list;
    replaceLinks(page, prior, before);
    replaceLinks(page, next, after);
    return true;
}

} // namespace ChmProject

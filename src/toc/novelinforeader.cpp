#include "toc/novelinforeader.h"

#include "toc/linkresolver.h"
#include "fetch/pagedecoder.h"
#include "fetch/pagesource.h"
#include "storage/files.h"
#include "text/html.h"
#include "text/markers.h"
#include "text/regex.h"

#include <QDir>

namespace {

QString withoutTags(const QString& text) {
    return regexRemove(QStringLiteral("<[\\s\\S]+?>"), text);
}

// The address in an attribute fragment: after its last "name=", unquoted, up to the first space.
QString attributeAddress(const QString& fragment, const QString& name) {
    const QString value = getTextAfterLast(fragment, name);
    if (value.isEmpty())
        return {};
    return extractQuotedValue(value, true).section(u' ', 0, 0, QString::SectionSkipEmpty).trimmed();
}

} // namespace

NovelInfoReader::NovelInfoReader(PageSource& source, const SiteSign& sign, const QString& displayCharset,
                                 bool judgePicExt, StopCheck stop)
    : m_source(source)
    , m_sign(sign)
    , m_displayCharset(displayCharset)
    , m_judgePicExt(judgePicExt)
    , m_stop(std::move(stop)) {}

QString NovelInfoReader::marker(SiteSign::Field field) const {
    const QString value = m_sign[field];
    return value == u"#" ? QString() : value;
}

bool NovelInfoReader::checkStop() {
    if (m_stop && m_stop())
        m_stopped = true;
    return m_stopped;
}

QString NovelInfoReader::authorFrom(const QString& page, const QString& start, const QString& end) {
    if (start.isEmpty() || end.isEmpty())
        return {};
    QString author = withoutTags(getTextBetweenLast(page, start, end));
    const qsizetype gt = author.lastIndexOf(u'>');
    if (gt >= 0)
        author = author.mid(gt + 1);
    for (const char* drop : {"&nbsp;", "|", "\r", "\n"})
        author.remove(QLatin1String(drop));
    return author.trimmed();
}

QString NovelInfoReader::briefFrom(const QString& page, const QString& start, const QString& end) {
    if (start.isEmpty() || end.isEmpty())
        return {};
    QString text = getTextBetween(page, start, end);
    text = regexReplace(QStringLiteral("<br\\s*/?>"), text, QStringLiteral("\r\n"));
    text = withoutTags(text);
    text.remove(QLatin1String("&nbsp;"));
    text.remove(QChar(0x3000));
    QStringList paragraphs;
    for (const QString& line : text.split(u'\n')) {
        const QString paragraph = line.trimmed();
        if (!paragraph.isEmpty())
            paragraphs.append(QStringLiteral("　　") + paragraph + QStringLiteral("<br>"));
    }
    return paragraphs.join(QLatin1String("\r\n"));
}

QString NovelInfoReader::readBriefPage(const QString& listPage, const LinkResolver& resolver,
                                       QString& address) {
    address.clear();
    const QString start = marker(SiteSign::BriefUrlStart);
    const QString end = marker(SiteSign::BriefUrlEnd);
    if (start.isEmpty() || end.isEmpty())
        return listPage;
    const QString found =
        resolver.resolve(attributeAddress(getTextBetweenLast(listPage, start, end), QStringLiteral("href=")));
    if (found.isEmpty())
        return listPage;
    const FetchedPage answer = m_source.fetch(found);
    if (answer.stopped() || checkStop())
        return listPage;
    if (!answer.ok() || answer.body.isEmpty())
        return listPage; // the list page may carry the same markers
    PageDecoder decoder(m_displayCharset);
    decoder.takeContentType(answer.contentType);
    const QString text = decoder.decode(answer.body);
    if (text.isEmpty())
        return listPage;
    address = found;
    return text;
}

QString NovelInfoReader::saveCover(const QString& page, const LinkResolver& resolver, const QString& folder) {
    const QString start = marker(SiteSign::BookImgUrlStart);
    const QString end = marker(SiteSign::BookImgUrlEnd);
    if (folder.isEmpty() || start.isEmpty() || end.isEmpty())
        return {};
    const QString address =
        resolver.resolve(attributeAddress(getTextBetween(page, start, end), QStringLiteral("src=")));
    if (address.isEmpty())
        return {};
    const FetchedPage answer = m_source.fetch(address);
    if (answer.stopped() || checkStop() || !answer.ok() || answer.body.isEmpty())
        return {};
    QString name = QStringLiteral("cover.jpg");
    if (m_judgePicExt) {
        const QString type = getImageType(answer.body);
        if (!type.isEmpty())
            name = QStringLiteral("cover.") + type;
    }
    if (!saveBytesToFile(answer.body, QDir(folder).filePath(name)))
        return {};
    return name;
}

NovelInformation NovelInfoReader::read(const QString& listPage, const LinkResolver& resolver,
                                       const QString& coverFolder) {
    NovelInformation info;
    QString briefUrl;
    const QString page = readBriefPage(listPage, resolver, briefUrl);
    if (m_stopped)
        return info;
    info.author = authorFrom(page, marker(SiteSign::AuthorStart), marker(SiteSign::AuthorEnd));
    info.brief = briefFrom(page, marker(SiteSign::BriefStart), marker(SiteSign::BriefEnd));
    // The cover address is relative to the page it was found on.
    const LinkResolver briefResolver(briefUrl);
    info.coverFile = saveCover(page, briefUrl.isEmpty() ? resolver : briefResolver, coverFolder);
    return info;
}

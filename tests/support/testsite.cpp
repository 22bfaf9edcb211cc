#include "support/testsite.h"

#include <QDir>

TestSite::TestSite(const QString& name)
    : LocalSiteThread(folder(name)) {}

QString TestSite::folder(const QString& name) {
    return QDir::isAbsolutePath(name) ? name : QStringLiteral(QUIVERAL_TEST_DATA_DIR "/sites/") + name;
}

SiteSign qingfengInformationSign(const QString& baseUrl) {
    SiteSign sign;
    sign[SiteSign::Name] = QStringLiteral("清风书屋");
    sign[SiteSign::Url] = baseUrl;
    sign[SiteSign::BriefUrlStart] = QStringLiteral("<p class=\"intro\">");
    sign[SiteSign::BriefUrlEnd] = QStringLiteral("</p>");
    sign[SiteSign::AuthorStart] = QStringLiteral("作者：");
    sign[SiteSign::AuthorEnd] = QStringLiteral("</td>");
    sign[SiteSign::BriefStart] = QStringLiteral("<div class=\"brief\">");
    sign[SiteSign::BriefEnd] = QStringLiteral("</div>");
    sign[SiteSign::BookImgUrlStart] = QStringLiteral("<td rowspan=\"3\">");
    sign[SiteSign::BookImgUrlEnd] = QStringLiteral("</td>");
    return sign;
}

NovelSite soushuSearchSite(const TestSite& server, const QString& searchPath) {
    NovelSite s;
    s[NovelSite::Name] = QStringLiteral("搜书网");
    s[NovelSite::Url] = server.baseUrl();
    s[NovelSite::SearchUrl] = server.url(searchPath);
    s[NovelSite::NameCode] = QStringLiteral("utf-8");
    s[NovelSite::ResultStart] = QStringLiteral("<table class=\"grid\">");
    s[NovelSite::ResultEnd] = QStringLiteral("</table>");
    s[NovelSite::TitleStart] = QStringLiteral("<td class=\"odd\"><a href=");
    s.setSelected(true);
    return s;
}

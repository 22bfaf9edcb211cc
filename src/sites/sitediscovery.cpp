#include "sites/sitediscovery.h"

#include "sites/sitesearch.h"
#include "text/html.h"
#include "text/regex.h"

#include <QRegularExpression>

namespace {

// The value of an attribute in a tag, unquoted; "" when absent.
QString attribute(const QString& tag, const QString& name) {
    const QRegularExpression re(QStringLiteral("\\b") + name +
                                    QStringLiteral("\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(tag);
    if (!m.hasMatch())
        return {};
    for (int i = 2; i <= 4; ++i)
        if (m.capturedStart(i) >= 0)
            return m.captured(i);
    return {};
}

QString absolute(const QString& address, const QString& siteRoot) {
    if (address.startsWith(QLatin1String("http:"), Qt::CaseInsensitive) ||
        address.startsWith(QLatin1String("https:"), Qt::CaseInsensitive))
        return address;
    QString root = siteRoot;
    if (!root.endsWith(u'/'))
        root += u'/';
    return root + (address.startsWith(u'/') ? address.mid(1) : address);
}

QString withoutHead(const QString& page) {
    QString text = regexRemove(QStringLiteral("<title[\\s\\S]+?</title>"), page);
    return regexRemove(QStringLiteral("<head>[\\s\\S]+?<body>"), text);
}

// The opening tag that begins at the cell (e.g. `<td class="odd">`).
QString openingTag(const QString& cell) {
    const qsizetype close = cell.indexOf(u'>');
    return close < 0 ? QString() : cell.left(close + 1);
}

} // namespace

QString SiteDiscovery::searchAddressFromHome(const QString& homePage, const QString& siteRoot) {
    QString form;
    for (const QString& candidate : regexMatchValues(homePage, QStringLiteral("<form[\\s\\S]+?</form>"))) {
        if (candidate.contains(QLatin1String("search.gif"), Qt::CaseInsensitive) ||
            candidate.contains(QStringLiteral("搜")) ||
            candidate.contains(QLatin1String("search.jpg"), Qt::CaseInsensitive)) {
            form = candidate;
            break;
        }
    }
    if (form.isEmpty())
        return {};
    const QString action = attribute(openingTag(form), QStringLiteral("action"));
    if (action.isEmpty())
        return {};

    QStringList parameters;
    const QString select = regexMatchValues(form, QStringLiteral("<SELECT[\\s\\S]+?</SELECT>")).value(0);
    if (!select.isEmpty()) {
        const QString name = attribute(openingTag(select), QStringLiteral("name"));
        QString value;
        for (const QString& option : regexMatchValues(select, QStringLiteral("<option[\\s\\S]+?</option>"))) {
            if (option.contains(QStringLiteral("作品名称"))) {
                value = attribute(option, QStringLiteral("value"));
                break;
            }
            if (value.isEmpty() && QRegularExpression(QStringLiteral("\\bselected\\b"),
                                                      QRegularExpression::CaseInsensitiveOption)
                                       .match(openingTag(option))
                                       .hasMatch())
                value = attribute(option, QStringLiteral("value"));
        }
        if (!name.isEmpty())
            parameters << name + u'=' + value;
    }
    QStringList hidden;
    QString textField;
    for (const QString& input : regexMatchValues(form, QStringLiteral("<input [^>]*>"))) {
        const QString type = attribute(input, QStringLiteral("type")).toLower();
        const QString name = attribute(input, QStringLiteral("name"));
        if (name.isEmpty())
            continue;
        if (type == QLatin1String("hidden"))
            hidden.prepend(name + u'=' + attribute(input, QStringLiteral("value")));
        else if ((type.isEmpty() || type == QLatin1String("text") || type == QLatin1String("search")) &&
                 textField.isEmpty())
            textField = name + QStringLiteral("=[[Name]]");
    }
    if (textField.isEmpty())
        return {};
    parameters << hidden << textField;
    const QString base = absolute(action, siteRoot);
    return base + (base.contains(u'?') ? u'&' : u'?') + parameters.join(u'&');
}

bool SiteDiscovery::isResultPage(const QString& page) {
    return page.contains(QStringLiteral("结果")) || page.contains(QStringLiteral("搜索小说")) ||
           page.contains(QStringLiteral("检索关键字"));
}

bool SiteDiscovery::readResultTable(const QString& rawPage, NovelSite& site) {
    const QString page = withoutHead(rawPage);
    for (const QString& table : regexMatchValues(page, QStringLiteral("<table[\\s\\S]+?</table>"))) {
        const QList<RegexMatch> rows = regexMatches(table, QStringLiteral("<tr[\\s\\S]+?</tr>"));
        if (rows.size() < 2)
            continue;
        const QStringList header =
            regexMatchValues(rows.first().captures.value(0), QStringLiteral("<t[dh][\\s\\S]+?</t[dh]>"));
        int nameColumn = -1;
        int authorColumn = -1;
        int latestColumn = -1;
        for (int i = 0; i < header.size(); ++i) {
            const QString text = cleanTitleText(header.at(i));
            if (nameColumn < 0 &&
                (text.contains(QStringLiteral("名称")) || text.contains(QStringLiteral("原名"))))
                nameColumn = i;
            else if (authorColumn < 0 && text.contains(QStringLiteral("作者")))
                authorColumn = i;
            else if (latestColumn < 0 && text.contains(QStringLiteral("新章节")))
                latestColumn = i;
        }
        if (nameColumn < 0 || authorColumn < 0)
            continue;
        const QStringList cells =
            regexMatchValues(rows.at(1).captures.value(0), QStringLiteral("<td[\\s\\S]+?</td>"));
        const QString nameCell = cells.value(nameColumn);
        const qsizetype href = nameCell.indexOf(QLatin1String("href="), 0, Qt::CaseInsensitive);
        if (href < 0)
            continue;
        const QString titleStart = nameCell.left(href + 5);
        site[NovelSite::TitleStart] = titleStart;
        site[NovelSite::TitleEnd] = QStringLiteral("</a>");
        site[NovelSite::LinkStart] = titleStart;
        site[NovelSite::LinkEnd] = QStringLiteral(">");
        if (latestColumn >= 0 && latestColumn < cells.size()) {
            site[NovelSite::LatestStart] = openingTag(cells.at(latestColumn));
            site[NovelSite::LatestEnd] = QStringLiteral("</td>");
        }
        site[NovelSite::ResultStart] = openingTag(table);
        site[NovelSite::ResultEnd] = QStringLiteral("</table>");
        return true;
    }
    return false;
}

bool SiteDiscovery::readNovelPage(const QString& rawPage, NovelSite& site) {
    const QString page = withoutHead(rawPage);
    for (const RegexMatch& anchor : regexMatches(page, QStringLiteral("<a [^>]*href[\\s\\S]+?</a>"))) {
        const QString text = cleanTitleText(anchor.captures.value(0));
        if (!text.contains(QStringLiteral("目录")) && !text.contains(QStringLiteral("书目")))
            continue;
        const QString whole = anchor.captures.value(0);
        const qsizetype href = whole.indexOf(QLatin1String("href="), 0, Qt::CaseInsensitive);
        const qsizetype close = whole.indexOf(u'>', href);
        if (href < 0 || close < 0)
            continue;
        // The start marker reaches back until its last occurrence is this link (the single result
        // is read after the last start marker); a short reach keeps long pages cheap.
        const qsizetype hrefAt = anchor.start + href + 5;
        QString start;
        for (qsizetype from = anchor.start; from >= 0 && anchor.start - from <= 120; --from) {
            const QString candidate = page.mid(from, hrefAt - from);
            if (page.lastIndexOf(candidate, -1, Qt::CaseInsensitive) == from) {
                start = candidate;
                break;
            }
        }
        if (start.isEmpty())
            continue;
        const QString afterLink = whole.mid(close, whole.indexOf(u'<', close) - close);
        site[NovelSite::OneResultMark] = afterLink;
        site[NovelSite::OneLinkStart] = start;
        site[NovelSite::OneLinkEnd] = afterLink;
        const QRegularExpressionMatch heading =
            QRegularExpression(QStringLiteral("<h1[^>]*>"), QRegularExpression::CaseInsensitiveOption)
                .match(page);
        if (heading.hasMatch()) {
            site[NovelSite::OneTitleStart] = heading.captured(0);
            site[NovelSite::OneTitleEnd] = QStringLiteral("</h1>");
        }
        return true;
    }
    return false;
}

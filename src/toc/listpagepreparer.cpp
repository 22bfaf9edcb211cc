#include "toc/listpagepreparer.h"

#include "fetch/pagedecoder.h"
#include "fetch/pagesource.h"
#include "text/regex.h"
#include "toc/linkresolver.h"
#include "toc/scriptreader.h"

#include <algorithm>

namespace {

// Pages load ad and counter scripts too; a list is never behind more than a few of them.
constexpr int kMaxScriptFiles = 8;

const QString kScriptBlock = QStringLiteral("<script[\\s\\S]+?</script>");

QString escapeHtml(QString text) {
    text.replace(u'&', QLatin1String("&amp;"));
    text.replace(u'<', QLatin1String("&lt;"));
    text.replace(u'>', QLatin1String("&gt;"));
    return text.replace(u'"', QLatin1String("&quot;"));
}

bool isDigits(const QString& text) {
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

// An array value that can be a chapter address: a page id or a path, no spaces, no Chinese.
bool looksLikeAddress(const QString& value) {
    const QString v = value.trimmed();
    if (v.isEmpty() || isDigits(v))
        return true;
    for (const QChar c : v)
        if (c.isSpace() || c.unicode() >= 0x2E80)
            return false;
    return v.contains(u'.') || v.contains(u'/') || v.contains(u'?') || v.contains(u'=');
}

bool isAddressArray(const QStringList& values) {
    return std::all_of(values.cbegin(), values.cend(), looksLikeAddress) &&
           std::any_of(values.cbegin(), values.cend(),
                       [](const QString& v) { return !v.trimmed().isEmpty(); });
}

bool isTitleArray(const QStringList& values) {
    return std::any_of(values.cbegin(), values.cend(), [](const QString& v) { return !looksLikeAddress(v); });
}

bool hasSrc(const QString& block) {
    return block.left(block.indexOf(u'>') + 1).contains(QLatin1String("src"), Qt::CaseInsensitive);
}

} // namespace

ListPagePreparer::ListPagePreparer(PageSource& source, const ChapterListOptions& options,
                                   const QString& listUrl, const QString& pageCharset, ListKinds kinds,
                                   StopCheck stop)
    : m_source(source)
    , m_options(options)
    , m_listUrl(listUrl)
    , m_pageCharset(pageCharset)
    , m_kinds(kinds)
    , m_stop(std::move(stop)) {}

QStringList ListPagePreparer::scriptSources(const QString& page) {
    QStringList sources;
    for (const RegexMatch& m :
         regexMatches(page, QStringLiteral("<script[^>]*?\\ssrc\\s*=\\s*[\"']?([^\"'\\s>]+)")))
        sources.append(m.captures.at(1));
    return sources;
}

QStringList ListPagePreparer::inlineScripts(const QString& page) {
    QStringList codes;
    for (const QString& block : regexMatchValues(page, kScriptBlock))
        if (!hasSrc(block))
            codes.append(scriptBlockCode(block));
    return codes;
}

QString ListPagePreparer::fetchScript(const QString& address) {
    if (m_stopped || (m_stop && m_stop())) {
        m_stopped = true;
        return {};
    }
    if (m_cache && m_cache->contains(address)) {
        const QString code = m_cache->value(address);
        if (code.isEmpty())
            m_failed.append(address);
        return code;
    }
    const FetchedPage answer = m_source.fetch(address, m_listUrl);
    if (answer.stopped() || (m_stop && m_stop())) {
        m_stopped = true;
        return {};
    }
    QString code;
    if (!answer.ok() || answer.body.isEmpty()) {
        m_failed.append(address);
    } else {
        // A script without a charset of its own is written in the page's.
        PageDecoder decoder(m_options.displayCharset);
        decoder.setPageCharset(m_pageCharset);
        decoder.takeContentType(answer.contentType);
        code = decoder.decode(answer.body);
    }
    if (m_cache)
        m_cache->insert(address, code);
    return code;
}

QString ListPagePreparer::prepare(const QString& page, const QString& volumeStart, const QString& volumeEnd) {
    QString out = page;
    if (m_kinds & ListKind::ScriptList) {
        out = scriptListPage(out);
        if (m_stopped)
            return out;
    }
    if (m_kinds & ListKind::ScriptCall) {
        LinkResolver resolver(m_listUrl);
        resolver.setBase(LinkResolver::findBase(out));
        const QStringList sources = scriptSources(out);
        for (int i = 0; i < std::min<int>(kMaxScriptFiles, sources.size()) && !m_stopped; ++i)
            m_externalScripts += fetchScript(resolver.resolve(sources.at(i))) + QLatin1String("\n;\n");
        if (m_stopped)
            return out;
        out = writeInlineScripts(out);
        out = linksFromOnclick(out);
    }
    if (m_kinds & ListKind::ArrayList)
        out = linksFromArrays(out, volumeStart, volumeEnd);
    return out;
}

QString ListPagePreparer::scriptListPage(const QString& page) {
    QStringList sources = scriptSources(page);
    // The list script is usually named for what it holds.
    std::stable_partition(sources.begin(), sources.end(), [](const QString& s) {
        return s.contains(QLatin1String("list"), Qt::CaseInsensitive);
    });
    LinkResolver resolver(m_listUrl);
    resolver.setBase(LinkResolver::findBase(page));
    const QStringList pageCode = inlineScripts(page);
    QStringList fetched;
    for (int i = 0; i < std::min<int>(kMaxScriptFiles, sources.size()); ++i) {
        const QString code = fetchScript(resolver.resolve(sources.at(i)));
        if (m_stopped)
            return page;
        if (code.isEmpty())
            continue;
        ScriptReader reader(code);
        for (const QString& other : pageCode + fetched)
            reader.addDefinitions(other);
        const QString written = reader.writtenHtml();
        // A banner script writes a link too; one named for a list may be short, any other must
        // write a list.
        const bool listNamed = sources.at(i).contains(QLatin1String("list"), Qt::CaseInsensitive);
        if (written.count(QLatin1String("<a "), Qt::CaseInsensitive) >= (listNamed ? 1 : 2))
            return written;
        fetched.append(code);
    }
    return page;
}

QString ListPagePreparer::writeInlineScripts(const QString& page) {
    const QList<RegexMatch> blocks = regexMatches(page, kScriptBlock);
    if (blocks.isEmpty())
        return page;
    ScriptReader reader;
    for (const RegexMatch& block : blocks)
        if (!hasSrc(block.captures.at(0)))
            reader.addDefinitions(scriptBlockCode(block.captures.at(0)));
    reader.addDefinitions(m_externalScripts);
    QString out;
    qsizetype copied = 0;
    for (const RegexMatch& block : blocks) {
        const QString& text = block.captures.at(0);
        if (hasSrc(text))
            continue;
        const QString written = reader.writtenHtml(scriptBlockCode(text));
        if (written.trimmed().isEmpty())
            continue;
        out += QStringView(page).mid(copied, block.start - copied);
        out += written;
        copied = block.start + block.length;
    }
    out += QStringView(page).mid(copied);
    return out;
}

QString ListPagePreparer::linksFromOnclick(const QString& page) {
    const QList<RegexMatch> elements = regexMatches(
        page,
        QStringLiteral("<(a|span|li|div|td|font|b|p|dd|dt|em|strong|label)\\b([^>]*?)\\bonclick\\s*=\\s*"
                       "([\"'])([\\s\\S]*?)\\3([^>]*)>([\\s\\S]*?)</\\1>"));
    QString out;
    qsizetype copied = 0;
    for (const RegexMatch& m : elements) {
        const QString attributes = m.captures.at(2) + m.captures.at(5);
        if (attributes.contains(QLatin1String("href"), Qt::CaseInsensitive))
            continue; // a link already; its onclick is read with its address
        QString call = m.captures.at(4).trimmed();
        const qsizetype close = call.indexOf(u')');
        if (close < 0 || !parseScriptCall(call.left(close + 1)))
            continue;
        call = call.left(close + 1).replace(u'"', u'\'');
        out += QStringView(page).mid(copied, m.start - copied);
        out += QStringLiteral("<a href=\"javascript:") + call + QStringLiteral("\">") + m.captures.at(6) +
               QStringLiteral("</a>");
        copied = m.start + m.length;
    }
    out += QStringView(page).mid(copied);
    return out;
}

QString ListPagePreparer::linksFromArrays(const QString& page, const QString& volumeStart,
                                          const QString& volumeEnd) {
    const QStringList codes = inlineScripts(page);
    ScriptReader reader;
    for (const QString& code : codes)
        reader.addDefinitions(code);
    reader.addDefinitions(m_externalScripts);
    const QList<QPair<QString, QStringList>> arrays = reader.arrays();

    // A title array and an address array of the same length; an entry without address is a volume.
    const QStringList* titles = nullptr;
    const QStringList* addresses = nullptr;
    QString titleName;
    for (const auto& [name, values] : arrays) {
        if (!isTitleArray(values))
            continue;
        for (const auto& [otherName, others] : arrays) {
            if (otherName != name && others.size() == values.size() && isAddressArray(others)) {
                titles = &values;
                addresses = &others;
                titleName = name;
                break;
            }
        }
        if (titles)
            break;
    }
    if (!titles)
        return page;

    // Bare ids go through the page's own link function, the one that turns an id into an address.
    QString linkFunction;
    const bool ids = std::all_of(addresses->cbegin(), addresses->cend(), [](const QString& a) {
        return a.trimmed().isEmpty() || isDigits(a.trimmed());
    });
    if (ids) {
        const bool branches = m_kinds.testFlag(ListKind::UrlFunction);
        for (const QString& code : codes + QStringList{m_externalScripts}) {
            for (const RegexMatch& m : regexMatches(
                     code,
                     QStringLiteral("function\\s+([A-Za-z_$][\\w$]*)\\s*\\(\\s*[A-Za-z_$][\\w$]*\\s*\\)"))) {
                const auto target = reader.callAddress(m.captures.at(1), {QStringLiteral("1")}, branches);
                if (target && !target->trimmed().isEmpty()) {
                    linkFunction = m.captures.at(1);
                    break;
                }
            }
            if (!linkFunction.isEmpty())
                break;
        }
    }

    QString html;
    for (qsizetype i = 0; i < titles->size(); ++i) {
        const QString title = titles->at(i).trimmed();
        const QString address = addresses->at(i).trimmed();
        if (address.isEmpty()) {
            if (title.isEmpty())
                continue;
            // Written with the novel's own volume markers, or one the volume step looks for by itself.
            if (volumeStart.isEmpty())
                html += QStringLiteral("<div class=vcss>") + escapeHtml(title) + QStringLiteral("</div>\r\n");
            else
                html += volumeStart + escapeHtml(title) +
                        (volumeEnd.isEmpty() ? QStringLiteral("<br>") : volumeEnd) + QStringLiteral("\r\n");
            continue;
        }
        const QString href = linkFunction.isEmpty()
                                 ? address
                                 : QStringLiteral("javascript:%1('%2')").arg(linkFunction, address);
        html += QStringLiteral("<a href=\"") + escapeHtml(href) + QStringLiteral("\">") + escapeHtml(title) +
                QStringLiteral("</a>\r\n");
    }

    // The list takes the place of the script that held it, so the list markers around it still hold.
    for (const RegexMatch& block : regexMatches(page, kScriptBlock)) {
        const QString& text = block.captures.at(0);
        if (!hasSrc(text) && scriptBlockCode(text).contains(titleName))
            return page.left(block.start) + html + page.mid(block.start + block.length);
    }
    return page + html;
}

#include "sites/websearch.h"

#include "sites/sitehost.h"
#include "text/innertext.h"
#include "text/url.h"

#include <QSet>
#include <QUrl>

#include <algorithm>

const QStringList& WebSearch::exclusionWords() {
    static const QStringList words = {
        QStringLiteral("百度"),       QStringLiteral("供应商"),   QStringLiteral("交响乐团"),
        QStringLiteral("公司"),       QStringLiteral("企业"),     QStringLiteral("产品目录"),
        QStringLiteral("批发"),       QStringLiteral("供应"),     QStringLiteral("商业目录"),
        QStringLiteral("活动俱乐部"), QStringLiteral("征订目录"), QStringLiteral("安装目录"),
        QStringLiteral("根目录"),     QStringLiteral("论坛目录"), QStringLiteral("分类目录"),
        QStringLiteral("简易目录"),   QStringLiteral("增刊目录"), QStringLiteral("图书目录"),
        QStringLiteral("参考目录"),   QStringLiteral("目录专案"), QStringLiteral("贴吧目录"),
        QStringLiteral("收集目录"),   QStringLiteral("搜索目录"), QStringLiteral("医保目录"),
        QStringLiteral("定价目录"),   QStringLiteral("网站目录"), QStringLiteral("总目录"),
        QStringLiteral("推荐目录"),   QStringLiteral("目录如下"), QStringLiteral("blog目录"),
        QStringLiteral("手机之家"),   QStringLiteral("默认目录"), QStringLiteral("全目录"),
        QStringLiteral("软件目录"),   QStringLiteral("商品目录"), QStringLiteral("音乐目录"),
        QStringLiteral("配备目录"),   QStringLiteral("CD目录"),   QStringLiteral("专业目录"),
        QStringLiteral("论著目录"),   QStringLiteral("一个目录"), QStringLiteral("生成目录"),
        QStringLiteral("综合目录"),   QStringLiteral("考生目录"), QStringLiteral("字体目录"),
        QStringLiteral("相册目录"),   QStringLiteral("的目录"),   QStringLiteral("物品目录"),
        QStringLiteral("类目录"),     QStringLiteral("高毒目录"), QStringLiteral("引进目录"),
        QStringLiteral("目录树"),     QStringLiteral("币目录"),   QStringLiteral("招生目录"),
        QStringLiteral("博客"),       QStringLiteral("建设目录"), QStringLiteral("销售目录"),
        QStringLiteral("信息目录"),   QStringLiteral("作品目录"), QStringLiteral("目录简介"),
    };
    return words;
}

QString WebSearch::queryText(const QString& text, bool byAuthor) {
    const QString quoted = u'"' + text.trimmed() + u'"';
    return byAuthor ? quoted + QStringLiteral(" 小说 目录") : quoted + QStringLiteral(" 目录 (- | _ | 小说)");
}

QString WebSearch::searchAddress(const QString& engineUrl, const QString& text, bool byAuthor) {
    const QString engine = engineUrl.trimmed();
    if (engine.isEmpty())
        return {};
    const QString query = urlEncodeAnsi(queryText(text, byAuthor));
    const QString placeholder = QStringLiteral("[[Name]]");
    if (engine.contains(placeholder, Qt::CaseInsensitive))
        return QString(engine).replace(placeholder, query, Qt::CaseInsensitive);
    return engine + query;
}

QString WebSearch::getValidBookTitle(const QString& title, const QString& novelName) {
    for (const QString& word : exclusionWords())
        if (title.contains(word, Qt::CaseInsensitive) && !novelName.contains(word, Qt::CaseInsensitive))
            return {};
    if (title.contains(u'-') || title.contains(u'_') || title.contains(QStringLiteral("小说")))
        return title;
    return {};
}

QList<WebSearch::Result> WebSearch::readResults(const QString& page, const QString& novelName,
                                                const QString& excludedHosts, const QString& engineUrl) {
    QStringList hosts;
    for (const QString& h : excludedHosts.split(QStringLiteral("||"), Qt::SkipEmptyParts))
        if (!h.trimmed().isEmpty())
            hosts << h.trimmed().toLower();
    const QString name = novelName.trimmed();
    const QUrl engine(engineUrl.trimmed());
    QList<Result> results;
    QSet<QString> seen;
    for (const HtmlLink& link : htmlLinks(page)) {
        const QString text = link.text.simplified();
        if (name.isEmpty() || !text.contains(name, Qt::CaseInsensitive))
            continue;
        const QString href = link.href.trimmed();
        const QUrl target = engine.resolved(QUrl(href));
        if (target.scheme() != QLatin1String("http") && target.scheme() != QLatin1String("https"))
            continue;
        // An address written whole is kept as written.
        const QString url = QUrl(href).isRelative() ? target.toString() : href;
        if (isSameSite(url, engine.toString()) || seen.contains(url.toLower()))
            continue;
        const QString host = target.host().toLower();
        const bool excluded = std::any_of(hosts.cbegin(), hosts.cend(), [&host](const QString& h) {
            return host == h || host.endsWith(u'.' + h);
        });
        const QString title = excluded ? QString() : getValidBookTitle(text, novelName);
        if (title.isEmpty())
            continue;
        seen.insert(url.toLower());
        results.append({title, url});
    }
    return results;
}

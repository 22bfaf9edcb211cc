#pragma once

#include "sites/sitelist.h"

#include <QCoreApplication>
#include <QString>

// Working out a novel site's search rules from its own pages: the search form of its home page, and
// the result table (or the novel page) its search answers with.
class SiteDiscovery {
    Q_DECLARE_TR_FUNCTIONS(SiteDiscovery)

public:
    // The search address ("[[Name]]" for the name) of the home page's search form: the form that shows
    // a search picture or "搜", its action made absolute, the choice of its first list ("作品名称" when
    // offered), its hidden fields and the text field. "" when the page has no such form.
    static QString searchAddressFromHome(const QString& homePage, const QString& siteRoot);
    // The path many novel sites answer searches on, tried when the home page shows no form.
    static QString commonSearchPath() {
        return QStringLiteral("modules/article/search.php?searchtype=articlename&searchkey=[[Name]]");
    }
    // The name the test search looks for.
    static QString testName() { return tr("我的"); }

    // A page the site's search produced ("结果", "搜索小说" or "检索关键字").
    static bool isResultPage(const QString& page);
    // The markers of a result table whose header names the book ("名称" or "原名"), its author and its
    // latest chapter: fields 5 to 10, 18 and 19. False when there is no such table.
    static bool readResultTable(const QString& page, NovelSite& site);
    // The single-result fields (20 to 26) of a novel's own page: the link to its contents ("目录" or
    // "书目"), its heading. False when the page has no such link.
    static bool readNovelPage(const QString& page, NovelSite& site);
};

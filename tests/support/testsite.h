#pragma once

// A fixture site of tests/data/sites served by the loopback test site on its own thread, so the code
// under test may block or run its own event loop while it fetches. start(0, true) serves it over https;
// clients trust caFile() (the CA of every https site of the test process) and check certificates as usual.

#include "localsite/localsitethread.h"
#include "sites/sitelist.h"
#include "sites/sitesign.h"

class TestSite : public LocalSiteThread {
public:
    // name: a folder under tests/data/sites, or an absolute path.
    explicit TestSite(const QString& name);

    static QString folder(const QString& name);
};

// The sign of the 清风书屋 fixture site served at baseUrl with its information markers: the brief page
// its list page links to holds the author, the brief and the cover.
SiteSign qingfengInformationSign(const QString& baseUrl);

// The search site of the 搜书网 fixture site served by server, ticked: its result page of
// /modules/article/search.php lists three novels.
NovelSite soushuSearchSite(const TestSite& server, const QString& searchPath);

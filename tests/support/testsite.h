#pragma once

// A fixture site of tests/data/sites served by the loopback test site on its own thread, so the code
// under test may block or run its own event loop while it fetches.

#include "localsite/localsitethread.h"

class TestSite : public LocalSiteThread {
public:
    // name: a folder under tests/data/sites, or an absolute path.
    explicit TestSite(const QString& name);

    static QString folder(const QString& name);
};

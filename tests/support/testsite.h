#pragma once

// A fixture site of tests/data/sites served by the loopback test site on its own thread, so the code
// under test may block or run its own event loop while it fetches. start(0, true) serves it over https;
// clients trust caFile() (the CA of every https site of the test process) and check certificates as usual.

#include "localsite/localsitethread.h"

class TestSite : public LocalSiteThread {
public:
    // name: a folder under tests/data/sites, or an absolute path.
    explicit TestSite(const QString& name);

    static QString folder(const QString& name);
};

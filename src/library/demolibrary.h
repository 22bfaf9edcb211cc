#pragma once

#include "addnovel/noveladdjob.h"
#include "sites/sitelist.h"

#include <QCoreApplication>
#include <QString>

class LibraryContext;

// The demo: the shipped demo site served on loopback, and a library that holds its novel so that a
// newcomer only has to press "更新小说".
class DemoLibrary {
    Q_DECLARE_TR_FUNCTIONS(DemoLibrary)

public:
    // The port the shipped site sign of the demo site names; another one is used when it is taken.
    static constexpr quint16 kPort = 18808;

    // data/demo-site beside the program, "" when it was not shipped.
    static QString siteFolder();
    static QString novelName() { return tr("演示小说"); }
    static QString listUrl(const QString& baseUrl);

    // Makes sure the library holds the demo novel at the site's current address: adds it (through
    // the same add as the add-novel window) or moves the stored addresses to this start's port; and
    // that the demo site is among its search sites (book.dat), ticked when first added.
    // "" on success, else the user's message; novelId receives the demo novel's NovelID.
    static QString prepare(LibraryContext& library, const QString& baseUrl, QString* novelId = nullptr);

    // The demo site's search page as a search site: its name, address and result markers.
    static NovelSite searchSite(const QString& baseUrl);

private:
    static QString prepareSearchSite(LibraryContext& library, const QString& baseUrl);
};

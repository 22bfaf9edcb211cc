#pragma once

#include "sites/sitesigntable.h"

#include <QCoreApplication>

#include <functional>

class PageSource;

// The site signs of the maker's update server merged into a table: the same merge as an import, the
// compare question for each differing record. Nothing is written to sitesign.xml here; the caller
// saves the table when the user agrees.
class SiteSignUpdate {
    Q_DECLARE_TR_FUNCTIONS(SiteSignUpdate)

public:
    struct Result {
        bool ok = false;
        bool stopped = false;
        QString message; // why it failed, as the user is told
        SiteSignTable::MergeResult merge;
    };
    using Status = std::function<void(const QString& text)>;

    // endpoint + "sitesign.xml?temp7afd=" + random, so that no cache answers; a missing "/" at the
    // end of the endpoint is supplied.
    static QString updateAddress(const QString& endpoint, int random);

    // Fetches the list, keeps it in a temporary file "tmp<YYYYMMDDHHMMSS>.xml" of the library folder
    // while it is merged, and removes that file again.
    static Result updateFromServer(PageSource& source, SiteSignTable& table, const QString& endpoint,
                                   const QString& libraryFolder, const SiteSignTable::Decider& decide,
                                   const Status& status = {});
};

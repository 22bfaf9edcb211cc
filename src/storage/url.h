#pragma once

#include <QString>

// The site root ("http://host/") and folder of a page address, for resolving relative links.
// An https address keeps its scheme in the root.
struct UrlBase {
    QString siteRoot;
    QString folder;
};
UrlBase splitUrlBase(const QString& address);

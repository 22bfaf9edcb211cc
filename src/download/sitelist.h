#pragma once

#include <QList>
#include <QString>

#include <array>

// A novel site that can be searched by name. Fields by position: 0 identifier (built-in sites),
// 1 name, 2 root address, 3 selected ("True"/"False"), 4.. search rules.
struct NovelSite {
    static constexpr int kFieldCount = 30;
    std::array<QString, kFieldCount> fields;
    bool userAdded = true; // only the user's sites are saved

    bool operator==(const NovelSite& other) const {
        return fields == other.fields && userAdded == other.userAdded;
    }
};

// The user's sites, kept scrambled in book.dat: record document → double-byte characters
// percent-escaped → scrambled. False (list untouched) when the file is missing, empty or unreadable.
bool loadUserSites(const QString& path, QList<NovelSite>& sites);
QString userSitesText(const QList<NovelSite>& sites);
bool saveUserSites(const QString& path, const QList<NovelSite>& sites);

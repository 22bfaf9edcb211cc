#pragma once

#include <QString>

// One book_novel row in memory.
struct NovelRecord {
    QString novelId;
    QString novelName;
    QString author;
    QString bIsEnd;
    QString listUrl;
    QString listStart;
    QString listEnd;
    QString volumeStart;
    QString volumeEnd;
    QString contentStart;
    QString contentEnd;
    QString needDelStr;
    QString lb;
    QString brief;
    QString bookImg;
    int displayorder = 0;

    // Derived from listUrl when loaded, for resolving relative links.
    QString listFolder;
    QString siteRoot;
};

// The markers copied from a site sign into a novel.
struct NovelMarkers {
    QString listStart;
    QString listEnd;
    QString volumeStart;
    QString volumeEnd;
    QString contentStart;
    QString contentEnd;
    QString needDelStr;
};

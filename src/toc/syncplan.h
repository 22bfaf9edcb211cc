#pragma once

#include "storage/chapterstore.h"
#include "toc/chapterlink.h"

#include <QList>
#include <QString>

// A stored chapter as the synchronisation sees it.
struct SyncedChapter {
    qint64 id = 0;
    QString title;
    QString comeFrom;
    int displayorder = 0;
};

// What "同步书目" changes to bring a novel's chapters in line with the site's table of contents. Worked
// out from the site's list (dropped entries with an empty address), the stored chapters in display
// order and the novel's excluded links; nothing here touches the database.
//
// A chapter the site lists under a new title keeps its row (its id, bookmarks and text) and is only
// retitled and fetched again: deleting and re-inserting it would lose the text whenever its page
// cannot be fetched any more.
class SyncPlan {
public:
    struct Deletion {
        qint64 id = 0;
        QString title;
        int displayorder = 0;
        int keptOrder = 0; // its order when the user keeps it: after every chapter of the site
    };
    struct Retitle {
        qint64 id = 0;
        QString oldTitle;
        QString title;
        QString url;
        int displayorder = 0;
        QString volume; // the site's, as a new chapter would get it ("" none)
    };
    struct Renumber {
        qint64 id = 0;
        int displayorder = 0;
    };

    // titleCharset: the display charset the site's titles were read in (normalizeUnicodeText).
    static SyncPlan make(const QString& novelId, const ChapterLinks& site, const QList<SyncedChapter>& stored,
                         const QString& needDelUrl, const QString& titleCharset = QString());

    // A site title as it is compared and stored: "…new" loses the three letters, at most 250 characters.
    static QString siteTitle(const QString& title, const QString& titleCharset = QString());

    QList<Deletion> deletions;
    QList<Retitle> retitles;
    QList<Renumber> renumbered;   // kept chapters whose order changes
    QList<ChapterRecord> inserts; // waiting rows in the site's order

    bool isEmpty() const {
        return deletions.isEmpty() && retitles.isEmpty() && renumbered.isEmpty() && inserts.isEmpty();
    }
};

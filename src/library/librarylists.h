#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Database;

// A row of the list in novel mode (root or category selected).
struct NovelRow {
    QString novelId;
    QString name;
    QString categoryName;
    QString listUrl;
    QString author;
    QString bIsEnd;
};

// A row of the list in chapter mode, and of the download-log pages.
struct ChapterRow {
    qint64 id = 0;
    QString novelId;
    QString novelName; // filled for lists across novels
    QString title;
    int displayorder = 0;
    QString volume;
    QString comeFrom;
    QString downDate;            // YYYY-MM-DD
    QString downTime;            // HH:MM:SS
    std::optional<int> wordNums; // none: waiting; 0: failed
    bool read = false;
    bool placeholder = false; // a stub the renewal fetches again: "（待更新）"

    // "YYYY-MM-DD HH:MM", as the list shows it.
    QString downloadedAt() const;
};

namespace LibraryLists {

// Novels of a category by display order; an empty code lists every novel, categories in code order.
QList<NovelRow> novels(const Database& db, const QString& categoryCode = QString());
// The novel's chapters in order; with a title text only those whose title contains it (literally).
QList<ChapterRow> chapters(const Database& db, const QString& novelId, const QString& titled = QString());
std::optional<ChapterRow> chapter(const Database& db, qint64 id);
// Novels whose name and list address contain the given texts (an empty text matches all), as
// literal text: "%" and "_" in a name are not wildcards.
QList<NovelRow> findNovels(const Database& db, const QString& name, const QString& listUrl);
// Chapters downloaded on a day, latest first.
QList<ChapterRow> downloadedOn(const Database& db, const QDate& day);

enum class Recent { Latest, Day, Waiting, Failed };
// The download log: the latest n stored chapters, those of one day, or up to n waiting or failed ones.
QList<ChapterRow> recent(const Database& db, Recent kind, int count, const QDate& day = QDate());

int unreadCount(const Database& db, const QString& novelId);

// bIsEnd of the novels: "1" no longer renewed, "0" renewed again.
bool setEnded(const Database& db, const QStringList& novelIds, bool ended);

} // namespace LibraryLists

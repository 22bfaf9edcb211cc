#pragma once

#include "output/outputchapter.h"

#include <QList>
#include <QString>

class Database;

// The reads of the e-book and export writers.
class OutputStore {
public:
    explicit OutputStore(const Database& db)
        : m_db(db) {}

    // The novel's chapters in display order; with unreadOnly only those not marked read.
    QList<OutputChapter> chapters(const QString& novelId, bool unreadOnly = false) const;

    // The novel's e-book identifier, "urn:uuid:…", made and stored on first use so that readers know
    // a later export as the same book; "" when it cannot be stored.
    QString bookUuid(const QString& novelId) const;

    struct NovelFigures {
        QString novelId;
        QString name;
        QString author;
        bool ended = false;
        int chapters = 0;
        qint64 words = 0;
    };
    // The novels of a category in display order with their figures; an empty code gives the
    // novels without category.
    QList<NovelFigures> novelFigures(const QString& lb) const;

private:
    const Database& m_db;
};

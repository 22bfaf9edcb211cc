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

#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class Database;
class Settings;

// Chapters made from a numbered address: "(*)" in the address stands for each number from the first
// to the last, written with at least `width` digits. The rows are listed and wait for the renewal.
class BatchChapters {
    Q_DECLARE_TR_FUNCTIONS(BatchChapters)

public:
    struct Request {
        QString pattern;
        QString first;
        QString last;
        int width = 1;
        bool smallLimit = false;
    };
    static constexpr int kMinWidth = 1;
    static constexpr int kMaxWidth = 9;

    static QString wildcard() { return QStringLiteral("(*)"); }
    static int limit(bool small) { return small ? 100 : 1000; }
    // Fetching one page at a time makes a long batch slow, so the smaller limit applies then.
    static bool usesSmallLimit(const Settings& settings);

    // Which box a failing check is about.
    enum class Field { None, Pattern, First, Last, Width };
    // The first failing check as the user is told; "" when the request can be carried out.
    static QString check(const Request& request, Field* field = nullptr);
    // The chapter addresses, in number order (empty when check fails).
    static QStringList addresses(const Request& request);
    // Inserts the rows ("章节" + n) after the novel's last chapter, all or none. Returns how many, or
    // -1 when the request fails its check or the database refused.
    static int insert(const Database& db, const QString& novelId, const Request& request);
};

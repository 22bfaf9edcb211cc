#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <optional>

class Database;

// One saved link of the ranking pages' window (book_showtop, group "0001").
struct ShowTopLink {
    qint64 id = 0;
    QString name;
    QString url;
    int displayOrder = 0;
};

// The links of the ranking pages' window, in their order.
class ShowTopStore {
    Q_DECLARE_TR_FUNCTIONS(ShowTopStore)

public:
    explicit ShowTopStore(const Database& db)
        : m_db(db) {}

    static QString group() { return QStringLiteral("0001"); }

    // A library without the table gets it with these links, all in one transaction; one that has it
    // keeps what it holds (also when the user deleted every link).
    bool ensure(const QList<ShowTopLink>& defaults) const;

    QList<ShowTopLink> list() const;
    std::optional<ShowTopLink> get(qint64 id) const;

    // "" or the form's message: "网站名称不能为空", "链接地址不能为空".
    static QString check(const QString& name, const QString& url);
    // The new link's id (after the last), 0 when refused.
    qint64 add(const QString& name, const QString& url) const;
    bool update(qint64 id, const QString& name, const QString& url) const;
    bool remove(qint64 id) const;
    // Exchanges places with the previous (up) or next link; at the ends nothing changes.
    enum class Swap { Moved, AtEnd, Failed };
    Swap swap(qint64 id, bool up) const;

private:
    const Database& m_db;
};

#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

class Database;

struct Category {
    QString code; // two digits, "01" upward; the order of categories is the order of codes
    QString name;
};

// dic_noveltype, whose codes are shared with the bookcase.
class CategoryStore {
    Q_DECLARE_TR_FUNCTIONS(CategoryStore)

public:
    explicit CategoryStore(const Database& db)
        : m_db(db) {}

    QList<Category> list() const;
    QString codeOf(const QString& name) const;
    QString nameOf(const QString& code) const;

    // Highest code + 1 in two digits; "01" for none; "00" after "99". When that code is taken the
    // lowest free one is used instead; "" when all hundred are taken.
    QString nextCode() const;

    struct Result {
        QString code;
        QString error; // the message for the user; empty on success
        bool ok() const { return error.isEmpty(); }
    };
    Result add(const QString& name) const;
    Result rename(const QString& code, const QString& name) const;

    // Exchanges two codes in the categories, the novels and the bookcase, in one transaction.
    bool swapCodes(const QString& a, const QString& b) const;

private:
    QString validateName(const QString& name, const QString& exceptCode) const;

    const Database& m_db;
};

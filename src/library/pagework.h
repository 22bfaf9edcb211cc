#pragma once

#include <QString>
#include <QStringList>

// Novels whose chapter pages a conversion or a replacement is rewriting. Two such jobs on one novel
// would write over each other's pages, and a download run is refused its novel too: one rewrite per
// novel at a time, none while a download works on it. Held for the life of the object.
class PageWorkClaim {
public:
    explicit PageWorkClaim(const QStringList& novelIds);
    ~PageWorkClaim();
    PageWorkClaim(const PageWorkClaim&) = delete;
    PageWorkClaim& operator=(const PageWorkClaim&) = delete;

    // "" when every novel was claimed; else the message for the user, and nothing is claimed.
    QString error() const { return m_error; }

private:
    QStringList m_claimed;
    QString m_error;
};

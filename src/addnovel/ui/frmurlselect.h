#pragma once

#include "sites/sitesearch.h"

#include <QDialog>
#include <QList>

#include <functional>

class QTreeWidget;

// The addresses a search found, one to choose: title, table-of-contents address, latest update.
class FrmUrlSelect : public QDialog {
    Q_OBJECT

public:
    // isStored: whether a contents address already belongs to a novel of the library (such a row
    // cannot be chosen).
    using StoredCheck = std::function<bool(const QString& url)>;
    explicit FrmUrlSelect(const QList<SiteSearchResult>& results, StoredCheck isStored = {},
                          QWidget* parent = nullptr);

    // The chosen row after accept(), -1 without one.
    int chosen() const { return m_chosen; }

    // Shows the window modally; the chosen result's index, or -1.
    static int choose(const QList<SiteSearchResult>& results, StoredCheck isStored, QWidget* parent);

private:
    void acceptCurrent();

    QList<SiteSearchResult> m_results;
    StoredCheck m_isStored;
    QTreeWidget* m_lstUrl = nullptr;
    int m_chosen = -1;
};

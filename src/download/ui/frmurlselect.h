#pragma once

#include "download/sitesearch.h"

#include <QDialog>
#include <QList>

class QTreeWidget;

// The addresses a search found, one to choose: title, table-of-contents address, latest update.
class FrmUrlSelect : public QDialog {
    Q_OBJECT

public:
    explicit FrmUrlSelect(const QList<SiteSearchResult>& results, QWidget* parent = nullptr);

    // The chosen row after accept(), -1 without one.
    int chosen() const { return m_chosen; }

    // Shows the window modally; the chosen result's index, or -1.
    static int choose(const QList<SiteSearchResult>& results, QWidget* parent);

private:
    void acceptCurrent();

    QTreeWidget* m_lstUrl = nullptr;
    int m_chosen = -1;
};

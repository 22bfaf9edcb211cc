#pragma once

#include <QCoreApplication>
#include <QStringList>

class LibraryContext;
class QWidget;

// "各正文标志按设定标志替换" (mnuBatchSiteSign): the chosen novels take the markers of their sites' signs.
class BatchSiteSign {
    Q_DECLARE_TR_FUNCTIONS(BatchSiteSign)

public:
    // Asks first; returns how many novels took a sign (0 when the user said no).
    static int run(LibraryContext& library, const QStringList& novelIds, QWidget* parent);
};

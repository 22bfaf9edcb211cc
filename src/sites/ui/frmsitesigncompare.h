#pragma once

#include "sites/sitesigntable.h"

#include <QDialog>

class QCheckBox;
class QTextBrowser;

// Whether an imported site sign replaces the one the list has: both side by side, differences in red.
class FrmSiteSignCompare : public QDialog {
    Q_OBJECT

public:
    FrmSiteSignCompare(const SiteSign& existing, const SiteSign& imported, QWidget* parent = nullptr);

    // The page shown: "比较结果", one row per field (the address left out: it is the same on both sides).
    static QString compareHtml(const SiteSign& existing, const SiteSign& imported);

    // After the window closed: "覆盖" or not, and "全部照此处理".
    SiteSignTable::Decision decision() const;

    // Shows the window modally and returns the answer.
    static SiteSignTable::Decision ask(const SiteSign& existing, const SiteSign& imported, QWidget* parent);

private:
    QTextBrowser* m_webCompare = nullptr;
    QCheckBox* m_chkAll = nullptr;
};

#pragma once

#include "sites/sitesigntable.h"

#include <QDialog>

#include <functional>
#include <memory>

class Job;
class LibraryContext;
class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// "小说正文标志设置": the site signs as a list the user edits, imports into, exports from and updates
// from the maker's server. Nothing is written until OK; then the novels may take the new signs.
class FrmSiteSign : public QDialog {
    Q_OBJECT

public:
    // siteRoot: the row of that site is selected (when opened from the novel dialog).
    FrmSiteSign(LibraryContext& library, const QString& siteRoot = QString(), QWidget* parent = nullptr);
    ~FrmSiteSign() override;

    // The list as it stands.
    QList<SiteSign> rows() const;

    // How an import asks about a differing record; by default the compare window.
    using Comparer =
        std::function<SiteSignTable::Decision(const SiteSign& existing, const SiteSign& imported)>;
    void setComparer(Comparer comparer) { m_comparer = std::move(comparer); }
    bool isBusy() const { return m_job != nullptr; }

Q_SIGNALS:
    // sitesign.xml was written; novelsChanged tells how many novels took the new markers.
    void signsSaved(int novelsChanged);

private:
    void fillList(const QList<SiteSign>& signs);
    void addRow(const SiteSign& sign);
    void setRow(int row, const SiteSign& sign);
    void renumber();
    QList<int> selectedRows() const;

    void onFind(const QString& text);
    void onEdit(int row);
    void onDelete();
    void onImport();
    void onExport(bool selectedOnly);
    void onRefresh();
    void refreshFinished();
    void onOk();

    LibraryContext& m_library;
    Comparer m_comparer;
    std::unique_ptr<Prompter> m_prompter;
    std::unique_ptr<Job> m_job;

    QTreeWidget* m_lstSiteSign = nullptr;
    QLabel* m_lblSum = nullptr;
    QLabel* m_lblSelect = nullptr;
    QLineEdit* m_txtFind = nullptr;
    QPushButton* m_cmdRefresh = nullptr;
};

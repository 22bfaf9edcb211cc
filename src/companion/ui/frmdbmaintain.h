#pragma once

#include <QDialog>

#include <memory>

class LibraryContext;
class MaintenanceJob;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;

// "备份/还原": a two-page wizard that backs up, restores or compacts the library database. The work
// runs off the window's thread; a failure is reported and leaves the wizard on its page.
class FrmDBMaintain : public QDialog {
    Q_OBJECT

public:
    explicit FrmDBMaintain(LibraryContext& library, QWidget* parent = nullptr);
    ~FrmDBMaintain() override;

    // Whether a backup was restored: what the main window shows must be read again.
    bool restored() const { return m_restored; }
    bool isRunning() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    enum class Task { Backup, Restore, Compact };
    Task task() const;
    void showPage(int page);
    void onPrior();
    void onNext();
    void onBrowse();
    void start(MaintenanceJob* job);
    void onFinished();

    LibraryContext& m_library;
    QStackedWidget* m_pages = nullptr;
    QRadioButton* m_optBackup = nullptr;
    QRadioButton* m_optRestore = nullptr;
    QRadioButton* m_optRepair = nullptr;
    QLineEdit* m_txtPath = nullptr;
    QLabel* m_lblStatus = nullptr;
    QPushButton* m_cmdPrior = nullptr;
    QPushButton* m_cmdNext = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    std::unique_ptr<MaintenanceJob> m_job;
    bool m_restored = false;
};

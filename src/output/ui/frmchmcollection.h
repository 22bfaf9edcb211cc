#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class ChmCollectionJob;
class DialogPrompter;
class LibraryContext;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "制作电子书合集": one e-book of the novels chosen in the main window. The book is made here, by a
// job on its own thread; while it runs, Cancel stops it.
class FrmChmCollection : public QDialog {
    Q_OBJECT

public:
    FrmChmCollection(LibraryContext& library, QStringList novelIds, QWidget* parent = nullptr);
    ~FrmChmCollection() override;

    // What opens the finished e-book; the desktop's program by default.
    void setOpener(std::function<void(const QString&)> opener) { m_opener = std::move(opener); }
    ChmCollectionJob* job() const { return m_job; }

    // OK: checks the fields, asks about the picture and starts the job.
    void start();

Q_SIGNALS:
    void generated(const QString& chmPath);

protected:
    void reject() override;

private:
    void browse();
    void finish();

    LibraryContext& m_library;
    QStringList m_novelIds;
    QLineEdit* m_txtName = nullptr;
    QCheckBox* m_chkIndex = nullptr;
    QLineEdit* m_txtImage = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QLabel* m_lblStatus = nullptr;
    QProgressBar* m_progress = nullptr;
    ChmCollectionJob* m_job = nullptr;
    DialogPrompter* m_prompter = nullptr;
    std::function<void(const QString&)> m_opener;
};

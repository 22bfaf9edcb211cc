#pragma once

#include <QDialog>
#include <QPointer>

class LibraryContext;
class NovelAddJob;
class QLabel;
class QLineEdit;
class QPushButton;

// "新增小说" in its smallest form: a name and a table-of-contents address, stored by the core add.
// The address is checked on a worker thread; the dialog stays open with the message when it fails.
class QuickAddDialog : public QDialog {
    Q_OBJECT

public:
    QuickAddDialog(LibraryContext& library, const QString& address, QWidget* parent = nullptr);
    ~QuickAddDialog() override;

    // The new novel's NovelID once accepted.
    QString novelId() const { return m_novelId; }

    void accept() override;
    void reject() override;

private:
    void finishAdd();

    LibraryContext& m_library;
    QLineEdit* m_txtNovelName = nullptr;
    QLineEdit* m_txtListUrl = nullptr;
    QLabel* m_lblStatus = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPointer<NovelAddJob> m_job;
    QString m_novelId;
};

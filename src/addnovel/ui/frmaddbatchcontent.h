#pragma once

#include <QDialog>

class LibraryContext;
class QLineEdit;
class QSpinBox;

// "添加成批章节": chapters of the novel made from a numbered address; the renewal fetches them.
class FrmAddBatchContent : public QDialog {
    Q_OBJECT

public:
    FrmAddBatchContent(LibraryContext& library, const QString& novelId, QWidget* parent = nullptr);

Q_SIGNALS:
    void chaptersAdded(const QString& novelId, int count);

private:
    void onOk();

    LibraryContext& m_library;
    QString m_novelId;
    QLineEdit* m_txtUrl = nullptr;
    QLineEdit* m_txtStart = nullptr;
    QLineEdit* m_txtEnd = nullptr;
    QSpinBox* m_txtLength = nullptr;
};

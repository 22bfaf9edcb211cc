#pragma once

#include <QDialog>

class QLineEdit;

// "插入超链接": the address the design view links the selection to.
class FrmInsertLink : public QDialog {
    Q_OBJECT

public:
    explicit FrmInsertLink(QWidget* parent = nullptr);

    // Trimmed.
    QString address() const;

private:
    void onOk();

    QLineEdit* m_txtUrl = nullptr;
};

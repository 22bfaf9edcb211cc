#pragma once

#include "writer/writerstore.h"

#include <QDialog>

class LibraryContext;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "新增项目" / "编辑项目": one note of the writing assistant. The note is written when OK is pressed;
// a refused form stays open with everything typed.
class FrmAddWriter : public QDialog {
    Q_OBJECT

public:
    // A new note under parentId (0: the top).
    FrmAddWriter(LibraryContext& library, const QString& novelId, qint64 parentId, QWidget* parent = nullptr);
    // The note as it is stored; its type stays.
    FrmAddWriter(LibraryContext& library, const WriterNote& note, QWidget* parent = nullptr);

    // The note written, after the dialog was accepted.
    qint64 noteId() const { return m_id; }

private:
    void build();
    void onOk();
    void onBrowse();
    void onTypeChanged();

    LibraryContext& m_library;
    WriterStore m_store;
    QString m_novelId;
    qint64 m_parentId = 0;
    qint64 m_id = 0; // the note edited, then the note written
    QComboBox* m_cboiType = nullptr;
    QLineEdit* m_txtName = nullptr;
    QLineEdit* m_txtUrl = nullptr;
    QPushButton* m_cmdUrl = nullptr;
    QPlainTextEdit* m_txtRemark = nullptr;
};

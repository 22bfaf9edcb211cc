#pragma once

#include "library/chaptereditor.h"

#include <QDialog>

#include <memory>

class Job;
class LibraryContext;
class QLabel;
class QLineEdit;
class QPushButton;

// "新增章节", "插入章节" or "编辑章节属性": a chapter's title and address. An address is tried before
// the chapter is stored, off the window's thread; OK stores it through the chapter editor.
class FrmAddContent : public QDialog {
    Q_OBJECT

public:
    enum class Mode { New, Insert, Edit };

    // chapterId: the chapter to insert before (Insert) or to edit (Edit).
    FrmAddContent(LibraryContext& library, ChapterEditor& editor, Mode mode, const QString& novelId,
                  qint64 chapterId, QWidget* parent = nullptr);
    ~FrmAddContent() override;

    // What OK stored; valid once the dialog is accepted.
    const ChapterEditor::Result& result() const { return m_result; }
    // A job (address check or search) is still at work.
    bool isWorking() const { return m_job != nullptr; }

    void reject() override;

private:
    void onOk();
    void onFind();
    void startJob(Job* job, const QString& status);
    void jobFinished();
    void store();
    void warn(const QString& text, QWidget* focus);

    LibraryContext& m_library;
    ChapterEditor& m_editor;
    Mode m_mode;
    QString m_novelId;
    qint64 m_chapterId;
    ChapterEditor::Result m_result;
    std::unique_ptr<Job> m_job;

    QLineEdit* m_txtTitle = nullptr;
    QLineEdit* m_txtUrl = nullptr;
    QPushButton* m_cmdFind = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QLabel* m_lblStatus = nullptr;
};

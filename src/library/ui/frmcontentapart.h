#pragma once

#include "library/chaptereditor.h"

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QRadioButton;

// "拆分章节": a chapter cut into several, by a number of characters or where a pattern matches. The
// two choices are the option group optType (buttons optType0 "按字数拆分", optType1 "按字符拆分").
class FrmContentApart : public QDialog {
    Q_OBJECT

public:
    FrmContentApart(ChapterEditor& editor, qint64 chapterId, QWidget* parent = nullptr);

    // What OK stored; valid once the dialog is accepted.
    const ChapterEditor::Result& result() const { return m_result; }

private:
    void onOk();
    void followType();

    ChapterEditor& m_editor;
    qint64 m_chapterId;
    ChapterEditor::Result m_result;

    QButtonGroup* m_optType = nullptr;
    QRadioButton* m_bySize = nullptr;
    QLineEdit* m_txtWordNums = nullptr;
    QLineEdit* m_txtCode = nullptr;
};

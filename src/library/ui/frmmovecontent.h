#pragma once

#include "library/chaptereditor.h"

#include <QDialog>

class LibraryContext;
class QButtonGroup;
class QLineEdit;
class QTreeWidget;

// "章节内容移至": the chosen chapters moved within their novel, or moved or copied to another one,
// before a chapter picked in lstContent. optType holds optType0 "小说间复制", optType1 "本小说内移动"
// and optType2 "小说间移动"; the other novels are in lstNovel. txtContentSearch and txtNovelSearch
// narrow the lists to titles and names holding the text.
class FrmMoveContent : public QDialog {
    Q_OBJECT

public:
    FrmMoveContent(LibraryContext& library, ChapterEditor& editor, const QString& novelId,
                   const QList<qint64>& chapterIds, QWidget* parent = nullptr);

    // What OK stored; valid once the dialog is accepted.
    const ChapterEditor::Result& result() const { return m_result; }

private:
    bool withinNovel() const;
    // The novel whose chapters lstContent shows: this one, or the one picked in lstNovel.
    QString targetNovel() const;
    void followType();
    void fillChapters();
    void fillNovels();
    void onOk();

    LibraryContext& m_library;
    ChapterEditor& m_editor;
    QString m_novelId;
    QList<qint64> m_chapterIds;
    ChapterEditor::Result m_result;

    QButtonGroup* m_optType = nullptr;
    QTreeWidget* m_lstContent = nullptr;
    QLineEdit* m_txtContentSearch = nullptr;
    QTreeWidget* m_lstNovel = nullptr;
    QLineEdit* m_txtNovelSearch = nullptr;
};

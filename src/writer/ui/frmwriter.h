#pragma once

#include "writer/writerchapters.h"
#include "writer/writerstore.h"

#include <QHash>
#include <QMainWindow>

class LibraryContext;
class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWebEngineProfile;
class QWebEngineView;
class MemoryPageHandler;
class WriterNotesTree;

// "小说写作助手": an author's workspace on one novel of the library. The tab "辅助" holds the notes
// (categories of links, texts and pictures, shown in the browser), the tab "章节" the novel's volumes
// and chapters, a chapter's text edited as plain text. Every command writes at once; only the text
// being edited waits for a save, and is never dropped without asking.
class FrmWriter : public QMainWindow {
    Q_OBJECT

public:
    FrmWriter(LibraryContext& library, const QString& novelId, QWidget* parent = nullptr);
    ~FrmWriter() override;

    QString novelId() const { return m_novelId; }
    // Read again from the database (chapters stored meanwhile): the open chapter and its text stay.
    void reloadChapters() { fillNovel(); }
    void reloadNotes();

    // Node keys, kept in the nodes' data.
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int NameRole = Qt::UserRole + 1; // a volume's stored name ("" for 正文)
    // The id in a note's or chapter's key (two characters of type, then the id); 0 for the root.
    static qint64 idOf(const QTreeWidgetItem* item);

Q_SIGNALS:
    // After every change of the novel's chapters: the main window refreshes its counts and list.
    void chaptersChanged(const QString& novelId);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolbars();
    void createLayout();
    QAction* action(const char* name, const QString& caption, void (FrmWriter::*slot)());

    // --- notes ---
    void fillNotes();
    QTreeWidgetItem* noteItem(const WriterNote& note) const;
    QTreeWidgetItem* findNote(qint64 id) const;
    qint64 selectedNoteId() const;
    void showNote(QTreeWidgetItem* item);
    void listNotes(QTreeWidgetItem* parent, qint64 current);
    void showPage(const QString& body);
    bool canDropNote(QTreeWidgetItem* dragged, QTreeWidgetItem* target) const;
    void dropNote(QTreeWidgetItem* dragged, QTreeWidgetItem* target);
    void stepNote(bool down);
    void moveNote(bool up);

    void mnuNew();
    void mnuEdit();
    void mnuUp() { moveNote(true); }
    void mnuDown() { moveNote(false); }
    void mnuDelete();
    void mnuExit() { close(); }

    // --- chapters (frmwriter_chapters.cpp) ---
    void fillNovel(qint64 select = 0);
    QTreeWidgetItem* findChapter(qint64 id) const;
    void onNovelItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void onNovelItemEdited(QTreeWidgetItem* item, int column);
    void showChapter(QTreeWidgetItem* item);
    void showEditor(bool chapter);
    // Selects without the question a switch of chapter asks.
    void selectQuietly(QTreeWidgetItem* item);
    // The unsaved text, before something would drop it: saved (Yes), dropped (No), or kept with the
    // command refused (Cancel, or a save that did not happen).
    bool confirmLeave();
    bool saveChapter();
    void reloadChapter();
    void changed();

    void mnuNewVolume();
    // A chapter just added: shown and chosen, or the message why there is none.
    void showAdded(qint64 id, const QString& error);
    void mnuNewContent();
    void mnuRename();
    void mnuSave();
    void mnuContentUp() { moveChapter(true); }
    void mnuContentDown() { moveChapter(false); }
    void moveChapter(bool up);
    void mnuDelContent();

    void onTabChanged(int index);
    void toolDelete();

    LibraryContext& m_library;
    QString m_novelId;
    WriterStore m_store;
    WriterChapters m_chapters;
    QHash<qint64, WriterNote> m_notes;

    QTabWidget* m_sstab1 = nullptr;
    WriterNotesTree* m_tvwBar = nullptr;
    QTreeWidget* m_tvwNovel = nullptr;
    QTableWidget* m_listView1 = nullptr;
    QPlainTextEdit* m_txtContent = nullptr;
    QWebEngineProfile* m_profile = nullptr;
    MemoryPageHandler* m_pages = nullptr;
    QWebEngineView* m_web1 = nullptr;
    QToolBar* m_tbrWeb = nullptr;
    QToolBar* m_toolbar1 = nullptr;
    QLabel* m_lblRemark = nullptr;
    QSplitter* m_split1 = nullptr;
    QSplitter* m_split2 = nullptr;
    QMenu* m_mnuChapter = nullptr;
    QMenu* m_mnuNote = nullptr;

    QTreeWidgetItem* m_notesRoot = nullptr;
    qint64 m_chapterId = 0; // the chapter in the editor
    bool m_quiet = false;   // filling or selecting by program: no questions, no renames
    int m_pageNumber = 0;
};

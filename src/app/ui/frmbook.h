#pragma once

#include "library/chaptereditor.h"
#include "library/librarylists.h"
#include "renewal/renewjob.h"
#include "sites/sitesearch.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSet>

#include <functional>

class DesktopPrompter;
class FrmMessage;
class FrmFindContent;
class FrmView;
class LibraryContext;
class LibraryTreeWidget;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSplitter;
class QSystemTrayIcon;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class ReadingView;
class RenewScheduler;
class QTimer;
class Job;

// The main window: the tree of categories and novels, the list of novels or chapters, the reading
// view, the menus and tool bars. It wires the commands to the library's operations; what takes time
// runs as a job. The implementation is split by concern: frmbook.cpp (layout, start-up, shutdown),
// frmbook_actions.cpp (menus and tool bars), frmbook_tree.cpp (tree and list), frmbook_commands.cpp
// (ordering, selecting, deleting, finding, novel lists, help), frmbook_reading.cpp (the reading view
// and its pages), frmbook_output.cpp (e-books and exports), frmbook_download.cpp (download runs and
// adding novels), frmbook_chapters.cpp (editing chapters), frmbook_categories.cpp (categories and
// moving novels), frmbook_find.cpp (searching and replacing in chapters).
class FrmBook : public QMainWindow {
    Q_OBJECT

public:
    explicit FrmBook(LibraryContext& library, QWidget* parent = nullptr);
    ~FrmBook() override;

    enum class ListMode { None, Novels, Chapters };

    // The tree and the list.
    void fillTree();
    void setChangeTreeViewText();
    void enableButton();
    QTreeWidgetItem* findNode(const QString& key) const;
    QTreeWidgetItem* findListItem(const QString& key) const;
    // A chapter's row of the list shown again from the database (its text was edited).
    void refreshChapterItem(qint64 chapterId);
    // Selects the node and shows its content; false when there is no such node.
    bool selectNode(const QString& key);
    QTreeWidget* tree() const;
    QTreeWidget* list() const;
    ListMode listMode() const { return m_listMode; }
    // The NovelID of the selected novel node, "" when another kind of node is selected.
    QString currentNovelId() const;

    // The reading view.
    void viewNovelContent(int mode = 0, const QString& anchor = QString());
    void showPreviousChapter();
    void showNextChapter();
    void viewRecentDown(LibraryLists::Recent kind, int count, const QDate& day = QDate());
    void applyDisplaySettings();
    ReadingView* web() const { return m_web1; }
    QString shownNovelId() const { return m_shownNovelId; }
    qint64 shownChapterId() const { return m_shownChapterId; }

    // While a download runs, commands that would conflict with it are refused.
    bool isBusy() const { return m_busy; }
    void setBusy(bool busy);

    // An address handed over on the command line or by a second start.
    void requestAddNovel(const QString& address);
    QString pendingAddress() const { return m_pendingAddress; }

    // Shows the window (or, hidden by the boss key, every window that was shown) in front.
    void bringToFront();

Q_SIGNALS:
    void addNovelRequested(const QString& address);
    // The tree has been filled (start-up timing, tests).
    void treeFilled();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // frmbook.cpp
    void createLayout();
    void applyLayoutSettings();
    void reopenLastChapter();
    void keepRoomToRead(QSplitter* splitter);
    void createTrayIcon();
    void saveWindowState();
    void setStatusText(const QString& text);
    void runJob(Job* job, const std::function<void(Job*)>& done);

    // frmbook_actions.cpp
    QAction* addCommand(const QString& name, const QString& text, void (FrmBook::*slot)());
    QAction* addToggle(const QString& name, const QString& text, const QString& key);
    QAction* command(const QString& name) const;
    void createActions();
    void createMenus();
    void createToolbars();
    void settbrWeb();
    void applySkin();
    QIcon toolIcon(const QString& key) const;
    void setSkin(int skin);
    void toggleView(const QString& key, bool on);

    // frmbook_tree.cpp
    void onCurrentNodeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void nodeClick(QTreeWidgetItem* node);
    void setListMode(ListMode mode);
    void showNovelList(const QString& categoryCode, const QString& nodeText);
    void showChapterList(const QString& novelId);
    void showDayList(int day, const QString& nodeText);
    void updateNovelNode(QTreeWidgetItem* node, const QString& name, int unread, const QString& bIsEnd);
    void setItemRead(QTreeWidgetItem* item, bool read);
    void showChapterCounts(const QString& novelId);
    void onListItemClicked(QTreeWidgetItem* item);
    void onListItemDoubleClicked(QTreeWidgetItem* item);
    void onHeaderClicked(int column);
    void onTreeContextMenu(const QPoint& pos);
    void onListContextMenu(const QPoint& pos);
    void moveNovelsTo(const QStringList& novelIds, const QString& targetKey);
    QStringList selectedNovelIds() const;
    QList<QTreeWidgetItem*> chapterItems() const;
    // What Del and mnuDelete act on: whatever has the focus.
    enum class DeleteTarget { None, Chapters, ListedNovels, Category, Novel };
    DeleteTarget deleteTarget() const;

    // frmbook_commands.cpp
    void mnuBookUp();
    void mnuBookDown();
    void moveNovel(bool up);
    void mnuBookOrderByTitle();
    void mnuBookOrderByDate();
    void mnuLBUp();
    void mnuLBDown();
    void moveCategory(bool up);
    void mnuOrderByTitle();
    void mnuOrderByTime();
    void mnuOrderByUrl();
    void orderChapters(int order);
    void mnuSelectAll();
    void mnuSelectNotReaded();
    void mnuSelectReaded();
    void mnuSelectOther();
    void mnuSelSingleLine();
    void mnuSelectNotRead();
    void mnuSelectFirst();
    void mnuSelectLast();
    void jumpTo(QTreeWidgetItem* item);
    void mnuDelete();
    void mnuBatchDelete();
    void deleteNovels(const QStringList& novelIds);
    void mnuBatchNotReNew();
    void mnuBatchReNew();
    void mnuBookFind();
    void mnuNovelFolder();
    void mnuTitleWidth();
    void mnuProp();
    void mnuAbout();
    void mnuCheck();
    void mnuExit();
    void mnuOut();
    void mnuGet();
    void mnuHelp();

    // frmbook_companions.cpp: the windows around the library
    void mnuBackUp();
    void mnuDayTip();
    void mnuToolbarDefine();
    void mnuMyBooks();
    void mnuBatchAddBook();
    void mnuWriter();
    void mnuNovelArray();
    // The bookcase asks for the library's category and path dialogs.
    void editBookcaseCategory(const QString& code);
    void replaceBookcasePaths(const QList<qint64>& ids);
    // The tree again after the bookcase deleted a category, the selection kept where it can be.
    void refillTree();

    // frmbook_categories.cpp
    void mnuLBAdd();
    void mnuLBEdit();
    void mnuLBMoveTo();
    void mnuMoveNovel();
    void mnuMoveToType();
    // mnuDelete on a category node: the category with its novels.
    void deleteCategory();
    QString currentCategoryCode() const;

    // frmbook_output.cpp
    QString novelForCommand();
    bool startOutput(const QString& command);
    void endOutput(const QString& command);
    // Says in the status bar where an export went and opens what the export asks to open.
    void showWritten(const QString& written, const QString& toOpen);
    void mnuBook();
    void mnuEpub();
    void exportText(int mode, const QString& folder = QString());
    void mnuBookTxt();
    void mnuBookDoc();
    void mnuBookText2();
    void mnuVolText2();
    void mnuAllText();
    void makeFullText(const QString& novelId);
    void mnuListAgain();
    void extListFileGen();
    void mnuVolumeText();
    void extVolumeFileGen();
    void extBooks();
    void makeVolumePages(const QStringList& novelIds, const QString& thenShow);
    void mnuModel();
    void mnuChmCover();
    void mnuChmSet();
    void rewriteContentsPage(const QString& novelId);

    // frmbook_addnovel.cpp
    void createAddNovelActions();
    // The novel dialog: a new novel (novelId empty, with an address handed over or none) or the
    // properties of one.
    class FrmAddNovel* openNovelDialog(const QString& novelId, const QString& address);
    void mnuLastSearch();

    // frmbook_download.cpp
    void createDownloadActions();
    QMenu* createRedownloadMenu(QWidget* parent);
    void startRenewalTimer();
    bool refuseWhileDownloading(const QString& text = QString());
    bool startRenew(const RenewJob::Request& request);
    void setRunning(bool running);
    void mnuNew();
    // The add-novel flow, for mnuNew and for addresses handed over ("addnew").
    void openAddNovel(const QString& address);
    void mnuReNew();
    void mnuAllReNew();
    void mnuReNewLB();
    void renewSelectedNovels(int command);
    void mnuBatchBookReNew();
    void mnuVolumeBatchReNew();
    void mnuOtherInfoBatchReNew();
    void mnuStop();
    void redownload(int command);
    // A chapter without text is offered for download again instead of being marked read.
    void offerRedownload(const QString& novelId, qint64 chapterId);
    void extContentReNew();
    void mnuReNewEmpty();
    void mnuLackPicReNew();
    void mnuPic2TxtReNew();
    void mnuVolumeReNew();
    void mnuOtherInfoReNew();
    void mnuEqual();
    QString downloadListPath() const;
    void showDownloadListPage(const QString& bookName, const QStringList& titles);
    void mnuDownList();
    void setDownloadState(int row, const QString& state);
    void applyDownloadStates();
    QString downloadStateScript(const QList<int>& rows) const;
    void markChanged(const QString& novelId);
    void refreshChangedNovels();
    void reloadChapterList(const QString& novelId);
    void announceChapter(const QString& novelId, qint64 chapterId, const QString& text);

    // frmbook_chapters.cpp
    void createChapterActions();
    void addChapterCommands(QMenu* menu);
    ChapterEditor chapterEditor();
    // The chosen chapters in list order; the one the commands on a single chapter act on.
    QList<qint64> selectedChapterIds() const;
    qint64 currentChapterId() const;
    // Shows the editor's refusal (unknown chapters, a download at work on them); true when refused.
    bool refuseChapters(const QList<qint64>& ids);
    // The chosen chapters when there are at least that many and they may change; otherwise the
    // user is told why and the list is empty.
    QList<qint64> chaptersToChange(int least, const QString& tooFew);
    // The editor's message, or the changed list and counts.
    void showResult(const ChapterEditor::Result& result, const QString& novel, const QList<qint64>& select);
    // After a change: the list again with these chapters chosen, the counts of the novels' nodes.
    void showChangedChapters(const QStringList& novelIds, const QList<qint64>& select);
    void extNewContent();
    void extInsertContent();
    void extContentProp();
    void openAddContent(int mode, qint64 chapterId);
    void extTitleDel();
    void mnuContentTogether();
    void mnuContentApart();
    void mnuUp();
    void mnuDown();
    void moveChapterOne(bool up);
    void mnuContentMove();
    void mnuVolumeSet();

    // frmbook_import.cpp: e-books, folders and files into the library
    void createImportActions();
    void mnuGetchm();
    void mnuGetFolder();
    void mnuGetLocalFile();
    void mnuChm2Htm();
    void runImport(const QString& command, class ImportJob* job, bool newNovel);
    QString categoryForImport() const;

    // frmbook_conversion.cpp
    void createConversionActions();
    void addConversionCommands(QMenu* menu);
    // A conversion or import job runs; mnuStop ends it.
    bool runsStoppableJob() const;
    // Runs an output job that mnuStop ends; the command is available again when it is done.
    void runStoppable(const QString& name, Job* job, const std::function<void(Job*)>& done);
    void convertChosenChapters(const QString& command, int mode);
    void runConversion(const QString& command, const QStringList& novelIds, const QList<qint64>& chapterIds,
                       int mode, bool keepStyledPages);
    void reloadConvertedChapter(const QString& novelId, qint64 chapterId);
    void mnuSetGood();
    void mnubig5();
    void mnuGB2312();
    void mnubig5charset();
    void mnugb2312charset();
    void mnuAutoTypeset();
    void mnuAllSetGood();
    void extContentSetGood();

    // frmbook_find.cpp
    void createFindActions();
    void mnuFind();

    // frmbook_reading.cpp
    bool handleLink(const QUrl& url, bool clicked);
    bool handleReadingKey(int key);
    bool handleListKey(int key);
    void createReadingShortcuts();
    // The list, the title and the commands follow what the reading view shows.
    void followShownPage(const QUrl& url);
    void setShownChapter(const QString& novelId, qint64 chapterId, QTreeWidgetItem* item);
    // After another node is chosen: a page that belongs to none of its chapters goes.
    void followSelectedNode();
    // Something is on screen to read: any page but a blank view or the download list.
    bool isReading() const;
    void showPage(const QString& path, const QString& anchor = QString(), bool forReading = false);
    void selectChapter(const QString& novelId, qint64 chapterId, const QString& anchor);
    void showVolumePage(const QString& novelId, const QString& fileName);
    void showFullText(const QString& novelId);
    void showContentsPage();
    void extLogRead();
    void extLogNotRead();
    void extLogAllRead();
    void extLogAllNotRead();
    void markAll(bool read);
    void mnuContentSet();
    void mnuBookmark();
    void addBookmark(ReadingView* view, bool inViewer);
    void mnuBookmarkEnter();
    void mnuBookmarkList();
    void mnuBookmarkManage();
    void mnuAllScreen();
    void setReadingLayout(bool on);
    void openViewer();
    void mnuDownToday();
    void mnuDownYesterday();
    void mnuDownBefDay();
    void mnuDown100();
    void mnuDown200();
    void mnuDown500();
    void mnuDown1000();
    void mnuDownWait();
    void mnuDownError();
    void mnuTotalView();
    void extIEOpen();
    void editChapter();
    void extContentEdit();
    void editChapterPage(const QString& novelId, qint64 chapterId);
    void openListUrl();
    ReadingView* activeView() const;

    LibraryContext& m_library;
    DesktopPrompter* m_prompter = nullptr;

    QSplitter* m_picSplitter = nullptr;
    QSplitter* m_picVSplit = nullptr;
    QWidget* m_leftPane = nullptr;
    QWidget* m_picSearchBar = nullptr;
    QLineEdit* m_txtSearch = nullptr;
    LibraryTreeWidget* m_tvwBar = nullptr;
    LibraryTreeWidget* m_listView1 = nullptr;
    QWidget* m_fraWeb = nullptr;
    QToolBar* m_toolbar1 = nullptr;
    QToolBar* m_tbrWeb = nullptr;
    ReadingView* m_web1 = nullptr;
    QLabel* m_lblStatus = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
    QMenu* m_mnuNovel = nullptr;
    QMenu* m_extmnuTitle = nullptr;
    QMenu* m_extBookBatch = nullptr;
    QPointer<FrmView> m_frmView;
    QPointer<FrmFindContent> m_frmFindContent;
    QHash<QString, QAction*> m_commands;
    QSet<QString> m_runningCommands; // output commands whose job runs
    QPointer<RenewJob> m_renewJob;
    RenewScheduler* m_scheduler = nullptr;
    QTimer* m_refreshTimer = nullptr;
    QStringList m_changedNovels;  // novels whose chapters a run changed, not yet shown
    QStringList m_downloadStates; // the state cells of the download list page
    QPointer<FrmMessage> m_frmMessage;
    class TrayIcon* m_tray = nullptr;
    QPointer<class FrmBookCase> m_frmBookCase;
    QPointer<class FrmVBWebView> m_frmVBWebView;
    class MusicPlayer* m_musicPlayer = nullptr;
    QHash<QString, QPointer<class FrmWriter>> m_writers;
    class BossGuard* m_bossGuard = nullptr;
    QList<SiteSearchResult> m_lastSearch; // what the last search of the novel dialog found

    ListMode m_listMode = ListMode::None;
    QString m_openNovelKey; // the novel node shown open
    QString m_shownNovelId;
    qint64 m_shownChapterId = 0;
    bool m_busy = false;
    bool m_readingLayout = false;
    bool m_activated = false;
    bool m_closing = false;
    QList<QPointer<Job>> m_jobs;
    QString m_pendingAddress;
};

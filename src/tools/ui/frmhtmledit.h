#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>

#include <functional>
#include <memory>

class ChapterPageEdit;
class DesignFindTarget;
class FrmFindReplace;
class LibraryContext;
class MemoryPageHandler;
class QAction;
class QComboBox;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QToolBar;
class QWebEngineProfile;
class QWebEngineView;
class SourceFindTarget;

// "编辑器": edits one chapter page in a design view, as HTML source and in a preview. Only the chapter
// text between the content markers is edited (a page without them is edited whole); the page is shown
// from memory as if it lay in its novel folder, so no work file is written beside it. Saving writes
// the page in its own charset with the chapter's new word count and closes the window.
class FrmHtmlEdit : public QDialog {
    Q_OBJECT

public:
    FrmHtmlEdit(LibraryContext& library, const QString& novelId, qint64 chapterId, QWidget* parent = nullptr);
    ~FrmHtmlEdit() override;

    // "" when the page was read; else the message. Starts loading the design view.
    QString openPage();
    bool isDesignReady() const { return m_designReady; }

Q_SIGNALS:
    // The design view shows the page and can be edited.
    void designReady();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createMenus();
    void createToolbars();
    QAction* addAction(QMenu* menu, const char* name, const QString& caption, void (FrmHtmlEdit::*slot)());
    QAction* addFormat(const char* key, const QString& caption, const std::function<void()>& work);
    void watchKeys(QObject* view);

    // Calls the editor's script in the design page; done gets its answer while the window lives.
    void script(const QString& call, const std::function<void(const QVariant&)>& done = {});
    int tab() const;
    QWebEnginePage* designPage() const;
    // The design view's text into the source (when the user changed it), then done.
    void webEditSave(const std::function<void()>& done);
    void loadDesign();
    void loadPreview();
    void onDesignLoaded(bool ok);
    void onPreviewLoaded(bool ok);
    // The editor script's call that fills a view with the source's chapter text.
    QString contentCall(bool editable) const;
    void onTabChanged(int index);
    void enableButton();
    // The page's HTML as the source view has it (the view itself is filled only when shown).
    QString source() const;
    void setSource(const QString& text);
    QString designDocument(bool bare) const;
    // Runs work when the design tab is shown; otherwise tells the user where it can be done.
    bool onDesignTab();

    void mnuSave();
    void mnuParse();
    // An edit command on the view shown: the design page's action, or the source box's own.
    void viewCommand(QWebEnginePage::WebAction action, void (QPlainTextEdit::*source)());
    void mnuUndo();
    void mnuRedo();
    void mnuCut();
    void mnuCopy();
    void mnuPaste();
    void mnuDelete();
    void mnuSelectAll();
    void mnuFind();
    void mnuInsertTable();
    void mnuImage();
    void mnuLink();
    void mnuHelp();
    void pasteIntoDesign();
    void tableCommand(const QString& operation);
    void mDomOncontextmenu(const QPoint& position);
    void pickColor(const QString& command);
    void designCommand(const QString& name, const QString& value = QString());

    LibraryContext& m_library;
    QString m_novelId;
    qint64 m_chapterId = 0;
    std::unique_ptr<ChapterPageEdit> m_edit;

    QWebEngineProfile* m_profile = nullptr;
    MemoryPageHandler* m_pages = nullptr;
    QTabWidget* m_tabs = nullptr;
    QWebEngineView* m_webEdit = nullptr;
    QPlainTextEdit* m_txtContent = nullptr;
    QWebEngineView* m_web1 = nullptr;
    QToolBar* m_toolbar1 = nullptr;
    QToolBar* m_toolbar2 = nullptr;
    QComboBox* m_cboFontName = nullptr;
    QComboBox* m_cboFontSize = nullptr;
    QMenu* m_mnuExt = nullptr;
    QList<QAction*> m_tableEntries;
    QList<QAction*> m_designOnly;
    std::unique_ptr<DesignFindTarget> m_designFind;
    std::unique_ptr<SourceFindTarget> m_sourceFind;
    QPointer<FrmFindReplace> m_find;

    QUrl m_designUrl;
    QUrl m_previewUrl;
    int m_loads = 0;
    int m_tab = 0;
    bool m_designReady = false;
    bool m_bare = false;
    bool m_closing = false;
    QString m_source;
    // The source the design view was loaded from: unchanged, the design need not load again.
    QString m_designSource;
};

#include "tools/ui/frmhtmledit.h"

#include "storage/librarycontext.h"
#include "storage/libraryfolder.h"
#include "text/html.h"
#include "tools/chapterpageedit.h"
#include "tools/editorpicture.h"
#include "tools/pastedhtml.h"
#include "tools/tablehtml.h"
#include "tools/ui/designfindtarget.h"
#include "tools/ui/editorscript.h"
#include "tools/ui/frmfindreplace.h"
#include "tools/ui/frminsertimage.h"
#include "tools/ui/frminsertlink.h"
#include "tools/ui/frmtableinsert.h"
#include "tools/ui/sourcefindtarget.h"
#include "widgets/memorypages.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"
#include "widgets/readinginterceptor.h"

#include <QApplication>
#include <QChildEvent>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QVariantMap>
#include <QWebEngineProfile>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

static void initEditorResource() {
    Q_INIT_RESOURCE(editor);
}

namespace {

const QString kArea = QStringLiteral("quiveral-edit-area");

enum Tab { Design = 0, Source = 1, Preview = 2 };

// A page of the editor: it shows what the editor loads and follows no link.
class EditorPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        Q_UNUSED(url)
        return isMainFrame && type == NavigationTypeTyped;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}
};

QFont sourceFont() {
    for (const QString& family : {QStringLiteral("宋体"), QStringLiteral("SimSun")}) {
        if (QFontDatabase::families().contains(family))
            return QFont(family, 9);
    }
    QFont font = QApplication::font();
    font.setPointSize(9);
    return font;
}

// The desktop theme's picture for a tool key; without one the button shows its text.
QIcon themeIcon(const QString& key) {
    static const QHash<QString, QString> names = {
        {QStringLiteral("Save"), QStringLiteral("document-save")},
        {QStringLiteral("Cut"), QStringLiteral("edit-cut")},
        {QStringLiteral("Copy"), QStringLiteral("edit-copy")},
        {QStringLiteral("Paste"), QStringLiteral("edit-paste")},
        {QStringLiteral("Undo"), QStringLiteral("edit-undo")},
        {QStringLiteral("Redo"), QStringLiteral("edit-redo")},
        {QStringLiteral("Find"), QStringLiteral("edit-find")},
        {QStringLiteral("Link"), QStringLiteral("insert-link")},
        {QStringLiteral("Table"), QStringLiteral("insert-table")},
        {QStringLiteral("Image"), QStringLiteral("insert-image")},
        {QStringLiteral("Help"), QStringLiteral("help-contents")},
        {QStringLiteral("Bold"), QStringLiteral("format-text-bold")},
        {QStringLiteral("Italic"), QStringLiteral("format-text-italic")},
        {QStringLiteral("Underline"), QStringLiteral("format-text-underline")},
        {QStringLiteral("JustifyLeft"), QStringLiteral("format-justify-left")},
        {QStringLiteral("JustifyCenter"), QStringLiteral("format-justify-center")},
        {QStringLiteral("JustifyRight"), QStringLiteral("format-justify-right")},
        {QStringLiteral("Indent"), QStringLiteral("format-indent-more")},
        {QStringLiteral("Outdent"), QStringLiteral("format-indent-less")},
        {QStringLiteral("Bullet"), QStringLiteral("format-list-unordered")},
        {QStringLiteral("Number"), QStringLiteral("format-list-ordered")},
        {QStringLiteral("Bring foreward"), QStringLiteral("object-order-raise")},
        {QStringLiteral("Bring backward"), QStringLiteral("object-order-lower")},
        {QStringLiteral("backcolor"), QStringLiteral("format-fill-color")},
        {QStringLiteral("forecolor"), QStringLiteral("format-text-color")},
        {QStringLiteral("Exit"), QStringLiteral("application-exit")},
    };
    return QIcon::fromTheme(names.value(key));
}

} // namespace

FrmHtmlEdit::FrmHtmlEdit(LibraryContext& library, const QString& novelId, qint64 chapterId, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_novelId(novelId)
    , m_chapterId(chapterId) {
    initEditorResource();
    setObjectName(QStringLiteral("frmHtmlEdit"));
    setWindowTitle(tr("编辑器"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setModal(true);
    resize(960, 700);

    const QString libraryPath = library.folder().path();
    m_profile = newReadingProfile(
        libraryPath, this, [libraryPath](const QUrl& url) { return MemoryPages::fileUrl(libraryPath, url); });
    m_pages = new MemoryPageHandler(libraryPath, this);
    m_profile->installUrlSchemeHandler(MemoryPages::schemeName(), m_pages);

    // Page scripts stay off in the design view: what is edited is the page as stored, not what its
    // scripts would make of it. The editor's script runs in a world of its own.
    auto* design = new EditorPage(m_profile, this);
    restrictReadingPage(design->settings(), false);
    // The preview is the reading view's: its own head.js may run, nothing else it would not load.
    auto* preview = new EditorPage(m_profile, this);
    restrictReadingPage(preview->settings(), true);
    QFile script(QStringLiteral(":/editor/editor.js"));
    script.open(QIODevice::ReadOnly);
    QWebEngineScript editor;
    editor.setName(QStringLiteral("quiveralEditor"));
    editor.setSourceCode(QString::fromUtf8(script.readAll()));
    editor.setWorldId(QWebEngineScript::ApplicationWorld);
    editor.setInjectionPoint(QWebEngineScript::DocumentCreation);
    editor.setRunsOnSubFrames(false);
    design->scripts().insert(editor);
    preview->scripts().insert(editor);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_webEdit = new QWebEngineView(m_tabs);
    m_webEdit->setObjectName(QStringLiteral("webEdit"));
    m_webEdit->setPage(design);
    m_webEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    m_txtContent = new QPlainTextEdit(m_tabs);
    m_txtContent->setObjectName(QStringLiteral("txtContent"));
    m_txtContent->setFont(sourceFont());
    m_web1 = new QWebEngineView(m_tabs);
    m_web1->setObjectName(QStringLiteral("Web1"));
    m_web1->setPage(preview);
    m_web1->setContextMenuPolicy(Qt::NoContextMenu);
    m_tabs->addTab(m_webEdit, tr("编辑"));
    m_tabs->addTab(m_txtContent, tr("源代码"));
    m_tabs->addTab(m_web1, tr("预览"));
    m_designFind = std::make_unique<DesignFindTarget>(design);
    m_sourceFind = std::make_unique<SourceFindTarget>(m_txtContent);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createMenus();
    createToolbars();
    layout->addWidget(m_toolbar1);
    layout->addWidget(m_toolbar2);
    layout->addWidget(m_tabs, 1);

    connect(design, &QWebEnginePage::loadFinished, this, &FrmHtmlEdit::onDesignLoaded);
    connect(preview, &QWebEnginePage::loadFinished, this, &FrmHtmlEdit::onPreviewLoaded);
    connect(m_tabs, &QTabWidget::currentChanged, this, &FrmHtmlEdit::onTabChanged);
    connect(m_webEdit, &QWidget::customContextMenuRequested, this, &FrmHtmlEdit::mDomOncontextmenu);
    watchKeys(m_webEdit);
    enableButton();
}

FrmHtmlEdit::~FrmHtmlEdit() {
    // A page going away answers what it still owes with nothing; no one is waiting any more.
    m_closing = true;
    delete m_find;
    // The pages go before the profile they run in.
    for (QWebEngineView* view : {m_webEdit, m_web1}) {
        QWebEnginePage* page = view->page();
        view->setPage(nullptr);
        delete page;
    }
}

QString FrmHtmlEdit::openPage() {
    m_edit = std::make_unique<ChapterPageEdit>(m_library, m_novelId, m_chapterId);
    const QString error = m_edit->open();
    if (!error.isEmpty())
        return error;
    setSource(m_edit->content());
    const QString libraryPath = m_library.folder().path();
    m_designUrl = MemoryPages::urlOf(libraryPath, m_edit->path(), QStringLiteral("design"));
    m_previewUrl = MemoryPages::urlOf(libraryPath, m_edit->path(), QStringLiteral("preview"));
    loadDesign();
    return QString();
}

// --- Menus and tool bars ---

QAction* FrmHtmlEdit::addAction(QMenu* menu, const char* name, const QString& caption,
                                void (FrmHtmlEdit::*slot)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, slot);
    if (menu)
        menu->addAction(action);
    return action;
}

void FrmHtmlEdit::createMenus() {
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    QMenu* file = bar->addMenu(tr("文件(&F)"));
    file->setObjectName(QStringLiteral("mnuFile"));
    addAction(file, "mnuSave", tr("保存"), &FrmHtmlEdit::mnuSave)->setShortcut(QKeySequence::Save);
    addAction(file, "mnuParse", tr("简化"), &FrmHtmlEdit::mnuParse);
    file->addSeparator();
    addAction(file, "mnuExit", tr("退出(&X)"), &FrmHtmlEdit::reject);

    QMenu* edit = bar->addMenu(tr("编辑(&E)"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    addAction(edit, "mnuUndo", tr("撤消"), &FrmHtmlEdit::mnuUndo);
    addAction(edit, "mnuRedo", tr("恢复"), &FrmHtmlEdit::mnuRedo);
    edit->addSeparator();
    addAction(edit, "mnuCut", tr("剪切"), &FrmHtmlEdit::mnuCut);
    addAction(edit, "mnuCopy", tr("复制"), &FrmHtmlEdit::mnuCopy);
    addAction(edit, "mnuPaste", tr("粘贴"), &FrmHtmlEdit::mnuPaste);
    addAction(edit, "mnuDelete", tr("删除"), &FrmHtmlEdit::mnuDelete);
    edit->addSeparator();
    addAction(edit, "mnuSelectAll", tr("全选"), &FrmHtmlEdit::mnuSelectAll);
    addAction(edit, "mnuFind", tr("查找"), &FrmHtmlEdit::mnuFind)->setShortcut(QKeySequence::Find);

    QMenu* insert = bar->addMenu(tr("插入(&I)"));
    insert->setObjectName(QStringLiteral("mnuInsert"));
    addAction(insert, "mnuInsertTable", tr("插入表格"), &FrmHtmlEdit::mnuInsertTable);
    addAction(insert, "mnuImage", tr("插入图片"), &FrmHtmlEdit::mnuImage);
    addAction(insert, "mnuLink", tr("插入超链接"), &FrmHtmlEdit::mnuLink);

    QMenu* help = bar->addMenu(tr("帮助(&H)"));
    help->setObjectName(QStringLiteral("mnuH"));
    addAction(help, "mnuHelp", tr("编辑器帮助"), &FrmHtmlEdit::mnuHelp);

    m_mnuExt = new QMenu(tr("弹出菜单"), this);
    m_mnuExt->setObjectName(QStringLiteral("mnuExt"));
    addAction(m_mnuExt, "extCut", tr("剪切"), &FrmHtmlEdit::mnuCut);
    addAction(m_mnuExt, "extCopy", tr("复制"), &FrmHtmlEdit::mnuCopy);
    addAction(m_mnuExt, "extPaste", tr("粘贴"), &FrmHtmlEdit::pasteIntoDesign);
    m_mnuExt->addSeparator();
    const std::pair<const char*, QString> tableEntries[] = {
        {"extInRow", tr("插入行")},  {"extDelRow", tr("删除行")},    {"extInCol", tr("插入列")},
        {"extDelCol", tr("删除列")}, {"extMerge", tr("合并单元格")}, {"extSplit", tr("拆分单元格")}};
    for (const auto& [name, caption] : tableEntries) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        QString operation = QString::fromLatin1(name + 3); // "extInRow" runs the page's inRow
        operation[0] = operation[0].toLower();
        connect(action, &QAction::triggered, this, [this, operation] { tableCommand(operation); });
        m_mnuExt->addAction(action);
        m_tableEntries << action;
    }
}

QAction* FrmHtmlEdit::addFormat(const char* key, const QString& caption, const std::function<void()>& work) {
    QAction* action = m_toolbar2->addAction(caption);
    action->setObjectName(QStringLiteral("Toolbar2_") + QLatin1String(key));
    action->setProperty("toolKey", QLatin1String(key));
    action->setIcon(themeIcon(QLatin1String(key)));
    action->setToolTip(caption);
    connect(action, &QAction::triggered, this, work);
    m_designOnly << action;
    return action;
}

void FrmHtmlEdit::createToolbars() {
    m_toolbar1 = new QToolBar(this);
    m_toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    const std::pair<const char*, const char*> buttons[] = {
        {"Save", "mnuSave"},         {"Cut", "mnuCut"},     {"Copy", "mnuCopy"}, {"Paste", "mnuPaste"},
        {"Undo", "mnuUndo"},         {"Redo", "mnuRedo"},   {"Find", "mnuFind"}, {"Link", "mnuLink"},
        {"Table", "mnuInsertTable"}, {"Image", "mnuImage"}, {"Help", "mnuHelp"}};
    for (const auto& [key, menu] : buttons) {
        QAction* target = findChild<QAction*>(QLatin1String(menu));
        QAction* button = m_toolbar1->addAction(target->text());
        button->setObjectName(QStringLiteral("Toolbar1_") + QLatin1String(key));
        button->setProperty("toolKey", QLatin1String(key));
        button->setIcon(themeIcon(QLatin1String(key)));
        connect(button, &QAction::triggered, target, &QAction::trigger);
        if (qstrcmp(key, "Save") == 0 || qstrcmp(key, "Redo") == 0 || qstrcmp(key, "Find") == 0 ||
            qstrcmp(key, "Image") == 0)
            m_toolbar1->addSeparator();
    }

    m_toolbar2 = new QToolBar(this);
    m_toolbar2->setObjectName(QStringLiteral("Toolbar2"));
    const auto web = [this](QWebEnginePage::WebAction action) {
        return [this, action] { designPage()->triggerAction(action); };
    };
    addFormat("Bold", tr("粗体"), web(QWebEnginePage::ToggleBold));
    addFormat("Italic", tr("斜体"), web(QWebEnginePage::ToggleItalic));
    addFormat("Underline", tr("下划线"), web(QWebEnginePage::ToggleUnderline));
    m_toolbar2->addSeparator();
    addFormat("JustifyLeft", tr("左对齐"), web(QWebEnginePage::AlignLeft));
    addFormat("JustifyCenter", tr("居中"), web(QWebEnginePage::AlignCenter));
    addFormat("JustifyRight", tr("右对齐"), web(QWebEnginePage::AlignRight));
    addFormat("Indent", tr("增加缩进"), web(QWebEnginePage::Indent));
    addFormat("Outdent", tr("减少缩进"), web(QWebEnginePage::Outdent));
    addFormat("Bullet", tr("项目符号"), web(QWebEnginePage::InsertUnorderedList));
    addFormat("Number", tr("编号"), web(QWebEnginePage::InsertOrderedList));
    m_toolbar2->addSeparator();
    addFormat("Bring foreward", tr("上移一层"), [this] { script(QStringLiteral("raise(1)")); });
    addFormat("Bring backward", tr("下移一层"), [this] { script(QStringLiteral("raise(-1)")); });
    addFormat("Make Absolute", tr("绝对定位"), [this] { script(QStringLiteral("toggleAbsolute()")); });
    addFormat("backcolor", tr("背景色"), [this] { pickColor(QStringLiteral("backColor")); });
    addFormat("forecolor", tr("文字颜色"), [this] { pickColor(QStringLiteral("foreColor")); });
    m_toolbar2->addSeparator();

    m_cboFontName = new QComboBox(m_toolbar2);
    m_cboFontName->setObjectName(QStringLiteral("cboFontName"));
    m_cboFontName->addItems({QStringLiteral("宋体"),
                             QStringLiteral("黑体"),
                             QStringLiteral("楷体_GB2312"),
                             QStringLiteral("仿宋_GB2312"),
                             QStringLiteral("隶书"),
                             QStringLiteral("幼圆"),
                             QStringLiteral("新宋体"),
                             QStringLiteral("细明体"),
                             QStringLiteral("Arial"),
                             QStringLiteral("Arial Black"),
                             QStringLiteral("Arial Narrow"),
                             QStringLiteral("Century Gothic"),
                             QStringLiteral("Comic Sans MS"),
                             QStringLiteral("Courier"),
                             QStringLiteral("Courier New"),
                             QStringLiteral("MS Sans Serif"),
                             QStringLiteral("Script"),
                             QStringLiteral("System"),
                             QStringLiteral("Times New Roman"),
                             QStringLiteral("Viner Hand ITC"),
                             QStringLiteral("Verdana"),
                             QStringLiteral("Wingdings")});
    m_cboFontName->setCurrentIndex(-1);
    m_cboFontName->setPlaceholderText(tr("字体"));
    connect(m_cboFontName, &QComboBox::textActivated, this,
            [this](const QString& name) { designCommand(QStringLiteral("fontName"), name); });
    m_cboFontSize = new QComboBox(m_toolbar2);
    m_cboFontSize->setObjectName(QStringLiteral("cboFontSize"));
    const int points[] = {8, 10, 12, 14, 18, 24, 36};
    for (int size = 1; size <= 7; ++size)
        m_cboFontSize->addItem(tr("%1 (%2 磅)").arg(size).arg(points[size - 1]), size);
    m_cboFontSize->setCurrentIndex(-1);
    m_cboFontSize->setPlaceholderText(tr("字号"));
    connect(m_cboFontSize, &QComboBox::activated, this, [this](int index) {
        designCommand(QStringLiteral("fontSize"), m_cboFontSize->itemData(index).toString());
    });
    m_designOnly << m_toolbar2->addWidget(m_cboFontName) << m_toolbar2->addWidget(m_cboFontSize);
    m_toolbar2->addSeparator();
    QAction* exit = m_toolbar2->addAction(tr("退出"));
    exit->setObjectName(QStringLiteral("Toolbar2_Exit"));
    exit->setProperty("toolKey", QStringLiteral("Exit"));
    exit->setIcon(themeIcon(QStringLiteral("Exit")));
    connect(exit, &QAction::triggered, this, &FrmHtmlEdit::reject);
}

// --- Views ---

void FrmHtmlEdit::script(const QString& call, const std::function<void(const QVariant&)>& done) {
    if (!done) {
        EditorScript::run(designPage(), call);
        return;
    }
    EditorScript::run(designPage(), call, [this, done](const QVariant& answer) {
        if (!m_closing)
            done(answer);
    });
}

int FrmHtmlEdit::tab() const {
    return m_tabs->currentIndex();
}

QWebEnginePage* FrmHtmlEdit::designPage() const {
    return m_webEdit->page();
}

QString FrmHtmlEdit::source() const {
    return tab() == Source ? m_txtContent->toPlainText() : m_source;
}

void FrmHtmlEdit::setSource(const QString& text) {
    m_source = text;
    // The source view is filled when it is shown: a large page takes it seconds to lay out.
    if (tab() == Source)
        m_txtContent->setPlainText(text);
}

// The page around the chapter text; the text itself goes in by script once the page is there, as a
// page served whole from memory loads many times slower.
QString FrmHtmlEdit::designDocument(bool bare) const {
    const QString area = QStringLiteral("<div id=\"%1\"></div>").arg(kArea);
    if (bare)
        return QStringLiteral(
                   "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>%1</body></html>")
            .arg(area);
    return m_edit->hasMarkers() ? m_edit->pageWith(area) : source();
}

QString FrmHtmlEdit::contentCall(bool editable) const {
    // A page without markers came whole.
    if (!m_edit->hasMarkers())
        return QStringLiteral("start(undefined, %1)").arg(editable ? u"true" : u"false");
    return QStringLiteral("start(%1, %2)").arg(EditorScript::quoted(source()), editable ? u"true" : u"false");
}

void FrmHtmlEdit::loadDesign() {
    m_designReady = false;
    m_designSource = source();
    // A new address each time: the browser must not take the last document from its cache.
    m_designUrl.setQuery(QStringLiteral("design=%1").arg(++m_loads));
    m_pages->setPage(m_designUrl, designDocument(m_bare));
    m_webEdit->load(m_designUrl);
}

void FrmHtmlEdit::loadPreview() {
    m_previewUrl.setQuery(QStringLiteral("preview=%1").arg(++m_loads));
    m_pages->setPage(m_previewUrl, m_edit->hasMarkers() ? m_edit->pageWith(QString()) : source());
    m_web1->load(m_previewUrl);
}

void FrmHtmlEdit::onPreviewLoaded(bool ok) {
    if (ok && m_web1->page()->url() == m_previewUrl)
        EditorScript::run(m_web1->page(), contentCall(false));
}

void FrmHtmlEdit::onDesignLoaded(bool ok) {
    if (!ok || designPage()->url() != m_designUrl)
        return;
    const QUrl loaded = m_designUrl;
    script(contentCall(true), [this, loaded](const QVariant& mode) {
        if (loaded != m_designUrl)
            return; // loaded again meanwhile
        // Markers where no element may stand (in a title, a script) leave the text without its box:
        // it is then edited on a plain page of its own.
        if (m_edit->hasMarkers() && mode.toString() != QLatin1String("area") && !m_bare) {
            m_bare = true;
            loadDesign();
            return;
        }
        m_designReady = true;
        Q_EMIT designReady();
    });
}

void FrmHtmlEdit::webEditSave(const std::function<void()>& done) {
    if (!m_designReady) {
        done();
        return;
    }
    // Only an edited design replaces the source: the browser writes HTML its own way.
    script(QStringLiteral("changedHtml()"), [this, done](const QVariant& answer) {
        if (!answer.isNull() && answer.isValid()) {
            setSource(answer.toString());
            m_designSource = source();
        }
        done();
    });
}

void FrmHtmlEdit::onTabChanged(int index) {
    const int previous = m_tab;
    m_tab = index;
    enableButton();
    if (previous == Source)
        m_source = m_txtContent->toPlainText();
    if (index == Source && m_txtContent->toPlainText() != m_source)
        m_txtContent->setPlainText(m_source);
    if (previous == Design) {
        webEditSave([this] {
            if (tab() == Preview)
                loadPreview();
        });
        return;
    }
    if (index == Preview)
        loadPreview();
    else if (index == Design && m_source != m_designSource)
        loadDesign();
}

// The design tab's buttons work only there: on the other tabs they are greyed (UnableButton).
void FrmHtmlEdit::enableButton() {
    const bool design = tab() == Design;
    for (QAction* action : m_designOnly)
        action->setEnabled(design);
    for (const char* name : {"mnuUndo", "mnuRedo", "mnuCut", "mnuPaste", "mnuDelete", "mnuFind"})
        findChild<QAction*>(QLatin1String(name))->setEnabled(tab() != Preview);
}

bool FrmHtmlEdit::onDesignTab() {
    if (tab() == Design)
        return true;
    Messages::warning(this, tr("请在编辑页面进行此项操作"));
    return false;
}

void FrmHtmlEdit::watchKeys(QObject* view) {
    view->installEventFilter(this);
    for (QObject* child : view->children())
        if (child->isWidgetType())
            child->installEventFilter(this);
}

bool FrmHtmlEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_webEdit && event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            child->installEventFilter(this);
    }
    if (watched != m_webEdit &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        // Pasting is the window's: the page would take a word processor's HTML as it is.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste) ||
            (key->key() == Qt::Key_Insert && key->modifiers() == Qt::ShiftModifier)) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                pasteIntoDesign();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmHtmlEdit::keyPressEvent(QKeyEvent* event) {
    // Escape would throw the edits away unasked; 退出 does that on purpose.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

// --- Commands ---

void FrmHtmlEdit::mnuSave() {
    const auto commit = [this] {
        const QString error = m_edit->save(source());
        if (!error.isEmpty()) {
            Messages::warning(this, error);
            return;
        }
        accept();
    };
    if (tab() == Design)
        webEditSave(commit);
    else
        commit();
}

void FrmHtmlEdit::mnuParse() {
    const auto simplify = [this] {
        setSource(cleanWordHtml(source()));
        if (tab() == Design)
            loadDesign();
        else if (tab() == Preview)
            loadPreview();
    };
    if (tab() == Design)
        webEditSave(simplify);
    else
        simplify();
}

void FrmHtmlEdit::designCommand(const QString& name, const QString& value) {
    script(QStringLiteral("command(%1, %2)").arg(EditorScript::quoted(name), EditorScript::quoted(value)));
}

void FrmHtmlEdit::viewCommand(QWebEnginePage::WebAction action, void (QPlainTextEdit::*source)()) {
    if (tab() == Design)
        designPage()->triggerAction(action);
    else if (tab() == Source)
        (m_txtContent->*source)();
    else if (action == QWebEnginePage::Copy)
        m_web1->page()->triggerAction(action); // the preview only reads
}

void FrmHtmlEdit::mnuUndo() {
    viewCommand(QWebEnginePage::Undo, &QPlainTextEdit::undo);
}

void FrmHtmlEdit::mnuRedo() {
    viewCommand(QWebEnginePage::Redo, &QPlainTextEdit::redo);
}

void FrmHtmlEdit::mnuCut() {
    viewCommand(QWebEnginePage::Cut, &QPlainTextEdit::cut);
}

void FrmHtmlEdit::mnuCopy() {
    viewCommand(QWebEnginePage::Copy, &QPlainTextEdit::copy);
}

void FrmHtmlEdit::mnuPaste() {
    if (tab() == Design)
        pasteIntoDesign();
    else if (tab() == Source)
        m_txtContent->paste();
}

void FrmHtmlEdit::pasteIntoDesign() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return;
    if (data->hasHtml())
        script(QStringLiteral("insertHtml(%1)").arg(EditorScript::quoted(cleanPastedHtml(data->html()))));
    else if (data->hasText())
        script(QStringLiteral("insertText(%1)").arg(EditorScript::quoted(data->text())));
}

void FrmHtmlEdit::mnuDelete() {
    if (tab() == Design)
        designCommand(QStringLiteral("delete"));
    else if (tab() == Source)
        m_txtContent->textCursor().removeSelectedText();
}

void FrmHtmlEdit::mnuSelectAll() {
    if (tab() == Design)
        script(QStringLiteral("selectAll()"));
    else if (tab() == Source)
        m_txtContent->selectAll();
    else
        m_web1->page()->triggerAction(QWebEnginePage::SelectAll);
}

void FrmHtmlEdit::mnuFind() {
    EditorFindTarget* target = tab() == Design ? static_cast<EditorFindTarget*>(m_designFind.get())
                                               : static_cast<EditorFindTarget*>(m_sourceFind.get());
    if (!m_find) {
        m_find = new FrmFindReplace(target, this);
        m_find->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_tabs, &QTabWidget::currentChanged, m_find, [this](int index) {
            m_find->setTarget(index == Design ? static_cast<EditorFindTarget*>(m_designFind.get())
                                              : static_cast<EditorFindTarget*>(m_sourceFind.get()));
        });
    }
    m_find->setTarget(target);
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
}

void FrmHtmlEdit::mnuInsertTable() {
    if (!onDesignTab())
        return;
    script(QStringLiteral("tableAttributes()"), [this](const QVariant& answer) {
        const QVariantMap current = answer.toMap();
        FrmTableInsert dialog(this);
        if (!current.isEmpty()) {
            // The caret stands in a table: the dialog edits that table's attributes.
            TableFields fields;
            const auto value = [&current](const char* name) {
                return current.value(QLatin1String(name)).toString();
            };
            fields.align = value("align").toLower();
            fields.border = value("border");
            fields.cellPadding = value("cellpadding");
            fields.cellSpacing = value("cellspacing");
            fields.width = value("width");
            fields.height = value("height");
            fields.useWidth = !fields.width.isEmpty();
            fields.useHeight = !fields.height.isEmpty();
            dialog.setExisting(fields);
        }
        if (dialog.exec() != QDialog::Accepted)
            return;
        const TableFields fields = dialog.fields();
        if (current.isEmpty()) {
            script(QStringLiteral("insertHtml(%1)").arg(EditorScript::quoted(TableHtml::html(fields))));
            return;
        }
        QVariantMap values;
        values.insert(QStringLiteral("align"), fields.align);
        values.insert(QStringLiteral("border"), fields.border);
        values.insert(QStringLiteral("cellpadding"), fields.cellPadding);
        values.insert(QStringLiteral("cellspacing"), fields.cellSpacing);
        values.insert(QStringLiteral("width"), fields.useWidth ? fields.width : QString());
        values.insert(QStringLiteral("height"), fields.useHeight ? fields.height : QString());
        const QByteArray json =
            QJsonDocument(QJsonObject::fromVariantMap(values)).toJson(QJsonDocument::Compact);
        script(QStringLiteral("setTableAttributes(%1)").arg(QString::fromUtf8(json)));
    });
}

void FrmHtmlEdit::mnuImage() {
    if (!onDesignTab())
        return;
    FrmInsertImage dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const EditorPicture picture =
        placeEditorPicture(m_library.folder(), m_novelId, m_chapterId, dialog.address());
    if (!picture.error.isEmpty()) {
        Messages::warning(this, picture.error);
        return;
    }
    designCommand(QStringLiteral("insertImage"), picture.src);
}

void FrmHtmlEdit::mnuLink() {
    if (!onDesignTab())
        return;
    script(QStringLiteral("selectedText()"), [this](const QVariant& selected) {
        FrmInsertLink dialog(this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const QString url = dialog.address();
        // A link needs text to stand on; without a selection the address is its text.
        if (selected.toString().isEmpty()) {
            const QString link = QStringLiteral("<a href=\"%1\">%1</a>").arg(url.toHtmlEscaped());
            script(QStringLiteral("insertHtml(%1)").arg(EditorScript::quoted(link)));
        } else {
            designCommand(QStringLiteral("createLink"), url);
        }
    });
}

void FrmHtmlEdit::mnuHelp() {
    const QString page = LibraryFolder::shippedDataDir() + QStringLiteral("/help/common/内容编辑.htm");
    if (!QFile::exists(page)) {
        Messages::warning(this, tr("找不到帮助文件：") + page);
        return;
    }
    openWithShell(page, this);
}

void FrmHtmlEdit::tableCommand(const QString& operation) {
    script(QStringLiteral("table(%1)").arg(EditorScript::quoted(operation)));
}

void FrmHtmlEdit::mDomOncontextmenu(const QPoint& position) {
    if (!m_designReady)
        return;
    const QPoint global = m_webEdit->mapToGlobal(position);
    script(QStringLiteral("bIsCursorInTableCell()"), [this, global](const QVariant& inCell) {
        for (QAction* action : m_tableEntries)
            action->setEnabled(inCell.toBool());
        m_mnuExt->popup(global);
    });
}

void FrmHtmlEdit::pickColor(const QString& command) {
    // The text colour starts from the page's usual dark grey.
    const QColor current =
        command == QLatin1String("foreColor") ? QColor(0x33, 0x33, 0x33) : QColor(Qt::white);
    const QColor color = Messages::color(this, tr("颜色"), current);
    if (color.isValid())
        designCommand(command, color.name(QColor::HexRgb).toUpper());
}

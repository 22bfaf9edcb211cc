#pragma once

#include "addnovel/listpagecheckjob.h"
#include "sites/sitesearch.h"
#include "storage/novelrecord.h"

#include <QDialog>
#include <QList>

#include <functional>
#include <memory>
#include <optional>

class DialogPrompter;
class Job;
class LibraryContext;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTemporaryDir;
class QToolBar;

// The novel dialog: a new novel ("新增小说") or the properties of a stored one. Checks what the user
// typed, looks a novel up by name on the web or on the novel sites, and stores the novel. Every check
// and search runs as a job; while one runs, cmdOK is the stop button.
class FrmAddNovel : public QDialog {
    Q_OBJECT

public:
    // novelId empty: a new novel; otherwise the properties of that novel.
    FrmAddNovel(LibraryContext& library, const QString& novelId = QString(), QWidget* parent = nullptr);
    ~FrmAddNovel() override;

    // An address handed over ("address" or "address||page title"), as from the browser; it wins over
    // the clipboard.
    void setHandedAddress(const QString& text);
    // A novel offered by a web page: its name as the page's link says it and its contents address.
    void setHandedNovel(const QString& name, const QString& address);

    bool isNew() const { return m_novelId.isEmpty() || m_isNew; }
    // After acceptance: the stored novel.
    QString novelId() const { return m_novelId; }
    QString novelName() const;
    QString listStyle() const;
    bool isBusy() const { return m_job != nullptr; }

    // The results of the last search, for "LastSearch" and the tests.
    const QList<SiteSearchResult>& lastResults() const { return m_lastResults; }

    // How a result is chosen; by default the list window. Returns the index, -1 for none.
    using Chooser = std::function<int(const QList<SiteSearchResult>&, QWidget*)>;
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

Q_SIGNALS:
    // A novel was stored; isNew tells a new one from changed properties. The main window adds or renames
    // its tree node and, for a new novel with bIsNovelNewDown on, renews it. The novel's information
    // ("读取其他信息") is read here, before storing.
    void novelStored(const QString& novelId, const QString& name, bool isNew);
    // Windows of the site settings this dialog asks the main window to open over it: the search sites
    // ("是否进行设置？" answered yes after a search found nothing, or no site to search), the novel's
    // filtered links, the site signs with the novel's site chosen (also when the site has none yet).
    void siteSettingsRequested();
    void filterLinksRequested(const QString& novelId);
    void siteSignsRequested(const QString& siteRoot);

private:
    enum class Search { Name, Author, MoreSite };

    void buildControls();
    void loadNovel();
    void takeClipboardAddress();

    void onOk();
    void onSearch(Search kind);
    void onLastSearch();
    // The site of the typed address; warns and gives nothing when it has none.
    std::optional<QString> checkedSiteRoot();
    void onSiteSignGet();
    void onSiteSignSave();
    void onBookImage();

    // Checks of cmdOK once the list address is known to answer (or is local).
    void finishOk(const QString& pageName, const NovelInformation& information = NovelInformation());
    // Fills the author, brief and cover the user left empty.
    void takeInformation(const NovelInformation& information);
    // A new novel of a site without a sign: says so and offers the site signs. False to stay open.
    bool acceptMissingSign();
    bool checkName(const QString& name);
    NovelRecord recordOfControls(const QString& name) const;
    QString joinPagesValue() const; // bIsJoinPages of the novel: "1", "0" or "" (the setting)
    // The markers typed (or taken from the sign); none at all means the site sign's.
    std::optional<NovelMarkers> typedMarkers() const;
    ListPageCheckJob::InformationRequest informationRequest();
    void storeNew(const QString& name);
    void storeProperties(const QString& name);

    void startJob(Job* job);
    void jobFinished();
    void searchFinished();
    void offerResults(const QList<SiteSearchResult>& results);

    void warn(const QString& text, QWidget* focus);
    QString siteSignPath() const;

    LibraryContext& m_library;
    QString m_novelId;
    bool m_isNew = true;
    QString m_coverSource; // a cover chosen for a novel that has no folder yet
    // A cover read from the site for a novel that has no folder yet, and the folder it waits in.
    QString m_readCover;
    std::unique_ptr<QTemporaryDir> m_readCovers;
    QList<SiteSearchResult> m_lastResults;
    Search m_searchKind = Search::Name;
    QString m_searchText;
    Chooser m_chooser;

    std::unique_ptr<DialogPrompter> m_prompter;
    std::unique_ptr<Job> m_job;

    QLineEdit* m_txtNovelName = nullptr;
    QLineEdit* m_txtListUrl = nullptr;
    QComboBox* m_cboLB = nullptr;
    QComboBox* m_cboShowType = nullptr;
    QLineEdit* m_txtAuthor = nullptr;
    QPlainTextEdit* m_txtBrief = nullptr;
    QLineEdit* m_txtBookImg = nullptr;
    QPushButton* m_cmdBookImage = nullptr;
    QCheckBox* m_chkbIsEnd = nullptr;
    QCheckBox* m_chkJoinPages = nullptr; // partly checked: as the settings say (bIsJoinPages)
    QCheckBox* m_chkAutoRead = nullptr;
    QGroupBox* m_fraSign = nullptr;
    QLineEdit* m_txtListStart = nullptr;
    QLineEdit* m_txtListEnd = nullptr;
    QLineEdit* m_txtVolumeStart = nullptr;
    QLineEdit* m_txtVolumeEnd = nullptr;
    QLineEdit* m_txtContentStart = nullptr;
    QLineEdit* m_txtContentEnd = nullptr;
    QLineEdit* m_txtNeedDelStr = nullptr;
    QPushButton* m_cmdSiteSignGet = nullptr;
    QPushButton* m_cmdSiteSignSave = nullptr;
    QToolBar* m_cmdFind = nullptr;
    QPushButton* m_cmdMoreSet = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QLabel* m_lblStatus = nullptr;
};

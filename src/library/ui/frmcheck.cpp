#include "library/ui/frmcheck.h"

#include "library/checkpage.h"
#include "storage/librarycontext.h"
#include "widgets/dialogbuttons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

FrmCheck::FrmCheck(LibraryContext& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmCheck"));
    setWindowTitle(tr("常见问题检测"));
    resize(640, 460);
    m_txtCheck = new QTextBrowser(this);
    m_txtCheck->setObjectName(QStringLiteral("txtCheck"));
    m_cmdCheck = namedButton(this, "cmdCheck", tr("重新检测"));
    QPushButton* ok = namedButton(this, "cmdOK", tr("确定"));
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdCheck);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_txtCheck, 1);
    layout->addLayout(buttons);
    connect(m_cmdCheck, &QPushButton::clicked, this, &FrmCheck::startCheck);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    startCheck();
}

FrmCheck::~FrmCheck() {
    if (m_job) {
        m_job->disconnect(this);
        m_job->stopAndWait();
    }
}

void FrmCheck::startCheck() {
    if (m_job)
        return;
    m_lines = SystemCheck::pendingLines();
    showLines();
    m_job = std::make_unique<SystemCheck>(m_library.settings(),
                                          m_library.settings().value(QStringLiteral("NetCheckUrl")));
    connect(
        m_job.get(), &SystemCheck::lineChecked, this,
        [this](int index, const CheckLine& line) {
            if (index >= 0 && index < m_lines.size())
                m_lines[index] = line;
            showLines();
        },
        Qt::QueuedConnection);
    connect(
        m_job.get(), &Job::finished, this,
        [this] {
            if (m_job)
                m_job->wait();
            m_job.reset();
            m_cmdCheck->setEnabled(true);
        },
        Qt::QueuedConnection);
    m_cmdCheck->setEnabled(false);
    m_job->start();
}

void FrmCheck::showLines() {
    m_txtCheck->setHtml(CheckPage::html(m_lines));
}

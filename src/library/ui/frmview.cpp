#include "library/ui/frmview.h"

#include "library/readingpages.h"
#include "library/ui/readingview.h"
#include "text/html.h"

#include <QActionGroup>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

FrmView::FrmView(const QString& libraryPath, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmView"));
    setWindowTitle(tr("Quiveral"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_web = new ReadingView(libraryPath, this);
    m_web->setObjectName(QStringLiteral("webView"));
    m_web->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_web);

    m_tmrTurn = new QTimer(this);
    m_tmrTurn->setObjectName(QStringLiteral("tmrTurn"));
    connect(m_tmrTurn, &QTimer::timeout, this, &FrmView::nextRequested);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("mnuView"));
    m_menu->addAction(tr("上一章"), this, &FrmView::previousRequested)
        ->setObjectName(QStringLiteral("mnuPrior"));
    m_menu->addAction(tr("下一章"), this, &FrmView::nextRequested)->setObjectName(QStringLiteral("mnuNext"));
    m_menu->addAction(tr("回目录"), this, &FrmView::contentsRequested)
        ->setObjectName(QStringLiteral("mnuList"));
    m_menu->addSeparator();
    m_menu->addAction(tr("自动排版"), this, &FrmView::autoFormat)
        ->setObjectName(QStringLiteral("mnuAutoType"));
    QMenu* turn = m_menu->addMenu(tr("自动翻页"));
    turn->setObjectName(QStringLiteral("mnuAutoTurn"));
    auto* group = new QActionGroup(this);
    for (int seconds : {0, 30, 60, 90, 120, 180, 300}) {
        QAction* a = turn->addAction(seconds == 0 ? tr("无") : QString::number(seconds) + tr("秒"));
        a->setObjectName(QStringLiteral("mnuTurn%1").arg(seconds));
        a->setCheckable(true);
        a->setChecked(seconds == 0);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, seconds] { setAutoTurn(seconds); });
    }
    m_menu->addSeparator();
    m_menu->addAction(tr("阅读设置"), this, &FrmView::contentSetRequested)
        ->setObjectName(QStringLiteral("mnuContentSet"));
    m_menu->addAction(tr("添加书签"), this, &FrmView::bookmarkRequested)
        ->setObjectName(QStringLiteral("mnuBookmark"));
    m_menu->addSeparator();
    m_menu->addAction(tr("退出全屏"), this, &QWidget::close)->setObjectName(QStringLiteral("mnuExitFull"));
    connect(m_web, &QWidget::customContextMenuRequested, this, &FrmView::showMenu);
}

void FrmView::setAutoTurn(int seconds) {
    m_autoTurnSeconds = seconds;
    if (seconds > 0)
        m_tmrTurn->start(seconds * 1000);
    else
        m_tmrTurn->stop();
    const QString name = QStringLiteral("mnuTurn%1").arg(seconds);
    for (QAction* a : findChildren<QAction*>())
        if (a->objectName().startsWith(QLatin1String("mnuTurn")))
            a->setChecked(a->objectName() == name);
}

void FrmView::hideEvent(QHideEvent* event) {
    stopAutoTurn();
    QWidget::hideEvent(event);
}

void FrmView::showMenu(const QPoint& pos) {
    m_menu->popup(m_web->mapToGlobal(pos));
}

void FrmView::autoFormat() {
    // Paragraphs are remade for reading only; the chapter file stays as it is.
    QString html;
    if (!m_web->url().isLocalFile() || !ReadingPages::readPageText(m_web->url().toLocalFile(), html))
        return;
    const QString content = getStyledPageContent(html);
    if (content == QLatin1String("-1"))
        return;
    const QString literal =
        QString::fromUtf8(QJsonDocument::fromVariant(QVariantList{content}).toJson(QJsonDocument::Compact));
    m_web->page()->runJavaScript(
        QStringLiteral(
            "(function(c){var e=document.querySelector('.content')||document.body;e.innerHTML=c;})(%1[0]);")
            .arg(literal));
}

#include "library/ui/frmmessage.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

FrmMessage::FrmMessage(const QString& novelId, qint64 chapterId, const QString& text, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_novelId(novelId)
    , m_chapterId(chapterId) {
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(tr("消息"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedWidth(300);

    auto* layout = new QVBoxLayout(this);
    m_lblMessage = new QLabel(text, this);
    m_lblMessage->setObjectName(QStringLiteral("lblMessage"));
    m_lblMessage->setWordWrap(true);
    m_lblMessage->setCursor(Qt::PointingHandCursor);
    m_lblMessage->setStyleSheet(QStringLiteral("color: #1a4f9c;"));
    m_lblMessage->installEventFilter(this);
    layout->addWidget(m_lblMessage, 1);

    auto* bottom = new QHBoxLayout;
    m_lblRecent = new QLabel(tr("最近100章"), this);
    m_lblRecent->setObjectName(QStringLiteral("lblRecent"));
    m_lblRecent->setCursor(Qt::PointingHandCursor);
    m_lblRecent->setStyleSheet(QStringLiteral("color: #1a4f9c; text-decoration: underline;"));
    m_lblRecent->installEventFilter(this);
    bottom->addWidget(m_lblRecent);
    bottom->addStretch();
    m_lblTime = new QLabel(this);
    m_lblTime->setObjectName(QStringLiteral("lblTime"));
    m_lblTime->setStyleSheet(QStringLiteral("color: #888;"));
    bottom->addWidget(m_lblTime);
    layout->addLayout(bottom);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &FrmMessage::tick);
    m_timer->start();
    m_lblTime->setText(tr("%1秒后关闭").arg(m_secondsLeft));
    placeInCorner();
}

void FrmMessage::placeInCorner() {
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - width() - 12, area.bottom() - sizeHint().height() - 40);
    }
}

void FrmMessage::tick() {
    if (--m_secondsLeft <= 0) {
        m_timer->stop();
        close();
        return;
    }
    m_lblTime->setText(tr("%1秒后关闭").arg(m_secondsLeft));
}

void FrmMessage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FrmMessage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == m_lblMessage) {
            Q_EMIT chapterRequested(m_novelId, m_chapterId);
            close();
            return true;
        }
        if (watched == m_lblRecent) {
            Q_EMIT recentRequested();
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

#pragma once

#include <QWidget>

class QLabel;
class QTimer;

// "消息": the small window that announces a newly downloaded chapter in the corner of the screen. It
// closes itself when its countdown ends; clicking the text asks for the chapter, clicking "最近100章"
// for the download log.
class FrmMessage : public QWidget {
    Q_OBJECT

public:
    FrmMessage(const QString& novelId, qint64 chapterId, const QString& text, QWidget* parent = nullptr);

    QString novelId() const { return m_novelId; }
    qint64 chapterId() const { return m_chapterId; }
    int secondsLeft() const { return m_secondsLeft; }

    static constexpr int kSeconds = 15;

Q_SIGNALS:
    void chapterRequested(const QString& novelId, qint64 chapterId);
    void recentRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tick();
    void placeInCorner();

    QString m_novelId;
    qint64 m_chapterId = 0;
    int m_secondsLeft = kSeconds;
    QLabel* m_lblMessage = nullptr;
    QLabel* m_lblRecent = nullptr;
    QLabel* m_lblTime = nullptr;
    QTimer* m_timer = nullptr;
};

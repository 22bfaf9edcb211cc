#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// The tips of the day: a keyed list ("00001T", "00002T" …) with a current position that moves on
// with nextTip() and jumps with randomTip().
class Tips {
    Q_DECLARE_TR_FUNCTIONS(Tips)

public:
    struct Tip {
        QString text;
        int id = 0;
        QDateTime created;
    };

    // A number in [0, 1); QRandomGenerator by default, fixed in tests.
    using Random = std::function<double()>;
    explicit Tips(Random random = {});

    // The sixteen shipped tips, in order.
    static QStringList builtIn();
    static QString keyOf(int id) { return QStringLiteral("%1T").arg(id, 5, 10, QLatin1Char('0')); }

    // The new tip's key.
    QString add(const QString& text);
    int count() const { return int(m_tips.size()); }
    bool remove(const QString& key);
    QList<Tip> all() const { return m_tips; }

    // The tip after the current one (the first after the last); "" when there is none.
    QString nextTip();
    // A tip chosen at random, which becomes the current one; "" when there is none.
    QString randomTip();
    // 1-based; 0 before the first tip was shown.
    int position() const { return m_position; }

private:
    QList<Tip> m_tips;
    int m_nextId = 1;
    int m_position = 0;
    Random m_random;
};

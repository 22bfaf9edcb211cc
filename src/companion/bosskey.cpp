#include "companion/bosskey.h"

namespace {

constexpr int kF1 = 'p'; // the virtual-key code of F1; F12 is '{'

bool isLetter(int c) {
    return c >= 'A' && c <= 'Z';
}
bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
bool isFunction(int c) {
    return c >= kF1 && c < kF1 + 12;
}

} // namespace

BossKey::BossKey(const QString& stored)
    : m_stored(stored) {
    if (stored.isEmpty())
        return;
    m_code = stored.back().unicode();
    m_shift = stored.size() > 1;
}

Qt::Key BossKey::qtKey() const {
    if (isLetter(m_code) || isDigit(m_code))
        return Qt::Key(m_code); // Qt's codes of letters and digits are their upper-case characters
    if (isFunction(m_code))
        return Qt::Key(Qt::Key_F1 + (m_code - kF1));
    return Qt::Key_unknown;
}

unsigned long BossKey::keysym() const {
    if (isLetter(m_code) || isDigit(m_code))
        return static_cast<unsigned long>(m_code); // XK_A…XK_Z, XK_0…XK_9
    if (isFunction(m_code))
        return 0xffbeUL + static_cast<unsigned long>(m_code - kF1); // XK_F1…
    return 0;
}

QString BossKey::displayName() const {
    if (isNone())
        return {};
    QString key;
    if (isFunction(m_code))
        key = QStringLiteral("F%1").arg(m_code - kF1 + 1);
    else if (isLetter(m_code) || isDigit(m_code))
        key = QChar(m_code);
    else
        return m_stored;
    return m_shift ? QStringLiteral("Shift+") + key : key;
}

QString BossKey::trigger() const {
    if (qtKey() == Qt::Key_unknown)
        return {};
    const QString name = displayName();
    return m_shift ? QStringLiteral("SHIFT+") + name.mid(6) : name;
}

bool BossKey::matches(int key, Qt::KeyboardModifiers modifiers) const {
    if (isNone() || qtKey() == Qt::Key_unknown || key != qtKey())
        return false;
    const Qt::KeyboardModifiers others = modifiers & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    return others == Qt::NoModifier && modifiers.testFlag(Qt::ShiftModifier) == m_shift;
}

BossKey BossKey::function(int n, bool withShift) {
    const QString key(QChar(kF1 + n - 1));
    return BossKey(withShift ? QStringLiteral("Shift+") + key : key);
}

QList<BossKey> BossKey::choices() {
    QList<BossKey> list{BossKey()};
    for (const bool withShift : {false, true})
        for (int n = 1; n <= 12; ++n)
            list << function(n, withShift);
    for (char c = 'A'; c <= 'Z'; ++c)
        list << BossKey(QString(QChar(c)));
    return list;
}

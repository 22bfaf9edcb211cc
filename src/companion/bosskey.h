#pragma once

#include <QList>
#include <QString>
#include <Qt>

// The key that hides the program at once. Stored in book.ini as "" (none), one character (that key
// alone) or a longer text whose last character is the key, meaning Shift with it. The character's
// code is a Windows virtual-key code: "A"…"Z", "0"…"9", and "p"…"{" for F1…F12.
class BossKey {
public:
    BossKey() = default;
    explicit BossKey(const QString& stored);

    bool isNone() const { return m_code == 0; }
    bool shift() const { return m_shift; }
    // The virtual-key code; 0 for none.
    int code() const { return m_code; }
    QString stored() const { return m_stored; }

    // Qt's key for the code; Qt::Key_unknown for a code this program does not know.
    Qt::Key qtKey() const;
    // The X11 keysym of the key, 0 when unknown.
    unsigned long keysym() const;
    // "F12", "Shift+F12", "Q" — what the settings list shows; the stored text for an unknown code.
    QString displayName() const;
    // The desktop's shortcut form ("SHIFT+F12"), "" when unknown.
    QString trigger() const;

    // Whether a key press is this key: Shift exactly when the stored form asks for it, no other
    // modifier.
    bool matches(int key, Qt::KeyboardModifiers modifiers) const;

    // The stored forms offered in the settings: none, F1–F12, Shift+F1–F12, A–Z.
    static QList<BossKey> choices();
    static BossKey function(int n, bool withShift);

private:
    QString m_stored;
    int m_code = 0;
    bool m_shift = false;
};

#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

// The reading tool bar's buttons and the setting tbrWebKey that chooses them: the keys in order,
// joined by ",", a separator written "NN" + a number so that several keep distinct keys.
class ReadingToolbarKeys {
    Q_DECLARE_TR_FUNCTIONS(ReadingToolbarKeys)

public:
    struct Button {
        const char* key;
        const char* command; // the main window's command the button runs
        const char* icon;    // the picture's name in the tool bar skins
        const char* caption;
        bool alias;          // another key for a button listed already
    };

    static const QList<Button>& buttons();
    static const Button* find(const QString& key);
    static QString caption(const Button& button);

    static QString defaultKeys();
    // The stored keys in order; the default set when nothing is stored.
    static QStringList parse(const QString& stored);
    static QString join(const QStringList& keys) { return keys.join(QLatin1Char(',')); }
    static bool isSeparator(const QString& key) { return key.startsWith(QLatin1String("NN")); }
    // "NN" + the smallest number no separator of keys has.
    static QString newSeparator(const QStringList& keys);
    // "" or the message for keys that cannot be stored.
    static QString check(const QStringList& keys);
};

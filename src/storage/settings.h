#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The program-wide settings block, backed by book.ini in the library folder (sections Main and Chm).
// Every value is text; a flag is on exactly when its text is "1". It is a plain value: a job takes a
// copy when it starts, the window that changes a key writes it back at once.
class Settings {
public:
    static const QString kMain;
    static const QString kChm;

    struct Key {
        const char* name;
        const char* defaultValue; // nullptr: no default, stays empty
    };

    explicit Settings(const QString& libraryFolder = QString());

    // Key tables in the order of book.ini's documentation; the save functions write in these orders.
    static const QList<Key>& mainKeys();
    static const QList<Key>& chmKeys();
    static QStringList optionKeys();  // what the options dialog saves
    static QStringList windowKeys();  // saved with the main window, after the option keys
    static QStringList displayKeys(); // the reading settings
    static bool isKnown(const QString& section, const QString& key);

    QString iniPath() const { return m_iniPath; }
    QString defaultValue(const QString& section, const QString& key) const;

    // Reads book.ini, or creates it with the option, window and Chm keys at their defaults.
    // Returns false when the file did not exist.
    bool startUp();
    void loadSettings();

    QString value(const QString& key) const { return m_main.value(key); }
    QString chmValue(const QString& key) const { return m_chm.value(key); }
    QString value(const QString& section, const QString& key) const;
    bool isOn(const QString& key) const { return value(key) == QLatin1String("1"); }
    // The key as a number, or fallback when it is not one.
    int intValue(const QString& key, int fallback) const;

    void setValue(const QString& key, const QString& value) { m_main.insert(key, value); }
    void setChmValue(const QString& key, const QString& value) { m_chm.insert(key, value); }
    void setValue(const QString& section, const QString& key, const QString& value);

    bool saveMainSettings();
    bool saveOptionSettings();
    bool saveDisplaySettings();
    bool saveChmSettings();

    // Single keys: the file's raw text, and a write that also updates the block for known keys.
    QString readIniValue(const QString& section, const QString& key) const;
    bool writeIniValue(const QString& section, const QString& key, const QString& value);

    QString lastError() const { return m_lastError; }

private:
    bool writeKeys(const QString& section, const QStringList& keys);
    QString effective(const QString& section, const QString& key, const QString& raw) const;

    QString m_folder;
    QString m_iniPath;
    QHash<QString, QString> m_main;
    QHash<QString, QString> m_chm;
    QString m_lastError;
};

#pragma once

#include <QList>
#include <QString>

// An INI document that keeps what it does not understand: comments, blank lines, unknown keys and
// sections survive a load/save round trip. Section and key names match case-insensitively, as the
// Windows profile functions did; new keys are appended to the end of their section.
class IniFile {
public:
    // A missing or unreadable file gives an empty document and false.
    bool load(const QString& path);
    void parse(const QString& text);

    bool contains(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);

    QString toText() const;
    bool save(const QString& path, QString* error = nullptr) const;

private:
    struct Line {
        enum Kind { Other, Section, Entry };
        Kind kind = Other;
        QString text;    // original text for Other lines
        QString section; // section the line belongs to (Section: its own name)
        QString key;
        QString value;
    };

    int findEntry(const QString& section, const QString& key) const;

    QList<Line> m_lines;
    QString m_eol = QStringLiteral("\r\n");
};

#include "storage/inifile.h"

#include "storage/textfile.h"

#include <QFile>

namespace {

QString unquote(const QString& value) {
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        return value.mid(1, value.size() - 2);
    return value;
}

// A value must stay on its line; a line break inside would split the file.
QString oneLine(QString value) {
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

bool IniFile::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        parse(QString());
        return false;
    }
    parse(decodeTextFileBytes(file.readAll()));
    return true;
}

void IniFile::parse(const QString& text) {
    m_lines.clear();
    m_eol = text.contains(QLatin1String("\r\n")) || !text.contains(u'\n') ? QStringLiteral("\r\n")
                                                                          : QStringLiteral("\n");
    QString section;
    const QStringList raw = text.split(u'\n');
    for (int i = 0; i < raw.size(); ++i) {
        QString lineText = raw.at(i);
        if (lineText.endsWith(u'\r'))
            lineText.chop(1);
        if (i == raw.size() - 1 && lineText.isEmpty())
            break; // the final line break
        Line line;
        line.text = lineText;
        const QString trimmed = lineText.trimmed();
        const int eq = trimmed.indexOf(u'=');
        if (trimmed.startsWith(u'[') && trimmed.contains(u']')) {
            section = trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed();
            line.kind = Line::Section;
            line.section = section;
        } else if (!trimmed.startsWith(u';') && eq > 0) {
            line.kind = Line::Entry;
            line.section = section;
            line.key = trimmed.left(eq).trimmed();
            line.value = unquote(trimmed.mid(eq + 1).trimmed());
        } else {
            line.section = section;
        }
        m_lines.append(line);
    }
}

int IniFile::findEntry(const QString& section, const QString& key) const {
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines.at(i);
        if (line.kind == Line::Entry && line.section.compare(section, Qt::CaseInsensitive) == 0 &&
            line.key.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool IniFile::contains(const QString& section, const QString& key) const {
    return findEntry(section, key) >= 0;
}

QString IniFile::value(const QString& section, const QString& key) const {
    const int i = findEntry(section, key);
    return i >= 0 ? m_lines.at(i).value : QString();
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    const QString clean = oneLine(value);
    const int existing = findEntry(section, key);
    if (existing >= 0) {
        Line& line = m_lines[existing];
        line.value = clean;
        line.text = line.key + u'=' + clean;
        return;
    }
    Line entry;
    entry.kind = Line::Entry;
    entry.section = section;
    entry.key = key;
    entry.value = clean;
    entry.text = key + u'=' + clean;

    // After the last entry of the section, or right after its header when it has none.
    int insertAt = -1;
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines.at(i);
        if (line.section.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        if (line.kind == Line::Section || line.kind == Line::Entry)
            insertAt = i + 1;
    }
    if (insertAt < 0) {
        Line header;
        header.kind = Line::Section;
        header.section = section;
        header.text = u'[' + section + u']';
        m_lines.append(header);
        insertAt = int(m_lines.size());
    }
    m_lines.insert(insertAt, entry);
}

QString IniFile::toText() const {
    QString text;
    for (const Line& line : m_lines)
        text += line.text + m_eol;
    return text;
}

bool IniFile::save(const QString& path, QString* error) const {
    return writeTextFile(path, toText(), "GB18030", error);
}

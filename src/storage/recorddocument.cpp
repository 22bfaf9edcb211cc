#include "storage/recorddocument.h"

#include "storage/database.h"
#include "storage/schema.h"
#include "storage/textfile.h"

#include <QDate>
#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringDecoder>

namespace {

const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"gb2312\"?>");

// Element text: the three markup characters as entities, carriage returns as a character reference
// (a parser would fold a raw "\r\n" into "\n"), and characters XML cannot carry at all left out.
QString escapeText(const QString& value) {
    QString out;
    out.reserve(value.size() + 16);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '\r':
            out += QLatin1String("&#13;");
            break;
        default:
            if (c.unicode() < 0x20 && c != u'\t' && c != u'\n')
                break;
            if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
                break;
            out += c;
        }
    }
    return out;
}

// Element names come from fixed tables or column names; anything else becomes a safe name.
QString elementName(const QString& name) {
    static const QRegularExpression invalid(QStringLiteral("[^A-Za-z0-9_.\\-\\x{80}-\\x{FFFF}]"));
    QString clean = name.trimmed();
    clean.replace(invalid, QStringLiteral("_"));
    if (clean.isEmpty() || clean.at(0).isDigit() || clean.at(0) == u'-' || clean.at(0) == u'.')
        clean.prepend(u'_');
    return clean;
}

QString declaredEncoding(const QByteArray& head) {
    static const QRegularExpression declaration(
        QStringLiteral("^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([A-Za-z0-9_.:\\-]+)[\"']"));
    const QRegularExpressionMatch m = declaration.match(QString::fromLatin1(head.left(256)));
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

// The declaration is dropped before parsing: the text is already decoded.
QString withoutDeclaration(const QString& text) {
    static const QRegularExpression declaration(QStringLiteral("^\\s*<\\?xml[^>]*\\?>"));
    QString out = text;
    if (out.startsWith(QChar(0xFEFF)))
        out.remove(0, 1);
    return out.remove(declaration);
}

bool parseDocument(const QString& text, QDomDocument& doc) {
    return doc.setContent(withoutDeclaration(text));
}

} // namespace

void RecordWriter::add(const QString& tag, const QStringList& names, const QStringList& values) {
    Record record;
    for (int i = 0; i < names.size(); ++i)
        record.append({names.at(i), values.value(i)});
    m_records.append({tag, record});
}

QString RecordWriter::toText() const {
    QString text = kDeclaration + QLatin1String("\r\n<MESSAGE>");
    for (const auto& [rawTag, record] : m_records) {
        const QString tag = elementName(rawTag);
        text += QLatin1String("\r\n<") + tag + u'>';
        for (const RecordField& field : record) {
            const QString name = elementName(field.first);
            text += u'<' + name + u'>' + escapeText(field.second) + QLatin1String("</") + name + u'>';
        }
        text += QLatin1String("</") + tag + u'>';
    }
    text += QLatin1String("\r\n</MESSAGE>\r\n");
    return text;
}

QString formatFieldValue(const QString& declaredType, const QVariant& value) {
    const QString type = declaredType.toUpper();
    if (type.contains(QLatin1String("INT")) || type.contains(QLatin1String("REAL")) ||
        type.contains(QLatin1String("NUM")) || type.contains(QLatin1String("DEC")) ||
        type.contains(QLatin1String("DOUB")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("BOOL")))
        return value.isNull() ? QStringLiteral("0") : value.toString().trimmed();
    if (value.isNull())
        return {};
    if (type.contains(QLatin1String("DATE")) || type.contains(QLatin1String("TIME"))) {
        const QDate date = value.toDate().isValid()
                               ? value.toDate()
                               : QDate::fromString(value.toString().left(10), Qt::ISODate);
        return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
    }
    // Every text column, long ones included: leaving long text out would lose it on export.
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("TEXT")) ||
        type.contains(QLatin1String("CLOB")) || type.isEmpty()) {
        // "&" too, so that entities inside markers ("&nbsp;") come back as written.
        QString text = value.toString();
        text.replace(u'&', QLatin1String("&amp;"));
        text.replace(u'<', QLatin1String("&lt;"));
        text.replace(u'>', QLatin1String("&gt;"));
        text.replace(u'\r', QLatin1String("<br>"));
        return text;
    }
    return {};
}

QString tableRecordsText(const Database& db, const QString& tables, bool headerOnly, const QStringList& leaveOut) {
    RecordWriter writer;
    if (headerOnly)
        return writer.toText();
    for (const QString& rawTable : tables.split(u',', Qt::SkipEmptyParts)) {
        const QString table = rawTable.trimmed();
        if (!Schema::hasTable(db, table))
            continue;
        QStringList names;
        QStringList types;
        QList<int> kept;
        QSqlQuery info =
            db.query(QStringLiteral("SELECT name, type FROM pragma_table_info(?) ORDER BY cid"), {table});
        for (int column = 0; info.next(); ++column) {
            const QString name = info.value(0).toString().trimmed();
            if (leaveOut.contains(name, Qt::CaseInsensitive))
                continue;
            names << name;
            types << info.value(1).toString();
            kept << column;
        }
        // The table name is checked against the database's own list above; it cannot be bound.
        QSqlQuery rows = db.query(QStringLiteral("SELECT * FROM \"%1\"").arg(table));
        while (rows.next()) {
            QStringList values;
            for (int i = 0; i < names.size(); ++i)
                values << formatFieldValue(types.value(i), rows.value(kept.at(i)));
            writer.add(table, names, values);
        }
    }
    return writer.toText();
}

QString unformatFieldValue(const QString& text) {
    static const struct {
        QLatin1String from;
        QChar to;
    } kForms[] = {{QLatin1String("<br>"), u'\r'},
                  {QLatin1String("&lt;"), u'<'},
                  {QLatin1String("&gt;"), u'>'},
                  {QLatin1String("&amp;"), u'&'}};
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& form : kForms) {
            if (QStringView(text).mid(i).startsWith(form.from)) {
                out += form.to;
                i += form.from.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += text.at(i++);
    }
    return out;
}

bool parseMessageRecords(const QString& text, const QString& tag, RecordGrid& grid) {
    QDomDocument doc;
    if (tag.isEmpty() || !parseDocument(text, doc))
        return false;
    const QDomNodeList records = doc.elementsByTagName(tag);
    if (records.isEmpty())
        return false;
    RecordGrid parsed;
    qsizetype width = -1;
    for (int r = 0; r < records.size(); ++r) {
        QList<RecordCell> cells;
        for (QDomElement field = records.at(r).firstChildElement(); !field.isNull();
             field = field.nextSiblingElement())
            cells.append({field.tagName(), field.text()});
        if (width < 0)
            width = cells.size();
        cells.resize(width);
        parsed.append(cells);
    }
    grid = parsed;
    return true;
}

QList<Record> readMessageRecords(const QString& text) {
    QList<Record> records;
    QDomDocument doc;
    if (!parseDocument(text, doc))
        return records;
    const QDomNodeList roots = doc.elementsByTagName(QStringLiteral("MESSAGE"));
    for (int i = 0; i < roots.size(); ++i) {
        for (QDomElement record = roots.at(i).firstChildElement(); !record.isNull();
             record = record.nextSiblingElement()) {
            Record fields;
            for (QDomElement field = record.firstChildElement(); !field.isNull();
                 field = field.nextSiblingElement())
                fields.append({field.tagName(), field.text()});
            records.append(fields);
        }
    }
    return records;
}

QString decodeRecordBytes(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    const QString declared = declaredEncoding(bytes);
    if (declared == QLatin1String("utf-8") || declared == QLatin1String("utf8"))
        return QString::fromUtf8(bytes);
    if (declared == QLatin1String("big5") || declared == QLatin1String("big5-hkscs")) {
        QStringDecoder big5("Big5");
        if (big5.isValid())
            return big5(bytes);
    }
    // gb2312, gbk, gb18030 or nothing: an editor may have saved UTF-8 under the old declaration.
    return decodeTextFileBytes(bytes);
}

QString readRecordFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decodeRecordBytes(file.readAll());
}

bool writeRecordFile(const QString& path, const QString& text, QString* error) {
    return writeTextFile(path, text, "GB18030", error);
}

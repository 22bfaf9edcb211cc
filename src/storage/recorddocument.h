#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;

// The record document shared by the program's small data files:
//   <?xml version="1.0" encoding="gb2312"?>
//   <MESSAGE><Tag><field>value</field>...</Tag>...</MESSAGE>
// Readers take fields by position, so the order a writer uses is part of the format.

using RecordField = QPair<QString, QString>; // element name, text
using Record = QList<RecordField>;

// Builds the document text. Records are written with the writer's tag unless given their own.
class RecordWriter {
public:
    explicit RecordWriter(const QString& tag = QString())
        : m_tag(tag) {}

    void add(const Record& record) { m_records.append({m_tag, record}); }
    void add(const QString& tag, const Record& record) { m_records.append({tag, record}); }
    // A record of the given names and values, paired by position.
    void add(const QStringList& names, const QStringList& values) { add(m_tag, names, values); }
    void add(const QString& tag, const QStringList& names, const QStringList& values);
    bool isEmpty() const { return m_records.isEmpty(); }
    QString toText() const;

private:
    QString m_tag;
    QList<QPair<QString, Record>> m_records;
};

// One record per row of each named table (comma-separated), fields in column order, values in the
// text form of formatFieldValue(). With headerOnly the empty document. Columns named in leaveOut
// are not written.
QString tableRecordsText(const Database& db, const QString& tables, bool headerOnly = false,
                         const QStringList& leaveOut = {});
// The text of a column value: integers "0" when Null and trimmed otherwise; text with "&", "<" and ">"
// as entities and carriage returns as "<br>"; dates "YYYY-MM-DD"; other kinds "".
QString formatFieldValue(const QString& declaredType, const QVariant& value);
// The exact inverse for text values, in one pass ("&amp;lt;" gives "&lt;").
QString unformatFieldValue(const QString& text);

// A parsed document as a grid: grid[record][field]. Every record is cut or padded to the field count
// of the first one. False (grid untouched) on a malformed document or when no element of the tag
// exists.
struct RecordCell {
    QString name;
    QString text;
};
using RecordGrid = QList<QList<RecordCell>>;
bool parseMessageRecords(const QString& text, const QString& tag, RecordGrid& grid);

// The record elements under MESSAGE with all their fields, whatever their tag (for the novel list).
QList<Record> readMessageRecords(const QString& text);

// Record files: decoded by their BOM or declaration (gb2312, gbk, gb18030, utf-8, big5), otherwise
// as UTF-8 when valid, else GB18030; written with the GB18030 encoder, atomically.
QString readRecordFile(const QString& path);
QString decodeRecordBytes(const QByteArray& bytes);
bool writeRecordFile(const QString& path, const QString& text, QString* error = nullptr);

// Record documents and site-sign files from arbitrary bytes: never a crash, and what is written is
// read back the same.
#include "fuzzinput.h"

#include "sites/sitesign.h"
#include "storage/recorddocument.h"

#include <QVariant>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QString text = decodeRecordBytes(bytes);

    RecordGrid grid;
    if (parseMessageRecords(text, QStringLiteral("SiteSign"), grid)) {
        fuzzCheck(!grid.isEmpty());
        for (const QList<RecordCell>& record : grid)
            fuzzCheck(record.size() == grid.first().size());
    }
    readMessageRecords(text);
    QList<SiteSign> signs;
    readSiteSigns(text, signs);

    // Any value survives a write and a read.
    const QList<QString> values = fuzzTexts(data, size, 2);
    RecordWriter writer(QStringLiteral("R"));
    writer.add({"a", "b"}, {values.at(0), values.at(1)});
    RecordGrid back;
    fuzzCheck(parseMessageRecords(writer.toText(), QStringLiteral("R"), back));
    fuzzCheck(back.size() == 1 && back.first().size() == 2);
    fuzzCheck(unformatFieldValue(formatFieldValue(QStringLiteral("text"), QVariant(values.at(0)))) ==
                  values.at(0) ||
              values.at(0).contains(QLatin1String("<br>")));
    return 0;
}

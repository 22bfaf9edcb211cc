#include "storage/dbvalue.h"

QVariant valueOrDefault(const QVariant& value, const QString& typeName) {
    const QString type = typeName.toLower();
    if (type == QLatin1String("int") || type == QLatin1String("smallint"))
        return value.isNull() ? QVariant(0) : QVariant(value.toInt());
    static const QLatin1String textKinds[] = {QLatin1String("char"),     QLatin1String("varchar"),
                                              QLatin1String("nchar"),    QLatin1String("text"),
                                              QLatin1String("nvarchar"), QLatin1String("ntext"),
                                              QLatin1String("datetime"), QLatin1String("smalldatetime")};
    for (const QLatin1String& kind : textKinds)
        if (type == kind)
            return value.isNull() ? QVariant(QString()) : QVariant(value.toString());
    if (type == QLatin1String("bit"))
        return value.isNull() ? QVariant(0) : QVariant(value.toBool() ? 1 : 0);
    return {};
}

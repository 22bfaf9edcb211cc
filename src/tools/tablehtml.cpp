#include "tools/tablehtml.h"

#include <QStringList>

namespace {

bool isDigits(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Rows and columns: a positive whole number up to 100. Digits beyond what fits are still "too many".
QString checkCount(const QString& typed, const QString& what) {
    const QString text = typed.trimmed();
    if (!isDigits(text))
        return QStringLiteral("请输入正整数型的%1值").arg(what);
    QString significant = text;
    while (significant.size() > 1 && significant.startsWith(QLatin1Char('0')))
        significant.remove(0, 1);
    if (significant == QLatin1String("0"))
        return QStringLiteral("请输入正整数型的%1值").arg(what);
    if (significant.size() > 3 || significant.toInt() > 100)
        return QStringLiteral("请输入正整数型且小于等于100的%1值").arg(what);
    return {};
}

// The values go into the tag unquoted, so nothing but digits (and a closing "%") may pass.
bool isSize(const QString& text, bool percentAllowed) {
    QString digits = text;
    if (percentAllowed && digits.endsWith(QLatin1Char('%')))
        digits.chop(1);
    return isDigits(digits);
}

int count(const QString& typed) {
    return typed.trimmed().toInt();
}

QString customAlign(const QString& align) {
    static const QStringList known{QStringLiteral("left"), QStringLiteral("right"), QStringLiteral("center"),
                                   QStringLiteral("justify")};
    const QString value = align.trimmed().toLower();
    return known.contains(value) ? value : QString();
}

} // namespace

namespace TableHtml {

QString check(const TableFields& table) {
    QString message = checkCount(table.rows, QStringLiteral("行数"));
    if (message.isEmpty())
        message = checkCount(table.cols, QStringLiteral("列数"));
    if (!message.isEmpty() || table.style != TableFields::Style::Custom)
        return message;

    const struct {
        const QString& value;
        const char* name;
        bool used;
        bool percent;
    } fields[] = {
        {table.border, "边框粗细", true, false},        {table.cellPadding, "单元格边距", true, false},
        {table.cellSpacing, "单元格间距", true, false}, {table.width, "宽度", table.useWidth, true},
        {table.height, "高度", table.useHeight, true},
    };
    for (const auto& field : fields) {
        if (field.used && !isSize(field.value.trimmed(), field.percent))
            return QStringLiteral("请输入非负整数型的%1值").arg(QString::fromUtf8(field.name));
    }
    return {};
}

QString html(const TableFields& table) {
    QString tableAttributes;
    QString cellAttributes;
    switch (table.style) {
    case TableFields::Style::Print:
        tableAttributes = QStringLiteral(
            "class=detail border=0 cellpadding=\"3\" cellspacing=\"1\" width=\"95%\" align=\"center\"");
        cellAttributes = QStringLiteral("class=detail_list height=30");
        break;
    case TableFields::Style::Edit:
        tableAttributes =
            QStringLiteral("align=center border=1 width=95% cellspacing=1 "
                           "style='border-collapse: collapse;word-break:break-all' cellpadding=3");
        break;
    case TableFields::Style::Custom: {
        QStringList parts;
        const QString align = customAlign(table.align);
        if (!align.isEmpty())
            parts << QStringLiteral("align=") + align;
        parts << QStringLiteral("border=") + table.border.trimmed();
        parts << QStringLiteral("cellpadding=") + table.cellPadding.trimmed();
        parts << QStringLiteral("cellspacing=") + table.cellSpacing.trimmed();
        if (table.useWidth)
            parts << QStringLiteral("width=") + table.width.trimmed();
        if (table.useHeight)
            parts << QStringLiteral("height=") + table.height.trimmed();
        tableAttributes = parts.join(QLatin1Char(' '));
        break;
    }
    }

    const QString cell = QStringLiteral("<td ") + cellAttributes + QStringLiteral("></td>");
    const int rows = count(table.rows);
    const int cols = count(table.cols);
    QString out = QStringLiteral("<table ") + tableAttributes + QLatin1Char('>');
    for (int r = 0; r < rows; ++r) {
        out += QStringLiteral("<tr>");
        for (int c = 0; c < cols; ++c)
            out += cell;
        out += QStringLiteral("</tr>");
    }
    out += QStringLiteral("</table>");
    return out;
}

} // namespace TableHtml

#pragma once

#include <QString>

// The fields of the insert-table dialog, as typed.
struct TableFields {
    enum class Style { Custom, Print, Edit };

    QString rows;
    QString cols;
    Style style = Style::Custom;
    // Custom style only. align is "" (default), "left", "right", "center" or "justify"; anything else
    // counts as default.
    QString align;
    QString border;
    QString cellPadding;
    QString cellSpacing;
    // Pixels, or percent when the value ends in "%"; used only when its box is checked.
    QString width;
    QString height;
    bool useWidth = false;
    bool useHeight = false;
};

// The table the editor pastes into the design view.
namespace TableHtml {

// "" when the fields are usable, otherwise the message to show (the first fault found).
QString check(const TableFields& table);
// The table's HTML; only meaningful when check() gives "".
QString html(const TableFields& table);

} // namespace TableHtml

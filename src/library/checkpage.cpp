#include "library/checkpage.h"

QString CheckPage::colorOf(CheckLine::State state) {
    switch (state) {
    case CheckLine::State::Ok:
        return QStringLiteral("green");
    case CheckLine::State::Warning:
    case CheckLine::State::Pending:
        return QStringLiteral("blue");
    case CheckLine::State::Failed:
        return QStringLiteral("red");
    case CheckLine::State::Skipped:
        return QStringLiteral("gray");
    case CheckLine::State::Info:
        break;
    }
    return QStringLiteral("black");
}

QString CheckPage::html(const QList<CheckLine>& lines) {
    QString body;
    for (const CheckLine& line : lines)
        body += QStringLiteral("<p>%1：<font color=%2>%3</font></p>\r\n")
                    .arg(line.item.toHtmlEscaped(), colorOf(line.state), line.text.toHtmlEscaped());
    return QStringLiteral("<html><head><title>%1</title></head><body><h3>%1</h3>\r\n%2</body></html>")
        .arg(tr("常见问题检测"), body);
}

#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>

// A picture of the lines in a Chinese font, black on white, as a chapter of pictures has them.
inline bool drawTextPicture(const QString& path, const QStringList& lines) {
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(40);
    const QFontMetrics metrics(font);
    const int margin = 30;
    int width = 0;
    for (const QString& line : lines)
        width = qMax(width, metrics.horizontalAdvance(line));
    const int lineHeight = metrics.height() * 3 / 2;
    QImage image(width + 2 * margin, lineHeight * int(lines.size()) + 2 * margin, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(margin, margin + int(i) * lineHeight + metrics.ascent(), lines.at(i));
    painter.end();
    return image.save(path);
}

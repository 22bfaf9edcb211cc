#pragma once

#include <QString>
#include <QStringView>

// Chapter texts are thousands of Han characters between a few tags: loops that only care about a
// handful of characters skip the rest eight at a time.

// The first index at or after from whose character is half of a surrogate pair or one of stops
// (at most three ASCII characters); text.size() when there is none.
qsizetype skipPlainText(QStringView text, qsizetype from, QLatin1String stops = {});

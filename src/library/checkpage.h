#pragma once

#include "library/systemcheck.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

// The report "常见问题检测" shows: one line per item of the system check, its value in the colour of
// its state.
class CheckPage {
    Q_DECLARE_TR_FUNCTIONS(CheckPage)

public:
    static QString html(const QList<CheckLine>& lines);
    static QString colorOf(CheckLine::State state);
};

#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// The page "常见问题检测" shows: one line per item of the system check ("quiveral-cli --json check"),
// its value in the colour of its state.
class CheckPage {
    Q_DECLARE_TR_FUNCTIONS(CheckPage)

public:
    // The page for the check's JSON answer; "" with the reason in error when it is not one.
    static QString fromJson(const QByteArray& json, QString* error = nullptr);
    static QString colorOf(const QString& state);
};

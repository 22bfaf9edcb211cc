#pragma once

#include <QString>

class QWidget;

// Opens a file or an address with the desktop's default program. When that cannot work the user
// gets the warning saying why ("文件没有找到"); returns whether it was opened.
bool openWithShell(const QString& pathOrAddress, QWidget* parent = nullptr);

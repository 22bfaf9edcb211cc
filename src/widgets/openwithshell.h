#pragma once

#include <QString>

#include <functional>

class QUrl;
class QWidget;

// Opens a file or an address with the desktop's default program. When that cannot work the user
// gets the warning saying why ("文件没有找到"); returns whether it was opened.
bool openWithShell(const QString& pathOrAddress, QWidget* parent = nullptr);

// Opens a file the program has just written. When the desktop has no program for its kind, the
// message says where the file is and offers to open its folder instead.
bool openWrittenFile(const QString& path, QWidget* parent = nullptr);

// What hands an address to the desktop (QDesktopServices by default); tests record and answer.
using ShellOpener = std::function<bool(const QUrl&)>;
void setShellOpener(ShellOpener opener);

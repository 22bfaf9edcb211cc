#pragma once

#include <QString>

// Starting with the desktop session: an XDG autostart entry, quiveral.desktop in
// $XDG_CONFIG_HOME/autostart (~/.config/autostart).
namespace AutoStart {

QString entryPath();
// Creates the entry (running program, library folder) or removes it. Returns false when the file
// could not be written or removed.
bool apply(bool enabled, const QString& program, const QString& libraryFolder);
bool isEnabled();

} // namespace AutoStart

#pragma once

#include <QString>

// Shutting the computer down when a renewal of all novels ends (bIsAutoShutdown): the desktop
// session's standard request to the login manager, which also asks polkit whether this user may.
namespace PowerOff {

// False with the reason in error when the request was not accepted.
bool requestPowerOff(QString* error = nullptr);

} // namespace PowerOff

#pragma once

#include <functional>

class QObject;

// Runs the handler on the owner's thread when SIGINT or SIGTERM arrives (Ctrl-C, kill). The
// handler may be called again for a second signal. False when the signals cannot be caught.
bool onTerminationSignal(QObject* owner, std::function<void()> handler);

#pragma once

#include <functional>

class QObject;

// Runs the handler on the owner's thread when SIGINT or SIGTERM arrives (Ctrl-C, kill). The
// handler may be called again for a second signal. False when the signals cannot be caught.
bool onTerminationSignal(QObject* owner, std::function<void()> handler);

class CliContext;
class Job;
// Runs the job on its own thread until it ends, its status texts on stderr, Ctrl-C (or SIGTERM)
// stopping it; interrupted tells whether that came. False, with the message printed, when the signals
// cannot be caught.
bool runJobPrintingStatus(CliContext& cli, Job& job, bool* interrupted);

#include "app/cli_signals.h"

#include "app/cli.h"
#include "storage/job.h"

#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>

#if defined(Q_OS_UNIX)
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

#if defined(Q_OS_UNIX)
namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    // Only async-signal-safe work here: the event loop picks the byte up.
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
}

} // namespace

bool onTerminationSignal(QObject* owner, std::function<void()> handler) {
    if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [handler = std::move(handler)] {
        char byte;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[1], &byte, 1);
        handler();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}
#else
bool onTerminationSignal(QObject*, std::function<void()>) {
    return true;
}
#endif

bool runJobPrintingStatus(CliContext& cli, Job& job, bool* interrupted) {
    *interrupted = false;
    QEventLoop loop;
    QObject::connect(&job, &Job::statusChanged, &loop,
                     [&cli](const QString& text) { cli.err << text << Qt::endl; });
    if (!onTerminationSignal(&job, [&job, interrupted] {
            *interrupted = true;
            job.requestStop();
        })) {
        cli.fail(QStringLiteral("无法处理终止信号"));
        return false;
    }
    // Queued behind the last status text, which comes from the job's thread the same way.
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    job.start();
    loop.exec();
    job.wait();
    return true;
}

#include "core/system/TerminationSignals.h"

#include <QMetaMethod>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {
int g_pipe[2] = {-1, -1};
constexpr int handledSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Only async-signal-safe work here: hand the number to the event loop.
void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}
} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    struct sigaction action = {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : handledSignals)
        ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    for (int number : handledSignals)
        ::signal(number, SIG_DFL);
    if (g_pipe[0] >= 0) {
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
}

void TerminationSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_pipe[0], &byte, 1) != 1)
        return;
    // Nobody to end the program yet (a start-up message is open): kept for the receiver.
    if (!isSignalConnected(QMetaMethod::fromSignal(&TerminationSignals::terminationRequested))) {
        m_kept = byte;
        return;
    }
    emit terminationRequested(byte);
}

void TerminationSignals::connectNotify(const QMetaMethod &signal)
{
    if (signal != QMetaMethod::fromSignal(&TerminationSignals::terminationRequested) || m_kept == 0)
        return;
    // Handed over at the first event loop, once the receiver is fully connected.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (const int number = std::exchange(m_kept, 0))
                emit terminationRequested(number);
        },
        Qt::QueuedConnection);
}

#include "platform/TerminationSignals.h"

#include "platform/PlatformLog.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ostrevin {

namespace {

constexpr std::array<int, 3> handledSignals{SIGTERM, SIGINT, SIGHUP};

// Written once before the handlers are installed and cleared after they are gone;
// the handler reads it, so it must be lock-free.
volatile sig_atomic_t writeEnd = -1;
std::array<struct sigaction, handledSignals.size()> previousActions{};

extern "C" void forwardSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the byte: a quit is already on its way then.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (writeEnd != -1) {
        qCWarning(lcPlatform) << "termination signals are already handled in this process";
        return;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcPlatform) << "no pipe for termination signals:" << ::strerror(errno);
        return;
    }
    m_readEnd = ends[0];
    writeEnd = ends[1];

    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < handledSignals.size(); ++i)
        ::sigaction(handledSignals[i], &action, &previousActions[i]);

    m_notifier = std::make_unique<QSocketNotifier>(m_readEnd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::drain);
    m_active = true;
}

TerminationSignals::~TerminationSignals()
{
    if (!m_active)
        return;
    for (std::size_t i = 0; i < handledSignals.size(); ++i)
        ::sigaction(handledSignals[i], &previousActions[i], nullptr);
    m_notifier.reset();
    const int end = writeEnd;
    writeEnd = -1;
    ::close(end);
    ::close(m_readEnd);
}

void TerminationSignals::drain()
{
    unsigned char byte = 0;
    while (::read(m_readEnd, &byte, 1) == 1)
        emit received(byte);
}

} // namespace ostrevin

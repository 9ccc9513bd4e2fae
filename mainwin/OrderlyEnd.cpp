#include "mainwin/OrderlyEnd.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <iterator>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int EndSignals[] = {SIGTERM, SIGINT, SIGHUP};

// [0] is written by the handler, [1] read in the event loop; -1 when closed.
int SignalSocket[2] = {-1, -1};

extern "C" void OnEndSignal(int)
{
    // Only what is safe in a signal handler: one write, errno kept.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(SignalSocket[0], &byte, 1);
    errno = saved;
}

} // namespace

TOrderlyEnd::TOrderlyEnd(QWidget *mainWindow, QObject *parent)
    : QObject(parent), m_mainWindow(mainWindow)
{
    static_assert(std::size(EndSignals) == SignalCount);
    if (SignalSocket[0] != -1)
        return;
    // Non-blocking: a handler never waits on a full socket, a byte is enough.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, SignalSocket) != 0) {
        SignalSocket[0] = SignalSocket[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(SignalSocket[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TOrderlyEnd::signalled);

    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < SignalCount; ++i) {
        struct sigaction previous = {};
        if (::sigaction(EndSignals[i], nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        m_installed[i] = ::sigaction(EndSignals[i], &action, &m_previous[i]) == 0;
    }
}

TOrderlyEnd::~TOrderlyEnd()
{
    restoreHandlers();
    if (!m_notifier)
        return;
    delete m_notifier;
    ::close(SignalSocket[0]);
    ::close(SignalSocket[1]);
    SignalSocket[0] = SignalSocket[1] = -1;
}

void TOrderlyEnd::restoreHandlers()
{
    for (int i = 0; i < SignalCount; ++i)
        if (m_installed[i]) {
            ::sigaction(EndSignals[i], &m_previous[i], nullptr);
            m_installed[i] = false;
        }
}

void TOrderlyEnd::signalled()
{
    char bytes[16];
    while (::read(SignalSocket[1], bytes, sizeof bytes) > 0) {
    }
    restoreHandlers();
    m_notifier->setEnabled(false);
    if (m_mainWindow)
        m_mainWindow->close();
    else
        QCoreApplication::exit(0);
}

#include "EndingSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <QMetaObject>
#include <QPointer>
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_UNIX
constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};
// The handler may only write to a pipe; the event loop reads its other end.
int requestPipe[2] = {-1, -1};

extern "C" void requestEnd(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(requestPipe[1], &byte, 1);
    errno = saved;
}
#endif

#ifdef Q_OS_WIN
QPointer<EndingSignals> listener;

BOOL WINAPI consoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    // This runs on a thread of its own; the ending runs on the event loop's.
    QMetaObject::invokeMethod(listener.data(), &EndingSignals::endRequested, Qt::QueuedConnection);
    // After a close the system ends the process once this returns: the ending gets until then.
    if (event == CTRL_CLOSE_EVENT)
        ::Sleep(4000);
    return TRUE;
}
#endif

} // namespace

EndingSignals::EndingSignals(QObject* parent)
    : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (::pipe(requestPipe) != 0)
        return;
    for (int end : requestPipe) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    }
    m_notifier = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EndingSignals::takeRequests);
    struct sigaction action = {};
    action.sa_handler = requestEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : Signals)
        ::sigaction(signal, &action, nullptr);
#endif
#ifdef Q_OS_WIN
    listener = this;
    ::SetConsoleCtrlHandler(consoleEvent, TRUE);
#endif
}

EndingSignals::~EndingSignals()
{
#ifdef Q_OS_UNIX
    if (!m_notifier)
        return;
    for (int signal : Signals)
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    for (int& end : requestPipe) {
        ::close(end);
        end = -1;
    }
#endif
#ifdef Q_OS_WIN
    ::SetConsoleCtrlHandler(consoleEvent, FALSE);
#endif
}

void EndingSignals::takeRequests()
{
#ifdef Q_OS_UNIX
    char bytes[16];
    bool requested = false;
    while (::read(requestPipe[0], bytes, sizeof bytes) > 0)
        requested = true;
    if (requested)
        emit endRequested();
#endif
}

#include "startup/cli/CliInterrupt.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace cli {

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

Interrupts::Interrupts(std::function<void()> onInterrupt, QObject *parent)
    : QObject(parent), m_onInterrupt(std::move(onInterrupt))
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Interrupts::onReadable);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

Interrupts::~Interrupts()
{
    // From here on a signal ends the program as it ends any other.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
}

void Interrupts::onReadable()
{
    char bytes[64];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    if (m_happened)
        return;
    m_happened = true;
    if (m_onInterrupt)
        m_onInterrupt();
}

} // namespace cli

#include "termination_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace corvela {

namespace {
sigset_t TerminationSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}
} // namespace

struct TerminationSignals::Private
{
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

bool TerminationSignals::holdBack()
{
    const sigset_t set = TerminationSet();
    return sigprocmask(SIG_BLOCK, &set, nullptr) == 0;
}

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent), d(new Private)
{
    const sigset_t set = TerminationSet();
    d->fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (d->fd < 0)
        return;
    d->notifier = std::make_unique<QSocketNotifier>(d->fd, QSocketNotifier::Read);
    connect(d->notifier.get(), &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info{};
        while (::read(d->fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            emit terminationRequested(static_cast<int>(info.ssi_signo));
    });
}

TerminationSignals::~TerminationSignals()
{
    d->notifier.reset();
    if (d->fd >= 0)
        ::close(d->fd);
}

bool TerminationSignals::isActive() const { return d->fd >= 0; }

} // namespace corvela

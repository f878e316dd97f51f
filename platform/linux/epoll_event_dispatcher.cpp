#include "linux/epoll_event_dispatcher.h"

#include "event_dispatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimerEvent>

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace corvela {

namespace {

constexpr qint64 kNsPerMs = 1000 * 1000;
constexpr qint64 kNsPerSecond = 1000 * kNsPerMs;
constexpr int kReadyBatch = 512;

// Which epoll events wake each notifier type; hang-up and error wake all of them, as poll()
// does for Qt's own dispatcher.
constexpr std::uint32_t kWatchedEvents[3] = {EPOLLIN, EPOLLOUT, EPOLLPRI};
constexpr std::uint32_t kWakingEvents[3] = {EPOLLIN | EPOLLHUP | EPOLLERR,
                                            EPOLLOUT | EPOLLHUP | EPOLLERR,
                                            EPOLLPRI | EPOLLHUP | EPOLLERR};

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * kNsPerSecond + qint64(now.tv_nsec);
}

timespec toTimespec(qint64 ns)
{
    timespec t{};
    t.tv_sec = time_t(ns / kNsPerSecond);
    t.tv_nsec = long(ns % kNsPerSecond);
    return t;
}

qint64 roundUp(qint64 value, qint64 step)
{
    return (value + step - 1) / step * step;
}

// Coarse timers fire on multiples of a step of at most 5 % of their interval, so that timers
// of similar intervals share wake-ups; they never fire early.
qint64 coarseStepNs(qint64 intervalMs)
{
    static constexpr qint64 steps[] = {1000, 500, 250, 100, 50, 25, 10, 5};
    for (const qint64 step : steps) {
        if (step * 20 <= intervalMs)
            return step * kNsPerMs;
    }
    return kNsPerMs;
}

int typeIndex(QSocketNotifier::Type type)
{
    switch (type) {
    case QSocketNotifier::Read:
        return 0;
    case QSocketNotifier::Write:
        return 1;
    case QSocketNotifier::Exception:
        return 2;
    }
    return 0;
}

std::atomic<bool> epollPwait2Missing = false; // kernels before 5.11

} // namespace

EpollEventDispatcher::EpollEventDispatcher(QObject *parent)
    : QAbstractEventDispatcher(parent), m_ready(kReadyBatch)
{
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_epoll < 0 || m_wakeFd < 0)
        qFatal("EpollEventDispatcher: cannot create epoll set or eventfd: %s", std::strerror(errno));
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = m_wakeFd;
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wakeFd, &event) != 0)
        qFatal("EpollEventDispatcher: cannot watch the eventfd: %s", std::strerror(errno));
}

EpollEventDispatcher::~EpollEventDispatcher()
{
    if (m_wakeFd >= 0)
        close(m_wakeFd);
    if (m_epoll >= 0)
        close(m_epoll);
}

// ---- socket notifiers -----------------------------------------------------------------------

void EpollEventDispatcher::registerSocketNotifier(QSocketNotifier *notifier)
{
    Q_ASSERT(notifier);
    const int fd = int(notifier->socket());
    const int type = typeIndex(notifier->type());
    if (fd < 0 || notifier->thread() != thread() || thread() != QThread::currentThread()) {
        qWarning("EpollEventDispatcher: socket notifier for %d cannot be enabled from another thread", fd);
        return;
    }
    Watch &watch = m_watches[fd];
    if (watch.notifiers[type] && watch.notifiers[type] != notifier)
        qWarning("EpollEventDispatcher: multiple socket notifiers for socket %d and type %d", fd, type);
    watch.notifiers[type] = notifier;
    updateWatch(fd, watch);
}

void EpollEventDispatcher::unregisterSocketNotifier(QSocketNotifier *notifier)
{
    Q_ASSERT(notifier);
    const int fd = int(notifier->socket());
    const int type = typeIndex(notifier->type());
    const auto it = m_watches.find(fd);
    if (it == m_watches.end() || it->second.notifiers[type] != notifier)
        return;
    Watch &watch = it->second;
    watch.notifiers[type] = nullptr;
    dropPending(notifier, fd, type);
    updateWatch(fd, watch);
    if (!watch.notifiers[0] && !watch.notifiers[1] && !watch.notifiers[2])
        m_watches.erase(it);
}

void EpollEventDispatcher::updateWatch(int fd, Watch &watch)
{
    std::uint32_t events = 0;
    for (int type = 0; type < 3; ++type) {
        if (watch.notifiers[type])
            events |= kWatchedEvents[type];
    }
    if (events == watch.events)
        return;
    epoll_event event{};
    event.events = events;
    event.data.fd = fd;
    int result = 0;
    if (events == 0) {
        // The descriptor may be closed already, which took it out of the set.
        result = epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, &event);
        if (result != 0 && (errno == EBADF || errno == ENOENT))
            result = 0;
    } else if (watch.events == 0) {
        result = epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event);
        if (result != 0 && errno == EEXIST) // a closed descriptor's number, reused
            result = epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &event);
    } else {
        result = epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &event);
        if (result != 0 && errno == ENOENT) // closed and reopened under the same number
            result = epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event);
    }
    if (result != 0)
        qWarning("EpollEventDispatcher: cannot watch socket %d: %s", fd, std::strerror(errno));
    watch.events = result == 0 ? events : 0;
}

void EpollEventDispatcher::dropPending(QSocketNotifier *notifier, int fd, int type)
{
    Watch &watch = m_watches[fd];
    const unsigned bit = 1u << type;
    if (!(watch.pending & bit))
        return;
    watch.pending &= ~bit;
    for (std::size_t i = m_pendingHead; i < m_pending.size(); ++i) {
        if (m_pending[i] == notifier) {
            m_pending[i] = nullptr;
            break;
        }
    }
}

void EpollEventDispatcher::collectReady(int count)
{
    for (int i = 0; i < count; ++i) {
        const epoll_event &event = m_ready[std::size_t(i)];
        if (event.data.fd == m_wakeFd)
            continue;
        const auto it = m_watches.find(event.data.fd);
        if (it == m_watches.end())
            continue;
        Watch &watch = it->second;
        for (int type = 0; type < 3; ++type) {
            const unsigned bit = 1u << type;
            if (watch.notifiers[type] && (event.events & kWakingEvents[type]) && !(watch.pending & bit)) {
                watch.pending |= bit;
                m_pending.push_back(watch.notifiers[type]);
            }
        }
    }
}

int EpollEventDispatcher::activateSocketNotifiers()
{
    int activated = 0;
    // Nested event loops started from a slot keep taking from the same queue, so every ready
    // notifier is activated once; one disabled or deleted meanwhile has been taken out.
    while (m_pendingHead < m_pending.size()) {
        QSocketNotifier *notifier = m_pending[m_pendingHead++];
        if (!notifier)
            continue;
        const auto it = m_watches.find(int(notifier->socket()));
        if (it != m_watches.end())
            it->second.pending &= ~(1u << typeIndex(notifier->type()));
        QEvent event(QEvent::SockAct);
        QCoreApplication::sendEvent(notifier, &event);
        ++activated;
    }
    m_pending.clear();
    m_pendingHead = 0;
    return activated;
}

// ---- timers ---------------------------------------------------------------------------------

void EpollEventDispatcher::registerTimer(int timerId, qint64 interval, Qt::TimerType timerType,
                                         QObject *object)
{
    if (timerId < 1 || interval < 0 || !object) {
        qWarning("EpollEventDispatcher::registerTimer: invalid arguments");
        return;
    }
    if (object->thread() != thread() || thread() != QThread::currentThread()) {
        qWarning("EpollEventDispatcher::registerTimer: timers cannot be started from another thread");
        return;
    }
    if (m_timers.count(timerId))
        unregisterTimer(timerId);

    Timer timer;
    timer.object = object;
    timer.intervalMs = interval;
    timer.type = timerType;
    // Like Qt: short coarse timers are precise, long ones very coarse.
    timer.effective = timerType;
    if (timerType == Qt::CoarseTimer) {
        if (interval >= 20000)
            timer.effective = Qt::VeryCoarseTimer;
        else if (interval <= 20)
            timer.effective = Qt::PreciseTimer;
    }
    const qint64 now = monotonicNs();
    if (timer.effective == Qt::VeryCoarseTimer) {
        // Whole seconds, on whole seconds.
        timer.periodNs = (interval + 500) / 1000 * kNsPerSecond;
        timer.idealNs = (now + kNsPerSecond / 2) / kNsPerSecond * kNsPerSecond + timer.periodNs;
    } else {
        timer.periodNs = interval * kNsPerMs;
        timer.idealNs = now + timer.periodNs;
    }
    auto [it, inserted] = m_timers.emplace(timerId, timer);
    Q_UNUSED(inserted);
    schedule(timerId, it->second);
}

void EpollEventDispatcher::schedule(int timerId, Timer &timer)
{
    timer.deadlineNs = timer.effective == Qt::CoarseTimer
                           ? roundUp(timer.idealNs, coarseStepNs(timer.intervalMs))
                           : timer.idealNs;
    timer.sequence = ++m_sequence;
    m_queue.emplace(timer.deadlineNs, timer.sequence, timerId);
}

bool EpollEventDispatcher::unregisterTimer(int timerId)
{
    const auto it = m_timers.find(timerId);
    if (it == m_timers.end())
        return false;
    m_queue.erase(QueueEntry(it->second.deadlineNs, it->second.sequence, timerId));
    m_timers.erase(it);
    return true;
}

bool EpollEventDispatcher::unregisterTimers(QObject *object)
{
    bool any = false;
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->second.object == object) {
            m_queue.erase(QueueEntry(it->second.deadlineNs, it->second.sequence, it->first));
            it = m_timers.erase(it);
            any = true;
        } else {
            ++it;
        }
    }
    return any;
}

QList<QAbstractEventDispatcher::TimerInfo> EpollEventDispatcher::registeredTimers(QObject *object) const
{
    QList<TimerInfo> list;
    for (const auto &[id, timer] : m_timers) {
        if (timer.object == object)
            list.append(TimerInfo(id, int(timer.intervalMs), timer.type));
    }
    return list;
}

int EpollEventDispatcher::remainingTime(int timerId)
{
    const auto it = m_timers.find(timerId);
    if (it == m_timers.end())
        return -1;
    const qint64 left = it->second.deadlineNs - monotonicNs();
    return left <= 0 ? 0 : int((left + kNsPerMs - 1) / kNsPerMs);
}

qint64 EpollEventDispatcher::nextTimerWaitNs() const
{
    if (m_queue.empty())
        return -1;
    const qint64 left = std::get<0>(*m_queue.begin()) - monotonicNs();
    return left > 0 ? left : 0;
}

int EpollEventDispatcher::activateTimers()
{
    if (m_queue.empty())
        return 0;
    const qint64 now = monotonicNs();
    // The timers due now, taken before any fires: a timer rescheduled meanwhile (by a nested
    // loop, or stopped and started again) has a new sequence number and is left alone, one
    // stopped is gone; a zero-interval timer fires once per round.
    std::vector<std::pair<int, quint64>> due;
    for (const auto &[deadline, sequence, id] : m_queue) {
        if (deadline > now)
            break;
        due.emplace_back(id, sequence);
    }
    int activated = 0;
    for (const auto &[id, sequence] : due) {
        auto it = m_timers.find(id);
        if (it == m_timers.end() || it->second.sequence != sequence)
            continue;
        Timer &timer = it->second;
        m_queue.erase(QueueEntry(timer.deadlineNs, timer.sequence, id));
        timer.idealNs += timer.periodNs;
        if (timer.idealNs <= now) // fell behind: no catching up in bursts
            timer.idealNs = timer.effective == Qt::VeryCoarseTimer
                                ? now / kNsPerSecond * kNsPerSecond + timer.periodNs
                                : now + timer.periodNs;
        schedule(id, timer);
        if (timer.firing) // its own slot runs a nested event loop
            continue;
        timer.firing = true;
        QObject *const object = timer.object;
        QTimerEvent event(id);
        QCoreApplication::sendEvent(object, &event);
        ++activated;
        it = m_timers.find(id);
        if (it != m_timers.end())
            it->second.firing = false;
    }
    return activated;
}

// ---- waking and waiting ---------------------------------------------------------------------

void EpollEventDispatcher::wakeUp()
{
    if (m_wakeUpPending.testAndSetAcquire(0, 1)) {
        const std::uint64_t one = 1;
        while (write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
}

void EpollEventDispatcher::interrupt()
{
    m_interrupted.storeRelaxed(1);
    wakeUp();
}

bool EpollEventDispatcher::drainWakeUps()
{
    m_wakeUpPending.storeRelease(0);
    std::uint64_t count = 0;
    return read(m_wakeFd, &count, sizeof count) == ssize_t(sizeof count);
}

bool EpollEventDispatcher::waitForEvents(bool includeNotifiers, qint64 timeoutNs)
{
    if (!includeNotifiers) {
        // Only a wake-up (or the timeout) ends this wait: ready sockets must not.
        pollfd wake{m_wakeFd, POLLIN, 0};
        const timespec timeout = toTimespec(timeoutNs);
        const int result = ppoll(&wake, 1, timeoutNs < 0 ? nullptr : &timeout, nullptr);
        if (result < 0 && errno != EINTR)
            qWarning("EpollEventDispatcher: ppoll: %s", std::strerror(errno));
        return result > 0 && drainWakeUps();
    }

    int count = -1;
    if (!epollPwait2Missing) {
        const timespec timeout = toTimespec(timeoutNs);
        count = epoll_pwait2(m_epoll, m_ready.data(), kReadyBatch, timeoutNs < 0 ? nullptr : &timeout,
                             nullptr);
        if (count < 0 && errno == ENOSYS)
            epollPwait2Missing = true;
    }
    if (epollPwait2Missing) {
        // Millisecond timeouts, rounded up so that no timer fires early.
        const qint64 ms = timeoutNs < 0 ? -1 : (timeoutNs + kNsPerMs - 1) / kNsPerMs;
        count = epoll_wait(m_epoll, m_ready.data(), kReadyBatch, int(qMin<qint64>(ms, 0x7fffffff)));
    }
    if (count < 0) {
        if (errno != EINTR)
            qWarning("EpollEventDispatcher: epoll_wait: %s", std::strerror(errno));
        return false;
    }
    bool woken = false;
    for (int i = 0; i < count; ++i) {
        if (m_ready[std::size_t(i)].data.fd == m_wakeFd)
            woken = drainWakeUps();
    }
    collectReady(count);
    return woken;
}

bool EpollEventDispatcher::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    m_interrupted.storeRelaxed(0);
    emit awake();
    QCoreApplication::sendPostedEvents();

    const bool includeTimers = !(flags & QEventLoop::X11ExcludeTimers);
    const bool includeNotifiers = !(flags & QEventLoop::ExcludeSocketNotifiers);
    const bool canWait = (flags & QEventLoop::WaitForMoreEvents) && !m_interrupted.loadRelaxed();
    if (canWait)
        emit aboutToBlock();
    if (m_interrupted.loadRelaxed())
        return false;

    // Events posted while the posted events were sent wrote to the eventfd, so the wait below
    // ends at once for them.
    qint64 timeoutNs = 0;
    if (canWait)
        timeoutNs = includeTimers ? nextTimerWaitNs() : -1;

    int events = 0;
    if (canWait && includeNotifiers && m_batchingNs > 0) {
        const qint64 now = monotonicNs();
        const qint64 batchLeft = m_lastSocketRoundNs + m_batchingNs - now;
        if (batchLeft > 0) {
            // Within the batching time: only a wake-up or a timer ends the wait early; the
            // sockets are looked at afterwards without waiting.
            events += waitForEvents(false, timeoutNs < 0 ? batchLeft : qMin(timeoutNs, batchLeft)) ? 1 : 0;
            timeoutNs = 0;
        }
    }
    events += waitForEvents(includeNotifiers, timeoutNs) ? 1 : 0;
    if (includeNotifiers) {
        const int activated = activateSocketNotifiers();
        if (activated > 0 && m_batchingNs > 0)
            m_lastSocketRoundNs = monotonicNs();
        events += activated;
    }
    if (includeTimers)
        events += activateTimers();
    return events > 0;
}

void EpollEventDispatcher::setSocketBatchingInterval(std::chrono::milliseconds interval)
{
    m_batchingNs = qMax<qint64>(0, qint64(interval.count()) * kNsPerMs);
}

std::unique_ptr<QAbstractEventDispatcher> CreateScalableEventDispatcher(std::chrono::milliseconds socketBatching)
{
    auto dispatcher = std::make_unique<EpollEventDispatcher>();
    dispatcher->setSocketBatchingInterval(socketBatching);
    return dispatcher;
}

} // namespace corvela

#pragma once
// An event dispatcher on one epoll set: per wake-up it touches only the descriptors that are
// ready, the timers that are due and the posted events, whatever the number of sockets the
// thread watches. Socket notifiers keep Qt's level-triggered meaning; timers keep Qt's timer
// types (precise to the millisecond, coarse within 5 % and only late, very coarse on whole
// seconds).

#include <QAbstractEventDispatcher>
#include <QAtomicInt>

#include <chrono>
#include <cstdint>
#include <set>
#include <tuple>
#include <unordered_map>
#include <vector>

struct epoll_event;

namespace corvela {

class EpollEventDispatcher : public QAbstractEventDispatcher
{
    Q_OBJECT
public:
    explicit EpollEventDispatcher(QObject *parent = nullptr);
    ~EpollEventDispatcher() override;

    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;

    void registerSocketNotifier(QSocketNotifier *notifier) override;
    void unregisterSocketNotifier(QSocketNotifier *notifier) override;

    using QAbstractEventDispatcher::registerTimer;
    void registerTimer(int timerId, qint64 interval, Qt::TimerType timerType, QObject *object) override;
    bool unregisterTimer(int timerId) override;
    bool unregisterTimers(QObject *object) override;
    QList<TimerInfo> registeredTimers(QObject *object) const override;
    int remainingTime(int timerId) override;

    void wakeUp() override;
    void interrupt() override;

    // Off (0) by default. When set, a blocking round does not wake for sockets sooner than
    // this after the last round that served sockets; whatever got ready meanwhile is served
    // together. Posted events, wake-ups and timers stay prompt, and a round woken by them
    // serves the ready sockets too. Trades up to this much latency on socket input for fewer
    // wake-ups when many peers each send a little. Rounds that do not block (processEvents()
    // without WaitForMoreEvents) always serve sockets. QAbstractSocket sends buffered data
    // from its write notifier, so output can be held up to this long too (flush() sends now).
    void setSocketBatchingInterval(std::chrono::milliseconds interval);

private:
    // Everything watched on one descriptor: up to one notifier per type (Read, Write,
    // Exception), registered in the epoll set as one entry with the union of their events.
    struct Watch
    {
        QSocketNotifier *notifiers[3] = {};
        std::uint32_t events = 0; // as registered in the epoll set
        unsigned pending = 0;     // bit per type: queued in m_pending
    };

    struct Timer
    {
        QObject *object = nullptr;
        qint64 intervalMs = 0;       // as asked for
        Qt::TimerType type = Qt::CoarseTimer;      // as asked for
        Qt::TimerType effective = Qt::CoarseTimer; // after Qt's adjustment by interval
        qint64 periodNs = 0;
        qint64 idealNs = 0;    // when it would fire without slack
        qint64 deadlineNs = 0; // when it fires (ideal rounded for coarse timers)
        quint64 sequence = 0;  // identifies the timer's current entry in the queue
        bool firing = false;   // its event is being delivered (no recursion into it)
    };
    using QueueEntry = std::tuple<qint64, quint64, int>; // deadline, sequence, timer id

    void updateWatch(int fd, Watch &watch);
    void dropPending(QSocketNotifier *notifier, int fd, int type);
    void collectReady(int count);
    int activateSocketNotifiers();
    int activateTimers();
    void schedule(int timerId, Timer &timer);
    qint64 nextTimerWaitNs() const; // -1: no timer
    bool waitForEvents(bool includeNotifiers, qint64 timeoutNs);
    bool drainWakeUps();

    int m_epoll = -1;
    int m_wakeFd = -1;
    QAtomicInt m_wakeUpPending = 0;
    QAtomicInt m_interrupted = 0;
    std::vector<epoll_event> m_ready;

    qint64 m_batchingNs = 0;
    qint64 m_lastSocketRoundNs = 0;

    std::unordered_map<int, Watch> m_watches;
    std::vector<QSocketNotifier *> m_pending; // activation queue, shared by nested rounds
    std::size_t m_pendingHead = 0;

    std::unordered_map<int, Timer> m_timers;
    std::set<QueueEntry> m_queue; // ordered by deadline, then by registration order
    quint64 m_sequence = 0;
};

} // namespace corvela

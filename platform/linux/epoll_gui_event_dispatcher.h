#pragma once
// The epoll dispatcher for a GUI thread: also delivers the window system's events (input,
// expose, geometry). The platform plugin reads its display connection on a thread of its own
// and announces new events with wakeUp(); reading them into Qt's queue and flushing requests
// out is plugin work (xcb does it in its own event dispatcher), so a dispatcher of the
// plugin's making is kept here for exactly that: it watches no sockets and no timers, so a
// round through it costs a constant small amount, and everything else stays on epoll.

#include "linux/epoll_event_dispatcher.h"

#include <memory>

namespace corvela {

class EpollGuiEventDispatcher : public EpollEventDispatcher
{
    Q_OBJECT
public:
    explicit EpollGuiEventDispatcher(QObject *parent = nullptr);
    ~EpollGuiEventDispatcher() override;
    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
    void closingDown() override;

private:
    bool deliverWindowSystemEvents(QEventLoop::ProcessEventsFlags flags);

    std::unique_ptr<QAbstractEventDispatcher> m_platform;
    bool m_closingDown = false;
};

} // namespace corvela

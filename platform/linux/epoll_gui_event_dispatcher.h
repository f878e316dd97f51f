#pragma once
// The epoll dispatcher for a GUI thread: also delivers the window system's queued events
// (input, expose, geometry), which the platform plugin queues from its own connection and
// announces with wakeUp().

#include "linux/epoll_event_dispatcher.h"

namespace corvela {

class EpollGuiEventDispatcher : public EpollEventDispatcher
{
    Q_OBJECT
public:
    explicit EpollGuiEventDispatcher(QObject *parent = nullptr);
    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
};

} // namespace corvela

#include "linux/epoll_gui_event_dispatcher.h"

#include "event_dispatcher.h"

#include <qpa/qwindowsysteminterface.h>

namespace corvela {

EpollGuiEventDispatcher::EpollGuiEventDispatcher(QObject *parent) : EpollEventDispatcher(parent) {}

bool EpollGuiEventDispatcher::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    // Window system events queued before this round go out before it may block; those queued
    // while it waited (they woke it) go out before it returns.
    bool sent = QWindowSystemInterface::sendWindowSystemEvents(flags);
    sent = EpollEventDispatcher::processEvents(flags) || sent;
    sent = QWindowSystemInterface::sendWindowSystemEvents(flags) || sent;
    return sent;
}

std::unique_ptr<QAbstractEventDispatcher> CreateScalableGuiEventDispatcher()
{
    return std::make_unique<EpollGuiEventDispatcher>();
}

} // namespace corvela

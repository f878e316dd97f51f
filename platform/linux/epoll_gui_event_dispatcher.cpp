#include "linux/epoll_gui_event_dispatcher.h"

#include "event_dispatcher.h"

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformintegration.h>
#include <qpa/qwindowsysteminterface.h>

namespace corvela {

EpollGuiEventDispatcher::EpollGuiEventDispatcher(QObject *parent) : EpollEventDispatcher(parent) {}

EpollGuiEventDispatcher::~EpollGuiEventDispatcher() = default;

bool EpollGuiEventDispatcher::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    // Before a possible wait: what the window system queued goes out, and requests written
    // since the last round reach the display server. After it: what woke us.
    bool sent = deliverWindowSystemEvents(flags);
    sent = EpollEventDispatcher::processEvents(flags) || sent;
    sent = deliverWindowSystemEvents(flags) || sent;
    return sent;
}

bool EpollGuiEventDispatcher::deliverWindowSystemEvents(QEventLoop::ProcessEventsFlags flags)
{
    if (!m_platform && !m_closingDown) {
        if (QPlatformIntegration *integration = QGuiApplicationPrivate::platformIntegration())
            m_platform.reset(integration->createEventDispatcher());
    }
    if (!m_platform)
        return QWindowSystemInterface::sendWindowSystemEvents(flags);
    // Never blocks: it has nothing of its own to wait for.
    return m_platform->processEvents(flags & ~QEventLoop::ProcessEventsFlags(QEventLoop::WaitForMoreEvents));
}

void EpollGuiEventDispatcher::closingDown()
{
    // The application goes; the plugin's dispatcher refers to its display connection, which
    // goes with it.
    m_closingDown = true;
    m_platform.reset();
    EpollEventDispatcher::closingDown();
}

std::unique_ptr<QAbstractEventDispatcher> CreateScalableGuiEventDispatcher()
{
    // The plugin's dispatcher kept inside must be its plain Unix one: the GLib flavour only
    // looks at the display connection when events are queued and leaves requests unflushed
    // in a round run from here. Qt reads this when the plugin makes its dispatcher; called
    // before the application object, while the program has one thread.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    return std::make_unique<EpollGuiEventDispatcher>();
}

} // namespace corvela

#pragma once
// Event dispatchers that scale with the number of sockets a thread watches. Qt's own Unix
// dispatchers poll every registered socket on every wake-up; these wait on one epoll set and
// only look at what is ready, so a thread holding a thousand idle connections costs next to
// nothing between messages.
//
// Install before the thread starts:
//   thread.setEventDispatcher(CreateScalableEventDispatcher().release());
// and for the GUI thread before the QApplication is constructed:
//   QCoreApplication::setEventDispatcher(CreateScalableGuiEventDispatcher().release());

#include <QAbstractEventDispatcher>

#include <chrono>
#include <memory>

namespace corvela {

// For threads without windows (and QCoreApplication programs). With socketBatching above
// zero, sockets are served at most that often (see
// EpollEventDispatcher::setSocketBatchingInterval); posted events and timers stay prompt.
std::unique_ptr<QAbstractEventDispatcher> CreateScalableEventDispatcher(
    std::chrono::milliseconds socketBatching = std::chrono::milliseconds(0));

// For the GUI thread of a QGuiApplication/QApplication: also delivers the window system's
// events. Defined in corvela_platform_gui.
std::unique_ptr<QAbstractEventDispatcher> CreateScalableGuiEventDispatcher();

} // namespace corvela

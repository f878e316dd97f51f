#include "lock_guard.h"

#include <QCoreApplication>
#include <QPointer>
#include <QScreen>
#include <QGuiApplication>
#include <QRect>
#include <QSet>
#include <QWidget>
#include <QWindow>

#include <cstring>
#include <optional>
#include <vector>

// Xlib last: its macros (None, Bool, Status, ...) would clash with Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>

namespace corvela {

namespace {

constexpr Window kNoWindow = 0;
constexpr Window kPointerRoot = 1;

Display *QtDisplay()
{
    if (!qGuiApp)
        return nullptr;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

Window WindowOf(QWidget *widget)
{
    return static_cast<Window>(widget->window()->winId());
}

bool Viewable(Display *display, Window window, XWindowAttributes *attributes = nullptr)
{
    XWindowAttributes a{};
    if (XGetWindowAttributes(display, window, &a) == 0)
        return false;
    if (attributes)
        *attributes = a;
    return a.map_state == IsViewable;
}

// One CARDINAL or WINDOW value of a window property; nothing when it is missing.
std::optional<unsigned long> PropertyValue(Display *display, Window window, const char *name,
                                           Atom type)
{
    const Atom property = XInternAtom(display, name, True);
    if (property == kNoWindow)
        return std::nullopt;
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    std::optional<unsigned long> result;
    if (XGetWindowProperty(display, window, property, 0, 1, False, type, &actualType,
                           &actualFormat, &count, &after, &data)
            == Success
        && data && actualType == type && actualFormat == 32 && count == 1) {
        // Format-32 values come back as longs, whatever their width on the wire.
        unsigned long value = 0;
        std::memcpy(&value, data, sizeof value);
        result = value;
    }
    if (data)
        XFree(data);
    return result;
}

struct TreeInfo
{
    Window parent = kNoWindow;
    std::vector<Window> children; // bottom to top
};

TreeInfo Tree(Display *display, Window window)
{
    TreeInfo info;
    Window root = kNoWindow;
    Window *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &info.parent, &children, &count) == 0)
        return {};
    if (children) {
        info.children.assign(children, children + count);
        XFree(children);
    }
    return info;
}

class X11LockGuard final : public LockGuard
{
public:
    bool engage(QWidget *lockWindow) override
    {
        m_keyboard = m_pointer = false;
        m_lockWindow = lockWindow;
        Display *display = QtDisplay();
        if (!display || !lockWindow || !lockWindow->isVisible())
            return false;
        const Window window = WindowOf(lockWindow);
        if (!Viewable(display, window))
            return false;
        // Events for our own windows (dialogs of the safe web browser) arrive as usual; all
        // the rest go to the lock window.
        m_keyboard = XGrabKeyboard(display, window, True, GrabModeAsync, GrabModeAsync,
                                   CurrentTime)
                     == GrabSuccess;
        m_pointer = XGrabPointer(display, window, True,
                                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                 GrabModeAsync, GrabModeAsync, kNoWindow, kNoWindow, CurrentTime)
                    == GrabSuccess;
        XFlush(display);
        return m_keyboard && m_pointer;
    }

    void release() override
    {
        m_lockWindow = nullptr;
        if (!m_keyboard && !m_pointer)
            return;
        m_keyboard = m_pointer = false;
        if (Display *display = QtDisplay()) {
            XUngrabKeyboard(display, CurrentTime);
            XUngrabPointer(display, CurrentTime);
            XFlush(display);
        }
    }

    bool isEngaged() const override { return m_keyboard && m_pointer; }

    bool foregroundIsScreenSaver() override
    {
        Display *display = QtDisplay();
        if (!display)
            return false;
        const Window root = XDefaultRootWindow(display);
        int eventBase = 0;
        int errorBase = 0;
        if (XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
            if (XScreenSaverInfo *info = XScreenSaverAllocInfo()) {
                const bool on = XScreenSaverQueryInfo(display, root, info) != 0
                                && info->state == ScreenSaverOn;
                XFree(info);
                if (on)
                    return true;
            }
        }
        // Screen savers that draw their own window (xscreensaver, the desktops' savers).
        return IsScreenSaverWindow(display, activeWindow(display), 2)
               || IsScreenSaverWindow(display, topmostOverLock(display), 2);
    }

    bool foregroundIsOwnProcess() override
    {
        Display *display = QtDisplay();
        if (!display)
            return false;
        const QSet<Window> own = ownWindows();
        const Window active = activeWindow(display);
        if (active == kNoWindow || !IsOwn(display, own, active, 0))
            return false;
        const Window top = topmostOverLock(display);
        return top == kNoWindow || IsOwn(display, own, top, 2);
    }

    bool forceForeground(QWidget *widget) override
    {
        Display *display = QtDisplay();
        if (!display || !widget)
            return false;
        QWidget *top = widget->window();
        if (top->isMinimized())
            top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
        top->raise();
        top->activateWindow();
        const Window window = WindowOf(top);
        if (!Viewable(display, window))
            return false;
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        // Window managers that follow EWMH expect the request as a client message; source
        // indication 2 (a pager) makes them honour it without focus-stealing prevention.
        const Atom activeAtom = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = activeAtom;
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, XDefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XSync(display, False);
        return foregroundIsOwnProcess();
    }

private:
    static QSet<Window> ownWindows()
    {
        QSet<Window> own;
        const QWindowList windows = QGuiApplication::allWindows();
        for (QWindow *w : windows)
            if (w->handle())
                own.insert(static_cast<Window>(w->winId()));
        return own;
    }

    // The active window as the window manager publishes it, else the input focus.
    static Window activeWindow(Display *display)
    {
        const Window root = XDefaultRootWindow(display);
        if (const auto active = PropertyValue(display, root, "_NET_ACTIVE_WINDOW", XA_WINDOW))
            return static_cast<Window>(*active);
        Window focus = kNoWindow;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        return focus == kPointerRoot ? kNoWindow : focus;
    }

    static bool OwnedHere(Display *display, const QSet<Window> &own, Window window)
    {
        if (own.contains(window))
            return true;
        const auto pid = PropertyValue(display, window, "_NET_WM_PID", XA_CARDINAL);
        return pid && static_cast<qint64>(*pid) == QCoreApplication::applicationPid();
    }

    // Looks down from the window: a window manager's frame holds the client window.
    static bool OwnedBelow(Display *display, const QSet<Window> &own, Window window, int depth)
    {
        if (OwnedHere(display, own, window))
            return true;
        if (depth <= 0)
            return false;
        for (Window child : Tree(display, window).children)
            if (OwnedBelow(display, own, child, depth - 1))
                return true;
        return false;
    }

    // Our window, a window inside ours, or (depth > 0) a frame around ours.
    static bool IsOwn(Display *display, const QSet<Window> &own, Window window, int depth)
    {
        const Window root = XDefaultRootWindow(display);
        for (Window w = window; w != kNoWindow && w != root; w = Tree(display, w).parent)
            if (OwnedHere(display, own, w))
                return true;
        return depth > 0 && OwnedBelow(display, own, window, depth);
    }

    static bool IsScreenSaverWindow(Display *display, Window window, int depth)
    {
        if (window == kNoWindow)
            return false;
        XClassHint hint{};
        bool saver = false;
        if (XGetClassHint(display, window, &hint) != 0) {
            const QString name = QString::fromLocal8Bit(hint.res_name).toLower();
            const QString cls = QString::fromLocal8Bit(hint.res_class).toLower();
            saver = name.contains(u"screensaver") || cls.contains(u"screensaver");
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        if (saver || depth <= 0)
            return saver;
        // A window manager's frame: look at the client inside.
        for (Window child : Tree(display, window).children)
            if (IsScreenSaverWindow(display, child, depth - 1))
                return true;
        return false;
    }

    // The highest mapped window among the root's children that overlaps the lock's area
    // (the primary screen when no lock window is known).
    Window topmostOverLock(Display *display) const
    {
        QRect area;
        const QWidget *lock = m_lockWindow.data();
        if (lock != nullptr && lock->isVisible())
            area = lock->window()->geometry();
        else if (const QScreen *screen = QGuiApplication::primaryScreen())
            area = screen->geometry();
        const std::vector<Window> children = Tree(display, XDefaultRootWindow(display)).children;
        // Children come bottom to top.
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            XWindowAttributes a{};
            if (!Viewable(display, *it, &a) || a.c_class == InputOnly)
                continue;
            const QRect r(a.x, a.y, a.width + 2 * a.border_width, a.height + 2 * a.border_width);
            if (area.isEmpty() || r.intersects(area))
                return *it;
        }
        return kNoWindow;
    }

    QPointer<QWidget> m_lockWindow;
    bool m_keyboard = false;
    bool m_pointer = false;
};

} // namespace

std::unique_ptr<LockGuard> CreateLockGuard()
{
    return std::make_unique<X11LockGuard>();
}

} // namespace corvela

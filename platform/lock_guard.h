#pragma once
// Keeping the lock window in front of everything and holding the keyboard and pointer while
// it is shown.
//
// The X11 implementation grabs the keyboard and pointer for the lock window, so that other
// clients (the window manager's Alt+Tab and Alt+F4 among them) get no input, and raises and
// activates the window when something else has come in front. On platforms without X11
// (offscreen, Wayland) every call does nothing and returns false.

#include <QtGlobal>

#include <memory>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace corvela {

class LockGuard
{
public:
    virtual ~LockGuard() = default;

    // Grabs keyboard and pointer for the top-level lock window. A grab fails while the window
    // is not yet mapped or while another client holds a grab; call again (the lock screen
    // does so at every check) until it returns true. Calling it while the grabs are held is
    // cheap and keeps them.
    virtual bool engage(QWidget *lockWindow) = 0;
    // Gives the grabs back. Safe to call when nothing is held.
    virtual void release() = 0;
    // True while both grabs of the last engage() are held.
    virtual bool isEngaged() const = 0;

    // A screen saver (or the display's own blanking) is in front: leave it there.
    virtual bool foregroundIsScreenSaver() = 0;
    // The window in front belongs to this process: it has the input focus, and the topmost
    // window over the lock's area is ours too (a dialog of the safe web browser, say).
    virtual bool foregroundIsOwnProcess() = 0;
    // Restores the window when minimized, raises it, activates it and gives it the input
    // focus. True when it is in front afterwards.
    virtual bool forceForeground(QWidget *window) = 0;
};

// The X11 guard; it falls back to doing nothing where the display is not X11.
std::unique_ptr<LockGuard> CreateLockGuard();

} // namespace corvela

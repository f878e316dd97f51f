#pragma once
// A LockGuard for tests of the lock screen's logic: it records what it is asked to do and
// reports the foreground situation the test sets.

#include "lock_guard.h"

#include <QList>

namespace corvela {

class FakeLockGuard : public LockGuard
{
public:
    bool engage(QWidget *lockWindow) override
    {
        ++engageCalls;
        engagedWindow = lockWindow;
        engaged = grabsSucceed;
        return engaged;
    }
    void release() override
    {
        ++releaseCalls;
        engaged = false;
        engagedWindow = nullptr;
    }
    bool isEngaged() const override { return engaged; }
    bool foregroundIsScreenSaver() override { return screenSaver; }
    bool foregroundIsOwnProcess() override { return ownForeground; }
    bool forceForeground(QWidget *window) override
    {
        forced.append(window);
        return true;
    }

    // Set by the test.
    bool grabsSucceed = true;
    bool screenSaver = false;
    bool ownForeground = false;

    // Recorded.
    int engageCalls = 0;
    int releaseCalls = 0;
    bool engaged = false;
    QWidget *engagedWindow = nullptr;
    QList<QWidget *> forced;
};

} // namespace corvela

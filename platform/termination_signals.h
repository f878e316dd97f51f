#pragma once
// Termination requests (SIGTERM from the service manager at stop and shutdown, SIGINT from
// a terminal) delivered as a signal on the event loop, so that whatever runs on stop runs
// between two event handlers and never in the middle of one.

#include <QObject>

#include <memory>

namespace corvela {

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Call once at the start of main(), before any thread exists: holds the termination
    // signals back from their default action for the whole process. False when the
    // system refuses.
    static bool holdBack();

    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // False when the signals cannot be received (then they keep their default action).
    bool isActive() const;

signals:
    void terminationRequested(int signalNumber);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace corvela

#pragma once
// Starts the filter service program with a back-end of the caller's choice and waits until
// it listens on the service port. Null when it did not start or never listened (for one,
// because another service holds the port).

#include "u_shared.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>

#include <memory>

namespace corvela::testing {

inline std::unique_ptr<QProcess> StartFilterService(const QString &program, const QString &backend,
                                                   QProcess::ProcessChannelMode channels =
                                                       QProcess::ForwardedErrorChannel)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CORVELA_FILTER_BACKEND"), backend);
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(channels);
    process->start(program, {});
    if (!process->waitForStarted(5000))
        return nullptr;
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && process->state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, kServicePort);
        if (probe.waitForConnected(100))
            return process;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return nullptr;
}

} // namespace corvela::testing
